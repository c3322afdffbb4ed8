// A stand-in for the companion program Corvane+: a window of class
// "Corvane+WndClass" titled "Corvane+" that writes "started", and "CloseCorvane"
// when that registered message ends it, one per line, to corvane.log beside
// itself. (Its notices at each rescan: the main-loop tests, with a window of
// their own.)
#include <windows.h>

#include <string>

#include "../app/handles.h"

namespace {

UINT closeCorvane;
std::wstring logPath;

void Log(const std::string& line) {
    UniqueKernelHandle file(CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == closeCorvane) {
        Log("CloseCorvane");
        PostQuitMessage(0);  // the window goes with the process
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WCHAR self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    logPath.assign(self, length);
    logPath = logPath.substr(0, logPath.find_last_of(L'\\') + 1) + L"corvane.log";
    closeCorvane = RegisterWindowMessageA("Corvane+CloseCorvane");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Corvane+WndClass";
    RegisterClassA(&wc);
    CreateWindowExA(0, wc.lpszClassName, "Corvane+", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    Log("started");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
