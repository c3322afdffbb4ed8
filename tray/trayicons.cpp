#include "tray/trayicons.h"

#include <shellapi.h>

#include <cwchar>

#include "app/app.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/text.h"
#include "tray/shortcuts.h"
#include "ui/wizard.h"

UINT TaskbarCreatedMessage;
bool TrayIconsKeyboardVersion;
const char* TaskbarWindowClass = "Shell_TrayWnd";

namespace {

// The menu commands derived from an index (500 + i ... 900 + i) stay apart
// only below 100, so no more icons than that are shown.
constexpr int MaxTrayIcons = 100;
// What fits the tooltip of NOTIFYICONDATAW from its second version on, without
// its NUL.
constexpr int MaxTipLength = 127;

// How many entries of CurrentShortcutTable the adding has reached: all of
// them, except while the icons are being brought up to date.
int TriedIconCount;
// The number of shortcuts left out that the user was last told about.
int ReportedLeftOutCount;
// The shortcuts beyond MaxTrayIcons, kept with their icons so that the next
// scan need not read them again.
ShortcutTable LeftOutEntries;

NOTIFYICONDATAW IconData(int index, UINT flags) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = TrayWindow;
    data.uID = ID_TRAYICON + static_cast<UINT>(index);
    data.uFlags = flags;
    return data;
}

HICON MarkedIcon(const ShortcutEntry& entry) {
    return IsOptionOn(Settings.szMarkLinks) ? entry.hOverlayIcon : entry.hPlainIcon;
}

// The name cut to 127 characters, with " - Ombrix+" behind it when QuickInfo
// is on, the whole again cut to 127 characters; a cut never splits a
// surrogate pair.
void BuildTip(const ShortcutEntry& entry, bool withQuickInfo, WCHAR (&tip)[MaxTipLength + 1]) {
    WCHAR text[MaxTipLength + 16];
    CopyCut(text, entry.szName, MaxTipLength);
    if (withQuickInfo) AppendText(text, L" - Ombrix+");
    CopyCut(tip, text, MaxTipLength);
}

// Picture and tooltip of entry index, for an add or a change of its icon.
NOTIFYICONDATAW EntryIconData(int index, UINT flags) {
    const ShortcutEntry& entry = CurrentShortcutTable.pEntries[index];
    NOTIFYICONDATAW data = IconData(index, flags | NIF_ICON | NIF_TIP);
    data.hIcon = MarkedIcon(entry);
    BuildTip(entry, IsOptionOn(Settings.szQuickInfo), data.szTip);
    return data;
}

// Asks for the keyboard behaviour of newer shells, which still sends WM_USER
// with the identifier in wParam and the mouse message in lParam. The shell
// forgets it with every add, so it follows each one.
void RequestKeyboardVersion(int index) {
    NOTIFYICONDATAW data = IconData(index, 0);
    data.uVersion = NOTIFYICON_VERSION;
    TrayIconsKeyboardVersion = CallNotifyIcon(NIM_SETVERSION, &data) != FALSE;
}

BOOL AddTrayIcon(int index) {
    NOTIFYICONDATAW data = EntryIconData(index, NIF_MESSAGE);
    data.uCallbackMessage = WM_USER;
    SetLastError(ERROR_SUCCESS);
    BOOL added = CallNotifyIcon(NIM_ADD, &data);
    DWORD error = GetLastError();
    if (added) RequestKeyboardVersion(index);
    SetLastError(error);
    return added;
}

void DeleteTrayIcon(int index) {
    NOTIFYICONDATAW data = IconData(index, 0);
    CallNotifyIcon(NIM_DELETE, &data);
}

// Whether a refused icon means that the taskbar is not there yet: started at
// logon, the program can be faster than the shell's notification area, or
// find it too busy to answer. Its "TaskbarCreated" brings the icons.
bool TaskbarMissing(DWORD error) {
    return error == ERROR_TIMEOUT || !FindWindowA(TaskbarWindowClass, nullptr);
}

// Whether two entries would show the same icon: same name and picture source,
// for files not written since (a written one may have a new picture).
bool SameEntry(const ShortcutEntry& x, const ShortcutEntry& y) {
    return x.iIcon == y.iIcon && SameShortcutFiles(x, y) && wcscmp(x.szName, y.szName) == 0 &&
           wcscmp(x.szIconSource, y.szIconSource) == 0;
}

bool TablesEqual(const ShortcutTable& a, const ShortcutTable& b) {
    if (a.nCount != b.nCount) return false;
    for (int i = 0; i < a.nCount; ++i)
        if (!SameEntry(a.pEntries[i], b.pEntries[i])) return false;
    return true;
}

// A shortcut the user was told about stays told in the table that replaces
// the current one.
void CarryRefusals(ShortcutTable* scanned) {
    for (int j = 0; j < CurrentShortcutTable.nCount; ++j) {
        const ShortcutEntry& old = CurrentShortcutTable.pEntries[j];
        if (old.fShown) continue;  // mostly none is left: the comparisons stay few
        for (int i = 0; i < scanned->nCount; ++i)
            if (lstrcmpiW(scanned->pEntries[i].szLinkPath, old.szLinkPath) == 0)
                scanned->pEntries[i].fRefusalTold = old.fRefusalTold;
    }
}

// Brings the icons from what `shown` showed to CurrentShortcutTable slot by
// slot, so that icon 1000 + i stays where it is while slot i exists: extra
// slots go from the end, a changed slot gets its new picture and tooltip,
// new slots come at the end. No message loop runs meanwhile. False when no
// icon is shown nor waits for the taskbar.
bool UpdateTrayIcons(const ShortcutTable& shown, bool* waiting) {
    for (int i = shown.nCount - 1; i >= CurrentShortcutTable.nCount; --i) DeleteTrayIcon(i);
    int count = 0;
    for (TriedIconCount = 0; TriedIconCount < CurrentShortcutTable.nCount; ++TriedIconCount) {
        const int i = TriedIconCount;
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        const bool slotShown = i < shown.nCount && shown.pEntries[i].fShown;
        if (slotShown && SameEntry(shown.pEntries[i], entry)) {
            entry.fShown = true;
        } else if (slotShown) {
            NOTIFYICONDATAW data = EntryIconData(i, 0);
            CallNotifyIcon(NIM_MODIFY, &data);
            entry.fShown = true;
        } else {
            // A refused add that timed out may still have got through.
            if (i < shown.nCount) DeleteTrayIcon(i);
            entry.fShown = AddTrayIcon(i) != FALSE;
            if (!entry.fShown && TaskbarMissing(GetLastError())) *waiting = true;
        }
        if (entry.fShown) ++count;
    }
    return count > 0 || *waiting;
}

// Tells the user of each shortcut whose icon the shell refused, once while it
// keeps failing, and not at all while the taskbar is missing. False when the
// program was closed meanwhile (the messages run message loops).
bool TellRefusals(bool waiting) {
    for (int i = 0; !waiting && i < CurrentShortcutTable.nCount; ++i) {
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        if (entry.fShown || entry.fRefusalTold) continue;
        entry.fRefusalTold = true;
        wsprintfW(MessageText, L"Hinzufügen von '%s' in die Task-Leiste fehlgeschlagen.", entry.szName);
        ShowProgramMessage(MessageText, 0);
        if (!IsWindow(TrayWindow)) return false;
    }
    return true;
}

// Offers the wizard when the folder holds no shortcut; ends the program when
// the user declines or the wizard cannot start. When the wizard ends, the
// folder is looked at again (CloseWithoutShortcuts).
void PromptForFirstShortcut(ShortcutTable* empty) {
    RemoveTrayIcons();
    wsprintfW(MessageText,
              L"Der %s Ordner enthält keine Verknüpfungen.\n\n%s startet jetzt einen Assistenten mit dem\n"
              L"Sie eine Verknüpfung erstellen können, die in der\nTask-Leiste angezeigt wird.",
              L"Ombrix+", L"Ombrix+");
    int answer = ShowProgramMessage(MessageText, MB_OKCANCEL | MB_ICONINFORMATION);
    FreeShortcutTable(empty);
    if (answer == IDOK && StartAddShortcutWizard()) return;
    PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
}

// Tells the user, once per change of the number, how many shortcuts have no icon.
void ReportLeftOutShortcuts(int leftOut) {
    if (leftOut == ReportedLeftOutCount) return;
    ReportedLeftOutCount = leftOut;
    if (leftOut == 0) return;
    wsprintfW(MessageText,
              L"Ombrix+ kann höchstens %d Verknüpfungen in der Task-Leiste anzeigen.\n\n"
              L"%d Verknüpfungen des Ordners werden nicht angezeigt.",
              MaxTrayIcons, leftOut);
    ShowProgramMessage(MessageText, MB_ICONINFORMATION);
}

// Replaces CurrentShortcutTable by an equal scanned one, which holds the
// icons it took over, with the shown and told marks; the shell keeps its
// pictures.
void AdoptEqualTable(ShortcutTable* scanned) {
    for (int i = 0; i < scanned->nCount; ++i) {
        scanned->pEntries[i].fShown = CurrentShortcutTable.pEntries[i].fShown;
        scanned->pEntries[i].fRefusalTold = CurrentShortcutTable.pEntries[i].fRefusalTold;
    }
    FreeShortcutTable(&CurrentShortcutTable);
    CurrentShortcutTable = *scanned;
}

// Replaces CurrentShortcutTable by a different scanned one and brings the
// icons in step; the old entries' pictures go once the shell has the new ones.
void ShowChangedTable(ShortcutTable* scanned) {
    CarryRefusals(scanned);
    ShortcutTable shown = CurrentShortcutTable;
    CurrentShortcutTable = *scanned;
    bool waiting = false;
    bool anyIcon = UpdateTrayIcons(shown, &waiting);
    FreeShortcutTable(&shown);
    if (!TellRefusals(waiting)) return;
    if (!anyIcon) PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
}

}  // namespace

void RebuildTrayIcons() {
    ShortcutTable scanned;
    const bool scannedOk = ScanShortcutFolder(&scanned, &CurrentShortcutTable, &LeftOutEntries);
    FreeShortcutTable(&LeftOutEntries);  // what the scan did not take over
    if (!scannedOk) {
        PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
        return;
    }
    // Closed while the scan ran (its dialogs run message loops): no window is
    // left to show icons for.
    if (!IsWindow(TrayWindow)) {
        FreeShortcutTable(&scanned);
        return;
    }
    if (scanned.nCount == 0) {
        ReportedLeftOutCount = 0;
        PromptForFirstShortcut(&scanned);
        return;
    }
    int leftOut = scanned.nCount > MaxTrayIcons ? scanned.nCount - MaxTrayIcons : 0;
    MoveLaterShortcutEntries(&scanned, MaxTrayIcons, &LeftOutEntries);

    if (TablesEqual(scanned, CurrentShortcutTable)) {
        AdoptEqualTable(&scanned);
    } else {
        ShowChangedTable(&scanned);
        if (!IsWindow(TrayWindow)) return;
    }
    ReportLeftOutShortcuts(leftOut);
}

void RefreshTrayMarks() {
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAW data = IconData(i, NIF_ICON);
        data.hIcon = MarkedIcon(CurrentShortcutTable.pEntries[i]);
        CallNotifyIcon(NIM_MODIFY, &data);
    }
}

void RefreshTrayTips() {
    bool withQuickInfo = IsOptionOn(Settings.szQuickInfo);
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAW data = IconData(i, NIF_TIP);
        BuildTip(CurrentShortcutTable.pEntries[i], withQuickInfo, data.szTip);
        CallNotifyIcon(NIM_MODIFY, &data);
    }
}

// Refused icons are deleted too: an add that timed out may still have got
// through.
void RemoveTrayIcons() {
    FreeShortcutTable(&LeftOutEntries);
    if (!CurrentShortcutTable.pEntries) return;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) DeleteTrayIcon(i);
    TriedIconCount = 0;
    FreeShortcutTable(&CurrentShortcutTable);
}

void CloseWithoutShortcuts() {
    ShortcutTable scanned;
    if (!ScanShortcutFolder(&scanned)) return;
    bool none = scanned.nCount == 0;
    FreeShortcutTable(&scanned);
    if (none) PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
}

void RegisterTaskbarCreatedMessage() {
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
}

// A refused icon is tried again: the new taskbar may take it.
void RestoreTrayIcons() {
    int tried = TriedIconCount < CurrentShortcutTable.nCount ? TriedIconCount : CurrentShortcutTable.nCount;
    for (int i = 0; i < tried; ++i) CurrentShortcutTable.pEntries[i].fShown = AddTrayIcon(i) != FALSE;
}
