#include "tray/trayicons.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/text.h"
#include "app/trace.h"
#include "tray/iconadder.h"
#include "tray/iconids.h"
#include "tray/linkoverlay.h"
#include "tray/shortcuts.h"
#include "ui/wizard.h"

UINT TaskbarCreatedMessage;
const char* TaskbarWindowClass = "Shell_TrayWnd";
RetryBackOff TrayRetryBackOff = {1000, 64000};

namespace {

// The menu commands derived from an index (500 + i ... 900 + i) stay apart
// only below 100, so no more icons than that are shown.
constexpr int MaxTrayIcons = 100;
// What fits the tooltip of NOTIFYICONDATAW from its second version on, without
// its NUL.
constexpr int MaxTipLength = 127;

// How many entries of CurrentShortcutTable the adding has reached: all of
// them, except while the icons are being brought up to date (a message sent
// by another thread may arrive meanwhile).
int TriedIconCount;
// The numbers of shortcuts left out (beyond MaxTrayIcons, and with a path too
// long) that the user was last told about.
int ReportedLeftOutCount;
int ReportedTooLongCount;
// The shortcuts beyond MaxTrayIcons, kept with their names and file times so
// that the next scan need not read them again; never with pictures, which
// 3,000 shortcuts would hold past the system's limit on objects per process.
ShortcutTable LeftOutEntries;

// The retry of refused adds and of a folder that could not be listed: a
// one-shot timer the main loop waits on, and the delay it is armed with (0
// while it is not).
UniqueKernelHandle RetryTimer;
DWORD RetryDelayMs;
// The last scan could not list the folder: the icons stay as they were.
bool FolderUnseen;

NOTIFYICONDATAW IconData(UINT iconId, UINT flags) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = TrayWindow;
    data.uID = iconId;
    data.uFlags = flags;
    return data;
}

NOTIFYICONDATAW IconData(const ShortcutEntry& entry, UINT flags) {
    return IconData(entry.uIconId, flags);
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

// Picture and tooltip of an entry, for an add or a change of its icon.
NOTIFYICONDATAW EntryIconData(const ShortcutEntry& entry, UINT flags) {
    NOTIFYICONDATAW data = IconData(entry, flags | NIF_ICON | NIF_TIP);
    data.hIcon = MarkedIcon(entry);
    BuildTip(entry, IsOptionOn(Settings.szQuickInfo), data.szTip);
    return data;
}

// Asks for the keyboard behaviour of newer shells, which still sends WM_USER
// with the identifier in wParam and the mouse message in lParam. The shell
// forgets it with every add, so it follows each one: once the icons of one
// pass are added, for each that was. Asked for between the adds, it cost
// Wine's tray as much again as the adds themselves (see docs/performance.md).
void RequestKeyboardVersions(ShortcutEntry* entries, int first, int end) {
    for (int i = first; i < end; ++i) {
        ShortcutEntry& entry = entries[i];
        if (!entry.fShown) continue;
        NOTIFYICONDATAW data = IconData(entry, 0);
        data.uVersion = NOTIFYICON_VERSION;
        entry.fKeyboard = CallNotifyIcon(NIM_SETVERSION, &data) != FALSE;
    }
    TraceMark("tray.versions");
}

// Until its keyboard behaviour is asked for, the icon sends plain mouse messages.
BOOL AddTrayIcon(ShortcutEntry& entry) {
    NOTIFYICONDATAW data = EntryIconData(entry, NIF_MESSAGE);
    data.uCallbackMessage = WM_USER;
    entry.fKeyboard = false;
    TraceMark("tray.prepare");
    SetLastError(ERROR_SUCCESS);
    BOOL added = CallNotifyIcon(NIM_ADD, &data);
    TraceMark("tray.add");
    return added;
}

void DeleteTrayIcon(const ShortcutEntry& entry) {
    NOTIFYICONDATAW data = IconData(entry, 0);
    CallNotifyIcon(NIM_DELETE, &data);
}

// Puts the entry's icon behind the others. One shown before goes first (the
// shell refuses an identifier twice), and so does one whose add failed: it
// may still have got through. A refused add waits for the retry: at logon the
// taskbar can exist and still refuse for a while, with any error or none.
void AddAtEnd(ShortcutEntry& entry) {
    if (entry.fShown || entry.fWaiting) DeleteTrayIcon(entry);
    entry.fShown = AddTrayIcon(entry) != FALSE;
    entry.fWaiting = !entry.fShown;
}

// Adds the icons of entry first and every later one again, in table order.
void AddIconsFrom(int first) {
    for (TriedIconCount = first; TriedIconCount < CurrentShortcutTable.nCount; ++TriedIconCount)
        AddAtEnd(CurrentShortcutTable.pEntries[TriedIconCount]);
    RequestKeyboardVersions(CurrentShortcutTable.pEntries, first, CurrentShortcutTable.nCount);
}

bool AnyIconWaiting() {
    const ShortcutEntry* begin = CurrentShortcutTable.pEntries;
    const ShortcutEntry* end = begin + CurrentShortcutTable.nCount;
    return std::any_of(begin, end, [](const ShortcutEntry& e) { return e.fWaiting; });
}

void ArmRetry(DWORD delayMs) {
    if (!RetryTimer) RetryTimer.reset(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(delayMs) * 10000;  // relative, in 100 ns units
    if (RetryTimer && SetWaitableTimer(RetryTimer.get(), &due, 0, nullptr, nullptr, FALSE)) RetryDelayMs = delayMs;
}

void StopRetry() {
    if (RetryTimer) CancelWaitableTimer(RetryTimer.get());
    RetryDelayMs = 0;
}

// Starts the retry for icons that wait or a folder not seen, unless it runs
// already (a rescan meanwhile does not move the back-off on); stops it when
// there is nothing to try again.
void ScheduleRetry() {
    if (!AnyIconWaiting() && !FolderUnseen)
        StopRetry();
    else if (RetryDelayMs == 0)
        ArmRetry(TrayRetryBackOff.firstMs);
}

// Once the back-off has run out, an icon still refused is refused for good,
// unless no taskbar window is there at all: then the icons wait for a new
// taskbar ("TaskbarCreated"), tried at the longest delay meanwhile.
void EndBackOff() {
    if (!FindWindowA(TaskbarWindowClass, nullptr)) {
        ArmRetry(TrayRetryBackOff.lastMs);
        return;
    }
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) CurrentShortcutTable.pEntries[i].fWaiting = false;
}

// Whether the shell shows an entry as it shows `shown`: same identifier,
// name and picture source, for files not written since (a written one may
// have a new picture). One read again although its files look unchanged
// (too fresh to trust before) must also show the same pixels.
bool SameEntry(const ShortcutEntry& shown, const ShortcutEntry& now) {
    if (shown.uIconId != now.uIconId || shown.iIcon != now.iIcon || !SameShortcutFiles(shown, now) ||
        wcscmp(shown.szName, now.szName) != 0 || wcscmp(shown.szIconSource, now.szIconSource) != 0)
        return false;
    return !now.fFresh ||
           (SamePicture(shown.hOverlayIcon, now.hOverlayIcon) && SamePicture(shown.hPlainIcon, now.hPlainIcon));
}

bool TablesEqual(const ShortcutTable& shown, const ShortcutTable& now) {
    if (shown.nCount != now.nCount) return false;
    for (int i = 0; i < now.nCount; ++i)
        if (!SameEntry(shown.pEntries[i], now.pEntries[i])) return false;
    return true;
}

// What the shell knows of each icon, and whether the user was told of its
// refusal, move to the entry of the same identifier.
void CarryIconState(const ShortcutTable& shown, ShortcutTable* now) {
    for (int i = 0; i < now->nCount; ++i) {
        ShortcutEntry& entry = now->pEntries[i];
        if (const ShortcutEntry* old = FindById(shown, entry.uIconId)) {
            entry.fShown = old->fShown;
            entry.fKeyboard = old->fKeyboard;
            entry.fWaiting = old->fWaiting;
            entry.fRefusalTold = old->fRefusalTold;
        }
    }
}

// How many entries at the start of CurrentShortcutTable the shell already
// shows in this order.
int ShownInOrder(const ShortcutTable& shown) {
    int kept = 0;
    for (int j = 0; j < shown.nCount && kept < CurrentShortcutTable.nCount; ++j) {
        const ShortcutEntry& old = shown.pEntries[j];
        if (!old.fShown || !FindById(CurrentShortcutTable, old.uIconId)) continue;
        if (old.uIconId != CurrentShortcutTable.pEntries[kept].uIconId) break;
        ++kept;
    }
    return kept;
}

// Brings the icons from what `shown` showed to CurrentShortcutTable: icons of
// shortcuts that are gone go; the run at the start that the shell shows in
// order keeps its icons, a changed one gets its new picture and tooltip; from
// the first new or moved entry on, the icons are added again in order.
void UpdateTrayIcons(const ShortcutTable& shown) {
    for (int j = 0; j < shown.nCount; ++j) {
        const ShortcutEntry& old = shown.pEntries[j];
        if ((old.fShown || old.fWaiting) && !FindById(CurrentShortcutTable, old.uIconId)) DeleteTrayIcon(old);
    }
    CarryIconState(shown, &CurrentShortcutTable);
    const int kept = ShownInOrder(shown);
    int first = kept;
    for (int i = 0; i < kept; ++i) {
        const ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        if (SameEntry(*FindById(shown, entry.uIconId), entry)) continue;
        NOTIFYICONDATAW data = EntryIconData(entry, 0);
        // A change the shell refuses leaves no old picture under a new
        // meaning: the icon is added again, and so are those after it.
        if (!CallNotifyIcon(NIM_MODIFY, &data)) {
            first = i;
            break;
        }
    }
    AddIconsFrom(first);
}

// Tells the user of each shortcut whose icon the shell refused, once while it
// keeps failing, and not while any icon waits for the retry. False when the
// program was closed meanwhile (the messages run message loops).
bool TellRefusals() {
    for (int i = 0; !AnyIconWaiting() && i < CurrentShortcutTable.nCount; ++i) {
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        if (entry.fShown || entry.fRefusalTold) continue;
        entry.fRefusalTold = true;
        wsprintfW(MessageText, L"Hinzufügen von '%s' in die Task-Leiste fehlgeschlagen.", entry.szName);
        ShowProgramMessage(MessageText, 0);
        if (!IsWindow(TrayWindow)) return false;
    }
    return true;
}

// Once the icons are brought up to date: the retry armed for waiting ones,
// the refusals told, and the program closed when no icon is shown nor waits.
void SettleTrayIcons() {
    ScheduleRetry();
    if (!TellRefusals()) return;
    const ShortcutEntry* begin = CurrentShortcutTable.pEntries;
    const ShortcutEntry* end = begin + CurrentShortcutTable.nCount;
    if (std::none_of(begin, end, [](const ShortcutEntry& e) { return e.fShown || e.fWaiting; }))
        PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
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

// Whether a number of shortcuts without an icon is news to tell: not 0, and
// not what was told last.
bool NewToTell(int* told, int number) {
    const bool changed = number != *told;
    *told = number;
    return changed && number != 0;
}

// Tells the user, once per change of each number, how many shortcuts have no
// icon: those beyond the ones shown, and those whose path is too long to open.
void ReportLeftOutShortcuts(int leftOut, int tooLong) {
    if (NewToTell(&ReportedLeftOutCount, leftOut)) {
        wsprintfW(MessageText,
                  L"Ombrix+ kann höchstens %d Verknüpfungen in der Task-Leiste anzeigen.\n\n"
                  L"%d Verknüpfungen des Ordners werden nicht angezeigt.",
                  MaxTrayIcons, leftOut);
        ShowProgramMessage(MessageText, MB_ICONINFORMATION);
    }
    if (IsWindow(TrayWindow) && NewToTell(&ReportedTooLongCount, tooLong)) {
        wsprintfW(MessageText,
                  L"%d Verknüpfungen des Ordners werden nicht angezeigt:\n"
                  L"ihr Pfad ist länger als %d Zeichen.",
                  tooLong, MAX_PATH - 1);
        ShowProgramMessage(MessageText, MB_ICONINFORMATION);
    }
}

// Replaces CurrentShortcutTable by an equal scanned one, which holds the
// icons it took over; the shell keeps its pictures.
void AdoptEqualTable(ShortcutTable* scanned) {
    CarryIconState(CurrentShortcutTable, scanned);
    FreeShortcutTable(&CurrentShortcutTable);
    CurrentShortcutTable = *scanned;
}

// Replaces CurrentShortcutTable by a different scanned one and brings the
// icons in step; the old entries' pictures go once the shell has the new ones.
void ShowChangedTable(ShortcutTable* scanned) {
    ShortcutTable shown = CurrentShortcutTable;
    CurrentShortcutTable = *scanned;
    UpdateTrayIcons(shown);
    FreeShortcutTable(&shown);
    SettleTrayIcons();
}

// An icon added while the first scan ran: its identifier then, and its shortcut.
struct EarlyIcon {
    UINT uIconId;
    WCHAR szLinkPath[MAX_PATH];
};

void DeleteEarlyIcons(const std::vector<EarlyIcon>& added, size_t from) {
    for (size_t j = from; j < added.size(); ++j) {
        NOTIFYICONDATAW data = IconData(added[j].uIconId, 0);
        CallNotifyIcon(NIM_DELETE, &data);
    }
}

// Adds the icons of the first entries as they are read, each read as far as
// its shown picture needs; how many were tried.
int AddIconsAsRead(ShortcutScan* scan, ShortcutParts shown) {
    int count = 0;
    {
        IconAdder adder(scan->table.pEntries, AddAtEnd);
        // A program closed before the scan (its dialogs run message loops) adds none.
        for (; count < MaxTrayIcons && IsWindow(TrayWindow) && ReadNextShortcut(scan, shown); ++count) {
            TraceMark("reader.wait");
            adder.Hand(count + 1);
        }
    }
    TraceMark("adder.finish");
    if (IsWindow(TrayWindow)) RequestKeyboardVersions(scan->table.pEntries, 0, count);
    return count;
}

// The first scan, while nothing is shown: each icon is added as soon as its
// entry is read, in the order of the file names, so that the shell takes an
// icon while the next entry is read. Of an entry, only what its shown picture
// needs is read before its icon is added; the rest once all icons are.
// A program closed meanwhile gets an empty table.
FolderListing ScanAddingIcons(ShortcutTable* scanned, std::vector<EarlyIcon>* added) {
    ShortcutScan scan;
    *scanned = ShortcutTable{};
    const FolderListing listing = BeginShortcutScan(&scan, nullptr, nullptr);
    if (listing != FolderListing::Listed) return listing;
    if (IsOptionOn(Settings.szSort)) OrderByFileName(&scan);
    // From the file names alone, as the finished table will mostly have them.
    AssignIconIds(&scan.table, LeftOutEntries);
    const ShortcutParts shown =
        IsOptionOn(Settings.szMarkLinks) ? ShortcutParts::MarkedPicture : ShortcutParts::PlainPicture;
    const int count = AddIconsAsRead(&scan, shown);
    for (int i = 0; i < count; ++i) {
        added->push_back(EarlyIcon{scan.table.pEntries[i].uIconId, {}});
        lstrcpynW(added->back().szLinkPath, scan.table.pEntries[i].szLinkPath, MAX_PATH);
    }
    if (!IsWindow(TrayWindow)) {
        DeleteEarlyIcons(*added, 0);
        FreeShortcutTable(&scan.table);
        return FolderListing::Listed;
    }
    FinishShortcutScan(&scan, scanned, MaxTrayIcons);
    return FolderListing::Listed;
}

// After the first scan: the icons added while it ran stay as long as the
// table has the same shortcuts with the same identifiers in their places;
// from the first place that differs on (a name the shell shows otherwise than
// its file name, a shortcut gone meanwhile) they go and are added again.
void ShowFirstTable(ShortcutTable* scanned, const std::vector<EarlyIcon>& added) {
    CurrentShortcutTable = *scanned;
    int kept = 0;
    while (kept < static_cast<int>(added.size()) && kept < CurrentShortcutTable.nCount) {
        const ShortcutEntry& entry = CurrentShortcutTable.pEntries[kept];
        if (entry.uIconId != added[kept].uIconId || !SameLinkPath(entry, added[kept].szLinkPath)) break;
        ++kept;
    }
    DeleteEarlyIcons(added, static_cast<size_t>(kept));
    for (int i = kept; i < CurrentShortcutTable.nCount; ++i) {
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        entry.fShown = entry.fWaiting = entry.fKeyboard = false;
    }
    AddIconsFrom(kept);
    SettleTrayIcons();
}

}  // namespace

bool RebuildTrayIcons() {
    ShortcutTable scanned;
    std::vector<EarlyIcon> added;
    const bool first = CurrentShortcutTable.nCount == 0 && LeftOutEntries.nCount == 0;
    const FolderListing listing =
        first ? ScanAddingIcons(&scanned, &added)
              : ScanShortcutFolder(&scanned, MaxTrayIcons, &CurrentShortcutTable, &LeftOutEntries);
    TraceMark("scan");
    FolderUnseen = listing == FolderListing::Unreadable;
    if (FolderUnseen) {
        ScheduleRetry();
        return false;
    }
    if (listing == FolderListing::Listed) {
        AssignIconIds(&scanned, LeftOutEntries);
        ForgetPendingRename();
    }
    TraceMark("ids");
    FreeShortcutTable(&LeftOutEntries);  // what the scan did not take over
    if (listing == FolderListing::NoMemory) {
        PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
        return true;
    }
    // Closed while the scan ran (its dialogs run message loops): no window is
    // left to show icons for.
    if (!IsWindow(TrayWindow)) {
        FreeShortcutTable(&scanned);
        return true;
    }
    if (scanned.nCount == 0) {
        DeleteEarlyIcons(added, 0);  // their shortcuts went while the scan ran
        PromptForFirstShortcut(&scanned);
        return true;
    }
    const int leftOut = scanned.nCount > MaxTrayIcons ? scanned.nCount - MaxTrayIcons : 0;
    const int tooLong = scanned.nTooLong;
    MoveLaterShortcutEntries(&scanned, MaxTrayIcons, &LeftOutEntries);

    if (first) {
        ShowFirstTable(&scanned, added);
        TraceMark("shown");
        if (!IsWindow(TrayWindow)) return true;
    } else if (TablesEqual(CurrentShortcutTable, scanned)) {
        AdoptEqualTable(&scanned);
    } else {
        ShowChangedTable(&scanned);
        TraceMark("shown");
        if (!IsWindow(TrayWindow)) return true;
    }
    ReportLeftOutShortcuts(leftOut, tooLong);
    return true;
}

void RefreshTrayMarks() {
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAW data = IconData(CurrentShortcutTable.pEntries[i], NIF_ICON);
        data.hIcon = MarkedIcon(CurrentShortcutTable.pEntries[i]);
        CallNotifyIcon(NIM_MODIFY, &data);
    }
}

bool RemakeTrayPictures(bool show) {
    if (!UpdateTrayPictureSize()) return false;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) ReadShortcutPictures(&CurrentShortcutTable.pEntries[i]);
    if (show) RefreshTrayMarks();
    return true;
}

void RefreshTrayTips() {
    bool withQuickInfo = IsOptionOn(Settings.szQuickInfo);
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        NOTIFYICONDATAW data = IconData(CurrentShortcutTable.pEntries[i], NIF_TIP);
        BuildTip(CurrentShortcutTable.pEntries[i], withQuickInfo, data.szTip);
        CallNotifyIcon(NIM_MODIFY, &data);
    }
}

// Refused icons are deleted too: an add that timed out may still have got
// through. Nothing shown is nothing told: the next scan tells again, as the
// first one after a restart does.
void RemoveTrayIcons() {
    FreeShortcutTable(&LeftOutEntries);
    FolderUnseen = false;
    ReportedLeftOutCount = ReportedTooLongCount = 0;  // a new start tells again
    StopRetry();
    if (!CurrentShortcutTable.pEntries) return;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) DeleteTrayIcon(CurrentShortcutTable.pEntries[i]);
    TriedIconCount = 0;
    FreeShortcutTable(&CurrentShortcutTable);
}

void CloseWithoutShortcuts() {
    ShortcutTable scanned;
    if (ScanShortcutFolder(&scanned, 0) != FolderListing::Listed) return;
    bool none = scanned.nCount == 0;
    FreeShortcutTable(&scanned);
    if (none) PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
}

int FindIconIndex(UINT iconId) {
    const ShortcutEntry* entry = FindById(CurrentShortcutTable, iconId);
    return entry ? static_cast<int>(entry - CurrentShortcutTable.pEntries) : -1;
}

bool IconHasKeyboardVersion(UINT iconId) {
    const ShortcutEntry* entry = FindById(CurrentShortcutTable, iconId);
    return entry && entry->fKeyboard;
}

void RegisterTaskbarCreatedMessage() {
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
}

// A new taskbar has none of the icons, or (sent again on some display
// changes) still has them: every one tried so far is deleted and added again,
// in order, and the retry starts afresh for what it refuses.
void RestoreTrayIcons() {
    int tried = std::min(TriedIconCount, CurrentShortcutTable.nCount);
    for (int i = 0; i < tried; ++i) AddAtEnd(CurrentShortcutTable.pEntries[i]);
    RequestKeyboardVersions(CurrentShortcutTable.pEntries, 0, tried);
    StopRetry();
    ScheduleRetry();
}

HANDLE TrayRetryTimer() {
    return RetryDelayMs ? RetryTimer.get() : nullptr;
}

// A folder not seen is scanned again, as long as it takes; once it is
// listed, the scan brings the icons in step. Otherwise the first icon still
// waiting and every one after it are added again, so the order stays the
// table's. The delay doubles for what still waits.
void RetryWaitingIcons() {
    const DWORD lastDelayMs = RetryDelayMs;
    const DWORD nextDelayMs =
        lastDelayMs ? std::min(lastDelayMs * 2, TrayRetryBackOff.lastMs) : TrayRetryBackOff.firstMs;
    RetryDelayMs = 0;
    if (FolderUnseen) {
        if (!RebuildTrayIcons()) ArmRetry(nextDelayMs);
        return;
    }
    if (!AnyIconWaiting()) return;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        if (!CurrentShortcutTable.pEntries[i].fWaiting) continue;
        AddIconsFrom(i);
        break;
    }
    if (AnyIconWaiting()) {
        if (lastDelayMs >= TrayRetryBackOff.lastMs)
            EndBackOff();
        else
            ArmRetry(nextDelayMs);
    }
    SettleTrayIcons();
}
