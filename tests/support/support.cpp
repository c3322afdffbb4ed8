#include "support/support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/app.h"
#include "app/handles.h"
#include "app/settings.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"

namespace {

MessageBoxRecorder* liveBoxes;
TrayRecorder* liveTray;
DialogDriver* liveDriver;

int WINAPI RecordBox(HWND, LPCSTR text, LPCSTR, UINT) {
    liveBoxes->texts.push_back(text ? text : "");
    return liveBoxes->answer;
}

BOOL WINAPI RecordIcon(DWORD message, PNOTIFYICONDATAA data) {
    TrayRecorder& tray = *liveTray;
    tray.calls += message != NIM_SETVERSION;  // asking for the keyboard behaviour changes no icon
    if (tray.refuse && tray.refuse(message, data->uID)) return FALSE;
    auto it = tray.shown.find(data->uID);
    if (message == NIM_SETVERSION && it != tray.shown.end()) it->second.keyboard = data->uVersion == NOTIFYICON_VERSION;
    if (message == NIM_SETVERSION) return it != tray.shown.end();
    if ((message == NIM_ADD) == (it != tray.shown.end())) return FALSE;
    if (message == NIM_DELETE) {
        tray.shown.erase(it);
        return TRUE;
    }
    ShownIcon& icon = tray.shown[data->uID];
    if (message == NIM_ADD && (data->hWnd != TrayWindow || data->uCallbackMessage != WM_USER))
        icon.tip = "?";
    else if (data->uFlags & NIF_TIP)
        icon.tip = data->szTip;
    if (data->uFlags & NIF_ICON) icon.icon = data->hIcon;
    return TRUE;
}

void CALLBACK DriverTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (liveDriver) liveDriver->Tick();
}

}  // namespace

TempFolder::TempFolder(const std::string& nameHint) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static LONG counter;
    char name[MAX_PATH];
    wsprintfA(name, "%s%s-%lu-%ld", temp, nameHint.c_str(), GetCurrentProcessId(), InterlockedIncrement(&counter));
    RemoveTree(name);  // left over from an earlier run that was killed
    if (!CreateDirectoryA(name, nullptr)) throw std::runtime_error("cannot create a temporary folder");
    path_ = name;
}

TempFolder::~TempFolder() { RemoveTree(path_); }

// Wide and with the \\?\ prefix: the tests leave names the code page cannot
// spell and paths beyond MAX_PATH, which the ANSI calls cannot remove.
static void RemoveWideTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        const std::wstring name = data.cFileName, full = path + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(full.c_str())) RemoveWideTree(full);
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string& path) {
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) RemoveWideTree(L"\\\\?\\" + std::wstring(wide));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
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
    std::string exe(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return exe.substr(0, exe.find_last_of('\\', exe.find_last_of('\\') - 1)) + "\\tools";
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&msg)) TranslateMessage(&msg);
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
    }
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

Names TrayRecorder::Tips() const {
    Names tips;
    UINT id = ID_TRAYICON;
    for (const auto& [shownId, icon] : shown) tips.push_back(shownId == id++ ? icon.tip : "?");
    return tips;
}

DialogDriver::DialogDriver(std::function<void(HWND)> act)
    : act_(std::move(act)), timer_(SetTimer(nullptr, 0, 50, DriverTimer)) {
    liveDriver = this;
}

DialogDriver::~DialogDriver() {
    KillTimer(nullptr, timer_);
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
    act_(found);
}

void Press(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::string ItemText(HWND dialog, int id) {
    char text[MAX_PATH] = {};
    GetDlgItemTextA(dialog, id, text, MAX_PATH);
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

void ProgramTest::SetUp() {
    ASSERT_TRUE(DeriveProgramPaths(folder.file("ombrix.exe").c_str()));
    LoadSettings();  // no settings file: the defaults
    ModalBusy = 0;
    AppInstance = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    if (!GetClassInfoA(AppInstance, TrayWindowClass, &wc)) {
        ASSERT_TRUE(RegisterTrayWindowClass(AppInstance));
    }
    ASSERT_NE(CreateTrayWindow(AppInstance), nullptr);
    ASSERT_NE(TrayMenuRoot, nullptr);
}

void ProgramTest::TearDown() {
    ShutDownApplication();  // as the program ends: icons, watch, menu and window
    TrayWindow = nullptr;
    TrayPopup = ItemSubmenu = nullptr;
    // WM_DESTROY posts a quit message that a later modal loop must not see.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void ProgramTest::AddShortcut(const std::string& name, const std::string& fileName) {
    std::string file = folder.file(fileName.empty() ? name + ".lnk" : fileName);
    ASSERT_TRUE(MakeShortcut(file, ToolsFolder() + "\\marker.exe", "\"" + Marker(name) + "\""));
}

int ProgramTest::Runs(const std::string& name) const {
    std::string text = ReadBytes(Marker(name));
    return int(std::count(text.begin(), text.end(), '\n'));
}

bool ProgramTest::ClosePosted() {
    MSG msg;
    // WM_QUIT passes every filter: a quit in place of the close does not count.
    return PeekMessageA(&msg, TrayWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE) && msg.message == WM_CLOSE;
}
