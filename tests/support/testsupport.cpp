#include "support/testsupport.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/handles.h"

namespace {

MessageBoxRecorder* activeBoxes;
DialogDriver* activeDriver;

void CALLBACK DriverTimerProc(HWND, UINT, UINT_PTR timer, DWORD) {
    DialogDriver::OnTimer(timer);
}

struct DialogSearch {
    HWND except;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    char cls[16];
    if (window != search->except && IsWindowVisible(window) && GetClassNameA(window, cls, sizeof cls) &&
        lstrcmpA(cls, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
NotifyIconRecorder* activeIcons;

int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    activeBoxes->boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    return activeBoxes->answer;
}

BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAA data) {
    size_t index = activeIcons->calls.size();
    activeIcons->calls.push_back({message, data->uID, data->uFlags, data->uCallbackMessage, data->hIcon,
                                  (data->uFlags & NIF_TIP) ? std::string(data->szTip) : std::string(),
                                  data->cbSize, data->hWnd});
    const auto& fails = activeIcons->failCalls;
    if (std::find(fails.begin(), fails.end(), index) != fails.end()) return FALSE;
    if (message == NIM_ADD && activeIcons->failAllAdds) return FALSE;
    return TRUE;
}

}  // namespace

TempFolder::TempFolder(const std::string& nameHint) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static LONG counter;
    for (;;) {
        char name[MAX_PATH];
        wsprintfA(name, "%s%s-%lu-%ld", temp, nameHint.c_str(), GetCurrentProcessId(), InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create temp folder");
    }
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::string TempFolder::file(const std::string& name) const {
    return path_ + "\\" + name;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryA(path.c_str());
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                  const std::string& iconFile, int iconIndex) {
    ComScope com;
    if (!com.ok()) return false;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return false;
    link->SetPath(target.c_str());
    if (!arguments.empty()) link->SetArguments(arguments.c_str());
    if (!iconFile.empty()) link->SetIconLocation(iconFile.c_str(), iconIndex);
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return false;
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH)) return false;
    return SUCCEEDED(file->Save(wide, TRUE));
}

std::string ModuleFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\'));
}

std::string ToolsFolder() {
    // The tests folder and the tools folder are siblings in the build tree.
    std::string tests = ModuleFolder();
    return tests.substr(0, tests.find_last_of('\\')) + "\\tools";
}

void PumpMessages(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

bool WaitForFile(const std::string& path, DWORD ms) {
    DWORD start = GetTickCount();
    while (!FileExists(path)) {
        if (GetTickCount() - start >= ms) return false;
        PumpMessages(50);
    }
    return true;
}

MessageBoxRecorder::MessageBoxRecorder(int answerWith) : answer(answerWith), previous_(CallMessageBox) {
    activeBoxes = this;
    CallMessageBox = RecordMessageBox;
}

MessageBoxRecorder::~MessageBoxRecorder() {
    CallMessageBox = previous_;
    activeBoxes = nullptr;
}

NotifyIconRecorder::NotifyIconRecorder() : previous_(CallNotifyIcon) {
    activeIcons = this;
    CallNotifyIcon = RecordNotifyIcon;
}

NotifyIconRecorder::~NotifyIconRecorder() {
    CallNotifyIcon = previous_;
    activeIcons = nullptr;
}

size_t NotifyIconRecorder::Count(DWORD message) const {
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(),
                                             [message](const RecordedNotifyIcon& c) { return c.message == message; }));
}

HWND FindThreadDialog(HWND except) {
    DialogSearch search = {except, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DialogDriver::DialogDriver(std::function<void(HWND)> act, DWORD timeoutMs, HWND except)
    : act_(std::move(act)), start_(GetTickCount()), timeoutMs_(timeoutMs), except_(except), outer_(activeDriver) {
    activeDriver = this;
    timer_ = SetTimer(nullptr, 0, 50, DriverTimerProc);
}

DialogDriver::~DialogDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    activeDriver = outer_;
}

void DialogDriver::OnTimer(UINT_PTR timer) {
    for (DialogDriver* driver = activeDriver; driver; driver = driver->outer_) {
        if (driver->timer_ == timer) {
            driver->Tick();
            return;
        }
    }
}

void DialogDriver::Tick() {
    if (acted_) return;
    HWND dialog = FindThreadDialog(except_);
    if (!dialog) {
        if (GetTickCount() - start_ > timeoutMs_ && timer_) {
            KillTimer(nullptr, timer_);
            timer_ = 0;
        }
        return;
    }
    acted_ = true;
    KillTimer(nullptr, timer_);
    timer_ = 0;
    act_(dialog);
}
