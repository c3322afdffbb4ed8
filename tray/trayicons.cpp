#include "tray/trayicons.h"

#include <shellapi.h>

#include "app/app.h"
#include "app/platform.h"
#include "app/settings.h"
#include "tray/shortcuts.h"
#include "ui/wizard.h"

UINT TaskbarCreatedMessage;
const char* TaskbarWindowClass = "Shell_TrayWnd";

namespace {

// The menu commands derived from an index (500 + i ... 900 + i) stay apart
// only below 100, so no more icons than that are shown.
constexpr int MaxTrayIcons = 100;
// What fits the tooltip of the first NOTIFYICONDATA version, without its NUL.
constexpr int MaxTipLength = 63;

// How many entries of CurrentShortcutTable the adding has reached: all of
// them, except while the icons are being added.
int TriedIconCount;
// The number of shortcuts left out that the user was last told about.
int ReportedLeftOutCount;

NOTIFYICONDATAA IconData(int index, UINT flags) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = TrayWindow;
    data.uID = ID_TRAYICON + static_cast<UINT>(index);
    data.uFlags = flags;
    return data;
}

HICON MarkedIcon(const ShortcutEntry& entry) {
    return IsOptionOn(Settings.szMarkLinks) ? entry.hOverlayIcon : entry.hPlainIcon;
}

// The name cut to 63 characters, with " - Ombrix+" behind it when QuickInfo is
// on, the whole again cut to 63 characters.
void BuildTip(const ShortcutEntry& entry, bool withQuickInfo, char (&tip)[64]) {
    char text[MAX_PATH];
    lstrcpynA(text, entry.szName, MaxTipLength + 1);
    if (withQuickInfo) lstrcatA(text, " - Ombrix+");
    lstrcpynA(tip, text, MaxTipLength + 1);
}

BOOL AddTrayIcon(int index, bool withQuickInfo) {
    const ShortcutEntry& entry = CurrentShortcutTable.pEntries[index];
    NOTIFYICONDATAA data = IconData(index, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = WM_USER;
    data.hIcon = MarkedIcon(entry);
    char tip[64];
    BuildTip(entry, withQuickInfo, tip);
    lstrcpynA(data.szTip, tip, sizeof tip);
    SetLastError(ERROR_SUCCESS);
    return CallNotifyIcon(NIM_ADD, &data);
}

// Whether a refused icon means that the taskbar is not there yet: started at
// logon, the program can be faster than the shell's notification area, or
// find it too busy to answer. Its "TaskbarCreated" brings the icons.
bool TaskbarMissing(DWORD error) {
    return error == ERROR_TIMEOUT || !FindWindowA(TaskbarWindowClass, nullptr);
}

// Adds the icons of CurrentShortcutTable in order. An entry whose icon the
// shell refuses keeps its place without an icon, so the next scan finds the
// table unchanged; the user hears of it once while it keeps failing, and not
// at all while the taskbar is missing. False when no icon is shown nor waits
// for the taskbar: nothing of the program is left to click.
bool AddTrayIcons() {
    int shown = 0;
    bool waiting = false;
    for (TriedIconCount = 0; TriedIconCount < CurrentShortcutTable.nCount; ++TriedIconCount) {
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[TriedIconCount];
        entry.fShown = AddTrayIcon(TriedIconCount, false) != FALSE;
        if (!entry.fShown && TaskbarMissing(GetLastError())) waiting = true;
        if (entry.fShown) ++shown;
        if (entry.fShown || waiting || entry.fRefusalTold) continue;
        entry.fRefusalTold = true;
        wsprintfA(MessageText, "Hinzufügen von '%s' in die Task-Leiste fehlgeschlagen.", entry.szName);
        ShowProgramMessage(MessageText, 0);
        // The message runs a message loop, in which the program may be closed.
        if (!IsWindow(TrayWindow)) return true;
    }
    return shown > 0 || waiting;
}

// A shortcut the user was told about stays told in the table that replaces
// the current one.
void CarryRefusals(ShortcutTable* scanned) {
    for (int i = 0; i < scanned->nCount; ++i) {
        for (int j = 0; j < CurrentShortcutTable.nCount; ++j) {
            const ShortcutEntry& old = CurrentShortcutTable.pEntries[j];
            if (lstrcmpiA(scanned->pEntries[i].szLinkPath, old.szLinkPath) == 0 && !old.fShown)
                scanned->pEntries[i].fRefusalTold = old.fRefusalTold;
        }
    }
}

bool TablesEqual(const ShortcutTable& a, const ShortcutTable& b) {
    if (a.nCount != b.nCount) return false;
    for (int i = 0; i < a.nCount; ++i) {
        const ShortcutEntry& x = a.pEntries[i];
        const ShortcutEntry& y = b.pEntries[i];
        if (lstrcmpA(x.szName, y.szName) != 0 || lstrcmpA(x.szLinkPath, y.szLinkPath) != 0 ||
            lstrcmpA(x.szIconSource, y.szIconSource) != 0 || x.iIcon != y.iIcon)
            return false;
    }
    return true;
}

// Offers the wizard when the folder holds no shortcut; ends the program when
// the user declines or the wizard cannot start. When the wizard ends, the
// folder is looked at again (CloseWithoutShortcuts).
void PromptForFirstShortcut(ShortcutTable* empty) {
    RemoveTrayIcons();
    wsprintfA(MessageText,
              "Der %s Ordner enthält keine Verknüpfungen.\n\n%s startet jetzt einen Assistenten mit dem\n"
              "Sie eine Verknüpfung erstellen können, die in der\nTask-Leiste angezeigt wird.",
              "Ombrix+", "Ombrix+");
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
    wsprintfA(MessageText,
              "Ombrix+ kann höchstens %d Verknüpfungen in der Task-Leiste anzeigen.\n\n"
              "%d Verknüpfungen des Ordners werden nicht angezeigt.",
              MaxTrayIcons, leftOut);
    ShowProgramMessage(MessageText, MB_ICONINFORMATION);
}

}  // namespace

void RebuildTrayIcons() {
    ShortcutTable scanned;
    if (!ScanShortcutFolder(&scanned)) {
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
    KeepFirstShortcutEntries(&scanned, MaxTrayIcons);

    if (TablesEqual(scanned, CurrentShortcutTable)) {
        FreeShortcutTable(&scanned);
    } else {
        CarryRefusals(&scanned);
        RemoveTrayIcons();
        // Current before the first icon exists: a click during an add-failure
        // message finds its entry.
        CurrentShortcutTable = scanned;
        if (!AddTrayIcons()) {
            PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
            return;
        }
    }
    ReportLeftOutShortcuts(leftOut);
}

void RefreshTrayMarks() {
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAA data = IconData(i, NIF_ICON);
        data.hIcon = MarkedIcon(CurrentShortcutTable.pEntries[i]);
        CallNotifyIcon(NIM_MODIFY, &data);
    }
}

void RefreshTrayTips() {
    bool withQuickInfo = IsOptionOn(Settings.szQuickInfo);
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAA data = IconData(i, NIF_TIP);
        char tip[64];
        BuildTip(CurrentShortcutTable.pEntries[i], withQuickInfo, tip);
        lstrcpynA(data.szTip, tip, sizeof tip);
        CallNotifyIcon(NIM_MODIFY, &data);
    }
}

// Refused icons are deleted too: an add that timed out may still have got
// through.
void RemoveTrayIcons() {
    if (!CurrentShortcutTable.pEntries) return;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAA data = IconData(i, 0);
        CallNotifyIcon(NIM_DELETE, &data);
    }
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
    bool withQuickInfo = IsOptionOn(Settings.szQuickInfo);
    int tried = TriedIconCount < CurrentShortcutTable.nCount ? TriedIconCount : CurrentShortcutTable.nCount;
    for (int i = 0; i < tried; ++i) CurrentShortcutTable.pEntries[i].fShown = AddTrayIcon(i, withQuickInfo) != FALSE;
}
