#include "app/app.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "about/about.h"
#include "app/environment.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/text.h"
#include "app/trace.h"
#include "desktopmenu/desktopmenu.h"
#include "options/companion.h"
#include "options/integration.h"
#include "options/options.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"

HINSTANCE AppInstance;
HWND TrayWindow;
WCHAR ProgramFolder[MAX_PATH];
WCHAR RunCommand[MAX_PATH];
WCHAR VerbCommand[MAX_PATH];
WCHAR UninstallCommand[MAX_PATH];
WCHAR IniPath[MAX_PATH];
UniqueChangeNotification ChangeHandle;
MainLoopCounters LoopCounters;

const WCHAR* const TrayWindowClass = L"Ombrix+WndClass";
const char* const InstanceGuardName = "Ombrix+";

namespace {

// Every kind of input wakes the loop (0xFF); there is no time-out.
constexpr DWORD MainLoopWakeMask =
    QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;

// The executable's path as the system knows it, in its long form where the
// shell can give one. False when the path does not fit MAX_PATH.
bool GetExecutablePath(HINSTANCE instance, WCHAR* path) {
    DWORD len = GetModuleFileNameW(instance, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return false;
    WCHAR longPath[MAX_PATH];
    if (GetLongPathForm(path, longPath)) lstrcpynW(path, longPath, MAX_PATH);
    return true;
}

void ShowPathTooLongMessage() {
    ShowProgramMessage(
        L"Der Pfad des Programms ist zu lang.\n\n"
        L"Bitte verschieben Sie den Ombrix+ Ordner\n"
        L"an einen Ort mit einem kürzeren Pfad.",
        MB_ICONERROR);
}

// A burst of changes (a shortcut saved in several steps, a copy of many
// files) leads to one rescan this long after its first change.
constexpr LONGLONG RescanDelay = 200 * 10000;  // 200 ms in 100 ns units

// The one-shot timer of the rescan, and whether it is armed.
UniqueKernelHandle RescanTimer;
bool RescanPending;
// While the watch is broken (its folder gone, a share dropped), the rescan
// timer opens it again after this delay, which doubles on the retry timer's
// back-off while it keeps failing; 0 while the watch works.
DWORD ReopenDelayMs;
// A watch still signalled right after it was armed again, this many times in
// a row, is taken for broken: one that reports real changes rests now and then.
constexpr int MaxBusyWakes = 100;
int BusyWakes;

bool ArmRescan(LONGLONG due100ns) {
    LARGE_INTEGER due;
    due.QuadPart = -due100ns;
    RescanPending = SetWaitableTimer(RescanTimer.get(), &due, 0, nullptr, nullptr, FALSE) != FALSE;
    return RescanPending;
}

void OpenWatchHandle() {
    constexpr DWORD filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;
    ChangeHandle.reset(FindFirstChangeNotificationW(ProgramFolder, FALSE, filter));
    BusyWakes = 0;
}

// A watch that cannot be opened or armed again would wake the loop without
// end or never again: it is closed, and the rescan timer opens it again.
void ReopenWatchLater() {
    ChangeHandle.reset();
    ReopenDelayMs = ReopenDelayMs ? std::min(ReopenDelayMs * 2, TrayRetryBackOff.lastMs) : TrayRetryBackOff.firstMs;
    ArmRescan(static_cast<LONGLONG>(ReopenDelayMs) * 10000);
}

bool WatchStaysSignalled() {
    if (WaitForSingleObject(ChangeHandle.get(), 0) != WAIT_OBJECT_0) BusyWakes = 0;
    else ++BusyWakes;
    return BusyWakes >= MaxBusyWakes;
}

// The watch is armed again at once: a change made before this point is in
// what the coming scan reads, one made after it signals the watch again.
// Re-arming after the rebuild would lose, on systems that do not keep the
// changes of an unarmed watch (Wine), every change made during the scan.
void OnFolderChanged() {
    if (!FindNextChangeNotification(ChangeHandle.get()) || WatchStaysSignalled()) {
        ReopenWatchLater();
        return;
    }
    if (RescanPending) return;
    if (!ArmRescan(RescanDelay)) OnRescanDue();
}

// The shell's first answer about a file sets up its lists of icons, which
// costs about as much as everything else before the first shortcut is read
// (several times what reading one costs). A thread asks the shell once
// meanwhile, with a made-up name so that no file is touched; the lists it
// sets up belong to the shell. The start-up waits for it before it goes on
// to the main loop or ends.
class ShellWarmUp {
public:
    ShellWarmUp() : thread_(CreateThread(nullptr, 0, Run, nullptr, 0, nullptr)) {}
    ~ShellWarmUp() {
        if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
    }
    ShellWarmUp(const ShellWarmUp&) = delete;
    ShellWarmUp& operator=(const ShellWarmUp&) = delete;

private:
    static DWORD WINAPI Run(void*) {
        ComScope com;
        SHFILEINFOW info = {};
        SHGetFileInfoW(L"Ombrix+.lnk", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        return 0;
    }
    UniqueKernelHandle thread_;
};

}  // namespace

// A broken watch is opened again before the scan, so that a change made
// after the scan started signals it.
void OnRescanDue() {
    RescanPending = false;
    if (!ChangeHandle) OpenWatchHandle();
    if (ChangeHandle) ReopenDelayMs = 0;
    const bool listed = RebuildTrayIcons();
    TraceMark("rescan");
    if (listed) NotifyCompanion(CompanionAddTrayIconMessage);
    if (!ChangeHandle && IsWindow(TrayWindow)) ReopenWatchLater();
}

// The change notification on ProgramFolder: file names created, deleted or
// renamed directly in the folder, and files written there (a shortcut given
// a new icon in its property sheet keeps its name).
void OpenFolderWatch() {
    if (!RescanTimer) RescanTimer.reset(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    RescanPending = false;
    ReopenDelayMs = 0;
    OpenWatchHandle();
    if (!ChangeHandle) ReopenWatchLater();
}

BOOL RegisterTrayWindowClass(HINSTANCE instance) {
    // A Unicode window: menu characters and setting names arrive as UTF-16.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TrayWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = TrayWindowClass;
    return RegisterClassW(&wc) != 0;
}

HWND CreateTrayWindow(HINSTANCE instance) {
    TrayWindow = CreateWindowExW(WS_EX_TOOLWINDOW, TrayWindowClass, L"Ombrix+", WS_POPUP, -100, -100, 0, 0,
                                 nullptr, nullptr, instance, nullptr);
    return TrayWindow;
}

bool GetLongPathForm(const WCHAR* path, WCHAR* longPath) {
    WCHAR widePath[MAX_PATH];
    if (!CopyText(widePath, path)) return false;  // ParseDisplayName wants a writable text
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.put()))) return false;
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) return false;
    ShellItemList item(allocator.get());
    if (FAILED(desktop->ParseDisplayName(TrayWindow, nullptr, widePath, nullptr, item.put(), nullptr))) return false;
    WCHAR buffer[MAX_PATH];
    if (!SHGetPathFromIDListW(item.get(), buffer)) return false;
    lstrcpynW(longPath, buffer, MAX_PATH);
    return true;
}

bool DeriveProgramPaths(const WCHAR* exePath) {
    if (!CopyText(RunCommand, exePath)) return false;
    if (!CopyText(VerbCommand, exePath) || !AppendText(VerbCommand, L" %1")) return false;
    if (!CopyText(UninstallCommand, exePath) || !AppendText(UninstallCommand, L" /uninstall")) return false;
    // The registry holds each command with the path in quotes: a start whose
    // entries could not be written is refused like any other path too long.
    WCHAR stored[MAX_PATH];
    if (!MakeStoredCommand(VerbCommand, stored) || !MakeStoredCommand(UninstallCommand, stored)) return false;

    WCHAR stem[MAX_PATH];
    lstrcpynW(stem, exePath, MAX_PATH);
    if (WCHAR* dot = wcsrchr(stem, L'.')) *dot = L'\0';
    if (!CopyText(IniPath, stem) || !AppendText(IniPath, L".ini")) return false;

    lstrcpynW(ProgramFolder, exePath, MAX_PATH);
    if (WCHAR* slash = wcsrchr(ProgramFolder, L'\\')) *slash = L'\0';
    if (lstrlenW(ProgramFolder) == 2) lstrcatW(ProgramFolder, L"\\");  // a drive root keeps "C:\"
    return true;
}

const WCHAR* CommandLineArguments(const WCHAR* commandLine) {
    // The program's name as Windows takes it: in quotes up to the closing
    // quote, otherwise up to the first blank or tab.
    const WCHAR* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p > L' ') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

LaunchMode DecideLaunchMode(const WCHAR* arguments) {
    if (arguments[0] == L'\0') return LaunchMode::Normal;
    if (lstrcmpiW(arguments, L"/uninstall") == 0) return LaunchMode::Uninstall;
    return LaunchMode::CopyShortcut;
}

void CopyShortcutIntoFolder(const WCHAR* arguments) {
    // Both lists end in two NULs; a path that does not fit is no shortcut we can copy.
    WCHAR source[MAX_PATH + 1] = {};
    WCHAR target[MAX_PATH + 1] = {};
    bool isShortcut = EndsWithNoCase(arguments, L".lnk") || EndsWithNoCase(arguments, L".pif");
    // A folder named like a shortcut is no shortcut: copying it would bring a
    // whole tree into the program's folder.
    DWORD attributes = isShortcut ? GetFileAttributesW(arguments) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) isShortcut = false;
    if (!isShortcut || !CopyText(source, MAX_PATH, arguments)) {
        CallMessageBox(nullptr, L"Fehler beim Kopieren der Verknüpfung.", L"Ombrix+", MB_ICONERROR);
        return;
    }
    lstrcpynW(target, ProgramFolder, MAX_PATH);
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_COPY;
    op.pFrom = source;
    op.pTo = target;
    // A shortcut of the same name may be one the user edited: the shell asks
    // before replacing it. The user is there (the verb was just chosen) and
    // sees in the shell's own dialog which file stays; keeping both under a
    // made-up name would give the tray a second icon nobody asked for.
    op.fFlags = FOF_SILENT | FOF_ALLOWUNDO;
    SHFileOperationW(&op);
}

bool AnotherInstanceRuns() {
    // The mapping is never closed: it marks this process as the first instance
    // until the process ends.
    HANDLE guard = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, InstanceGuardName);
    return guard != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

void LoadStartupSettings() {
    LoadSettings();
    if (SettingsFileExists()) return;
    ShowFirstRunMessage();
    ShowOptionsDialog();
}

BOOL InitApplication(HINSTANCE instance, const WCHAR* arguments) {
    ShellWarmUp warmUp;
    AppInstance = instance;
    if (!RegisterTrayWindowClass(instance)) return FALSE;
    if (!CreateTrayWindow(instance)) return FALSE;
    TraceMark("window");

    WCHAR exePath[MAX_PATH];
    if (!GetExecutablePath(instance, exePath) || !DeriveProgramPaths(exePath)) {
        ShowPathTooLongMessage();
        return FALSE;
    }
    TraceMark("paths");

    switch (DecideLaunchMode(arguments)) {
    case LaunchMode::Normal:
        break;
    case LaunchMode::Uninstall:
        RunUninstall();
        return FALSE;
    case LaunchMode::CopyShortcut:
        CopyShortcutIntoFolder(arguments);
        return FALSE;
    }

    if (AnotherInstanceRuns()) {
        ShowAboutDialog();
        return FALSE;
    }
    TraceMark("instance");

    // What the registry's environment holds now came from the logon; a later
    // refresh takes out what it no longer holds.
    RememberRegistryEnvironment();
    TraceMark("environment");
    RegisterCompanionMessages();
    RegisterTaskbarCreatedMessage();
    LoadStartupSettings();
    TraceMark("settings");
    // Closed from within the first-run dialog: nothing is left to run for.
    if (!IsWindow(TrayWindow)) return FALSE;
    RebuildTrayIcons();
    TraceMark("rebuild");
    if (IsOptionOn(Settings.szCompanion)) StartCompanion();
    ResetDesktopIcons();
    OpenFolderWatch();
    TraceMark("watch");
    return TRUE;
}

namespace {

// What the main loop waits on besides its messages, each with what to do
// when it is signalled. Only this loop runs them, never a dialog's or a
// menu's nested one, which would rebuild the icons under a running command.
struct LoopWait {
    HANDLE handle;
    void (*run)();
};

DWORD CollectLoopWaits(LoopWait (&waits)[3]) {
    DWORD count = 0;
    if (ChangeHandle) waits[count++] = {ChangeHandle.get(), OnFolderChanged};
    if (RescanPending) waits[count++] = {RescanTimer.get(), OnRescanDue};
    if (HANDLE retry = TrayRetryTimer()) waits[count++] = {retry, RetryWaitingIcons};
    return count;
}

}  // namespace

void RunMainLoop() {
    MSG msg;
    for (;;) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            continue;
        }
        // The queue is empty: sleep until input arrives, the folder changes or
        // a timer of the program is due.
        LoopWait waits[3];
        HANDLE handles[3];
        const DWORD count = CollectLoopWaits(waits);
        for (DWORD i = 0; i < count; ++i) handles[i] = waits[i].handle;
        DWORD result = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, MainLoopWakeMask);
        InterlockedIncrement(&LoopCounters.nWakeups);
        TraceMark("wake", static_cast<int>(result));
        // An input wake-up is never taken for a folder change.
        if (result >= WAIT_OBJECT_0 + count) continue;
        InterlockedIncrement(&LoopCounters.nFolderChanges);
        waits[result - WAIT_OBJECT_0].run();
    }
}

void ShutDownApplication() {
    RemoveTrayIcons();
    NotifyCompanion(CompanionCloseMessage);
    ChangeHandle.reset();
    RescanTimer.reset();
    RescanPending = false;
    ReopenDelayMs = 0;
    if (TrayMenuRoot) {
        DestroyMenu(TrayMenuRoot);
        TrayMenuRoot = nullptr;
    }
    DestroyWindow(TrayWindow);
}
