#include "support/support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <tlhelp32.h>

#include "app/app.h"
#include "app/dpi.h"
#include "app/handles.h"
#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "options/integration.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "tray/linkoverlay.h"
#include "ui/traywindow.h"

namespace {

// The program initialises COM on its main thread for its whole run, and declares its DPI
// awareness before any window; so do the tests.
const ComScope TestThreadCom;
const bool DpiDeclared = (DeclareDpiAwareness(), true);
const DpiReader TaskbarDpiAsRead = ReadTaskbarDpi;

MessageBoxRecorder* liveBoxes;
TrayRecorder* liveTray;
DialogDriver* liveDriver;

int WINAPI RecordBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    liveBoxes->texts.push_back(text ? text : L"");
    return liveBoxes->answer;
}

BOOL WINAPI RecordIcon(DWORD message, PNOTIFYICONDATAW data) {
    TrayRecorder& tray = *liveTray;
    if (tray.refuse && tray.refuse(message, data->uID)) return FALSE;
    auto it = tray.shown.find(data->uID);
    if (message == NIM_SETVERSION && it != tray.shown.end()) it->second.keyboard = data->uVersion == NOTIFYICON_VERSION;
    if (message == NIM_SETFOCUS && it != tray.shown.end()) tray.focused = data->uID;
    if (message == NIM_SETVERSION || message == NIM_SETFOCUS) return it != tray.shown.end();
    if ((message == NIM_ADD) == (it != tray.shown.end())) return FALSE;
    if (message == NIM_DELETE) {
        tray.shown.erase(it);
        tray.order.erase(std::find(tray.order.begin(), tray.order.end(), data->uID));
        return TRUE;
    }
    if (message == NIM_ADD) tray.order.push_back(data->uID);  // the shell shows a new icon behind the others
    ShownIcon& icon = tray.shown[data->uID];
    if (message == NIM_ADD && (data->hWnd != TrayWindow || data->uCallbackMessage != WM_USER))
        icon.tip = L"?";
    else if (data->uFlags & NIF_TIP)
        icon.tip = data->szTip;
    if (data->uFlags & NIF_ICON) {
        icon.owned.reset(CopyIcon(data->hIcon), DestroyIcon);
        icon.icon = icon.owned.get();
    }
    return TRUE;
}

void CALLBACK DriverTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (liveDriver) liveDriver->Tick();
}

std::vector<std::pair<std::wstring, int>>* livePopups;  // the running test's

// The entry that Öffnen, Löschen, Umbenennen and Eigenschaften (ids 500, 600, 700 and 800 plus
// the entry) of the open popup are all for, or -1.
int SubmenuEntry() {
    const int entry = int(GetMenuItemID(ItemSubmenu, 0)) - 500;
    for (auto [position, base] : {std::pair{2, 600}, {3, 700}, {5, 800}})
        if (int(GetMenuItemID(ItemSubmenu, position)) - base != entry) return -1;
    return entry;
}

// Records the popup that is open, if any, then closes it.
void CALLBACK RecordPopup(HWND, UINT, UINT_PTR, DWORD) {
    if (!livePopups || !IsWindowVisible(FindWindowA("#32768", nullptr))) return;
    int position = 0;  // the shortcut submenu's, below the Desktop items if any
    while (position < GetMenuItemCount(TrayPopup) && GetSubMenu(TrayPopup, position) != ItemSubmenu) ++position;
    WCHAR caption[64] = {};
    GetMenuStringW(TrayPopup, UINT(position), caption, 64, MF_BYPOSITION);
    livePopups->push_back({caption, SubmenuEntry()});
    EndMenu();
}

constexpr DWORD kBackground = 0x00FF00FF;

}  // namespace

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], int(wide.size())) - 1);
    return wide;
}

bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                  const std::string& iconFile, int iconIndex) {
    return MakeShortcut(Wide(linkPath), Wide(target), Wide(arguments), Wide(iconFile), iconIndex);
}

// Wide and with the \\?\ prefix: the tests leave names the code page cannot
// spell and paths beyond MAX_PATH, which the ANSI calls cannot remove.
static void RemoveWideTree(const std::wstring& path, bool keepFolder = false) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        const std::wstring name = data.cFileName;
        const std::wstring full = path + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(full.c_str())) RemoveWideTree(full);
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    if (!keepFolder) RemoveDirectoryW(path.c_str());
}

static void RemoveTree(const std::string& path) { RemoveWideTree(L"\\\\?\\" + Wide(path)); }

TempFolder::TempFolder(const std::string& nameHint) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int counter;
    ++counter;
    path_ = temp + nameHint + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter);
    RemoveTree(path_);  // left over from an earlier run that was killed
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void EmptyFolder(const std::string& path) { RemoveWideTree(L"\\\\?\\" + Wide(path), true); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteBytes(const std::string& path, const std::string& bytes) { WriteBytes(Wide(path), bytes); }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadBytes(const std::string& path) { return ReadBytes(Wide(path)); }

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Names FolderNames(const std::string& folder) {
    Names names;
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    while (find) {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
        if (!FindNextFileA(find.get(), &data)) break;
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ToolsFolder() {  // the tests folder and the tools folder are siblings in the build tree
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe(path, length);
    return exe.substr(0, exe.find_last_of('\\', exe.find_last_of('\\') - 1)) + "\\tools";
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&msg)) TranslateMessage(&msg);
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
    }
}

void FinishStarts() {
    PumpUntil([] { return true; });
    UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId() || lstrcmpiA(entry.szExeFile, "marker.exe")) continue;
        UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        EXPECT_EQ(WaitForSingleObject(process.get(), 15000), WAIT_OBJECT_0) << "a start that never ended";
    }
}

Picture Drawn(int width, int height, const std::function<void(HDC)>& draw) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    UniqueGdiObject bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    Picture picture(size_t(width) * size_t(height), kBackground);
    std::copy(picture.begin(), picture.end(), static_cast<DWORD*>(bits));
    SelectedObject selected(dc.get(), bitmap.get());
    draw(dc.get());
    GdiFlush();
    std::copy(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + picture.size(), picture.begin());
    return picture;
}

Picture PictureOf(HICON icon) {
    const int cx = GetSystemMetrics(SM_CXSMICON);
    const int cy = GetSystemMetrics(SM_CYSMICON);
    return Drawn(cx, cy, [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL); });
}

Picture ShellPicture(const std::string& path) {
    SHFILEINFOA info = {};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
    UniqueIcon icon(info.hIcon);
    return PictureOf(icon.get());
}

Picture PlainPicture(const std::string& iconFile, int index) {
    HICON small = nullptr;
    ExtractIconExA(iconFile.c_str(), index, nullptr, &small, 1);
    UniqueIcon icon(small);
    return PictureOf(icon.get());
}

LONG IconWidth(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return 0;
    UniqueGdiObject color(info.hbmColor), mask(info.hbmMask);
    BITMAP shape = {};
    return GetObjectA(mask.get(), sizeof shape, &shape) ? shape.bmWidth : 0;
}

::testing::AssertionResult ArrowOver(const Picture& marked, const Picture& picture) {
    const size_t side = size_t(GetSystemMetrics(SM_CXSMICON));
    if (marked.size() != side * side || picture.size() != side * side) return ::testing::AssertionFailure() << "no picture";
    int outside = 0;
    int inside = 0;
    for (size_t i = 0; i < picture.size(); ++i) {
        if (marked[i] != picture[i]) ++(i % side < side / 2 && i / side >= side / 2 ? inside : outside);
    }
    if (outside == 0 && inside > 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << outside << " pixels differ outside the lower left quarter, " << inside << " in it";
}

MessageBoxRecorder::MessageBoxRecorder(int answerWith) : answer(answerWith), previous(CallMessageBox) {
    liveBoxes = this;
    CallMessageBox = RecordBox;
}

MessageBoxRecorder::~MessageBoxRecorder() {
    CallMessageBox = previous;
    liveBoxes = nullptr;
}

TrayRecorder::TrayRecorder() : previous(CallNotifyIcon) {
    liveTray = this;
    CallNotifyIcon = RecordIcon;
}

TrayRecorder::~TrayRecorder() {
    CallNotifyIcon = previous;
    liveTray = nullptr;
}

Texts TrayRecorder::Tips() const {
    Texts tips;
    for (UINT id : order) tips.push_back(shown.at(id).tip);
    return tips;
}

const ShownIcon& TrayRecorder::At(size_t position) const { return shown.at(order.at(position)); }

DialogDriver::DialogDriver(std::function<void(HWND)> acting)
    : act(std::move(acting)), timer(SetTimer(nullptr, 0, 50, DriverTimer)) {
    liveDriver = this;
}

DialogDriver::~DialogDriver() {
    KillTimer(nullptr, timer);
    if (liveDriver == this) liveDriver = nullptr;
}

void DialogDriver::Tick() {
    HWND found = nullptr;
    auto visibleDialog = [](HWND window, LPARAM found) {
        char cls[8];
        bool dialog = IsWindowVisible(window) && GetClassNameA(window, cls, sizeof cls) && !lstrcmpA(cls, "#32770");
        if (dialog) *reinterpret_cast<HWND*>(found) = window;
        return BOOL(!dialog);
    };
    if (acted || EnumThreadWindows(GetCurrentThreadId(), visibleDialog, LPARAM(&found)) || !found) return;
    acted = true;
    act(found);
}

void Press(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::wstring ItemText(HWND dialog, int id) {
    WCHAR text[MAX_PATH + 1] = {};
    GetDlgItemTextW(dialog, id, text, MAX_PATH + 1);
    return text;
}

std::string RegText(HKEY root, const std::string& key, const char* name) {
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "(none)";
    return text;
}

void WriteRegText(HKEY root, const std::string& key, const char* name, const std::string& text) {
    RegSetKeyValueA(root, key.c_str(), name, REG_SZ, text.c_str(), DWORD(text.size() + 1));
}

ClassesKept::ClassesKept(Names keysKept) : keys(std::move(keysKept)) {
    for (const std::string& key : keys) saved.push_back(RegText(HKEY_CLASSES_ROOT, key, nullptr));
}

ClassesKept::~ClassesKept() {
    for (size_t k = 0; k < keys.size(); ++k) {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, keys[k].c_str());
        if (saved[k] != "(none)") WriteRegText(HKEY_CLASSES_ROOT, keys[k], nullptr, saved[k]);
    }
}

void ProgramTest::SetUp() {
    // The program's state at start-up, whatever an earlier test left and however it ended.
    Settings = ProgramSettings{};
    TaskbarWindowClass = "Shell_TrayWnd";
    ReadTaskbarDpi = TaskbarDpiAsRead;
    UpdateTrayPictureSize();
    TrayRetryBackOff = {1, 64};  // 127 ms in all, where the program waits about two minutes
    MachineRoots = {HKEY_LOCAL_MACHINE};
    ModalBusy = 0;
    FreeShortcutTable(&CurrentShortcutTable);
    CurrentDesktopTable = DesktopTable{};
    ChangeHandle.reset();
    HandleTrayIconCallback(0, WM_MOUSEMOVE);  // no click is taken to go on from an earlier test's
    livePopups = &popups;
    popupTimer = SetTimer(nullptr, 0, 50, RecordPopup);
    ASSERT_TRUE(DeriveProgramPaths(Wide(folder.file("ombrix.exe")).c_str()));
    LoadSettings();  // no settings file: the defaults
    AppInstance = GetModuleHandleA(nullptr);
    WNDCLASSW wc;
    ASSERT_TRUE(GetClassInfoW(AppInstance, TrayWindowClass, &wc) || RegisterTrayWindowClass(AppInstance));
    ASSERT_NE(CreateTrayWindow(AppInstance), nullptr);
    ASSERT_NE(TrayMenuRoot, nullptr);
}

void ProgramTest::TearDown() {
    KillTimer(nullptr, popupTimer);
    livePopups = nullptr;
    ShutDownApplication();  // as the program ends: icons, watch, menu and window
    TrayWindow = nullptr;
    TrayPopup = ItemSubmenu = nullptr;
    // WM_DESTROY posts a quit message that a later modal loop must not see.
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
    }
}

void ProgramTest::AddShortcut(const std::string& name, const std::string& fileName, int picture) {
    const std::string file = folder.file(fileName.empty() ? name + ".lnk" : fileName);
    const std::string iconFile = picture < 0 ? "" : Shell32;
    ASSERT_TRUE(MakeShortcut(file, ToolsFolder() + "\\marker.exe", "\"" + Marker(name) + "\"", iconFile, picture));
}

UINT ProgramTest::IconId(const std::string& name) const { return DerivedIconId(Wide(Link(name)).c_str()); }

int ProgramTest::Runs(const std::string& name) const {
    std::string text = ReadBytes(Marker(name));
    return int(std::count(text.begin(), text.end(), '\n'));
}

bool ProgramTest::ClosePosted() {
    MSG msg;
    // WM_QUIT passes every filter: a quit in place of the close does not count.
    return PeekMessageA(&msg, TrayWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE) && msg.message == WM_CLOSE;
}
