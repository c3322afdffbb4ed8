// A stand-in for the companion program Corvane+: a window of class
// "Corvane+WndClass" titled "Corvane+" that writes "started" and each of the two
// registered messages it receives, one per line, to corvane.log beside itself.
// "Corvane+CloseCorvane" ends it.
#include <windows.h>

#include <cstring>

namespace {

UINT addTrayIcon;
UINT closeCorvane;
char logPath[MAX_PATH];

void Log(const char* line) {
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == addTrayIcon) {
        Log("AddTrayIcon");
    } else if (message == closeCorvane) {
        Log("CloseCorvane");
        DestroyWindow(window);
    } else if (message == WM_DESTROY) {
        PostQuitMessage(0);
    } else {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const DWORD length = GetModuleFileNameA(nullptr, logPath, MAX_PATH - 12);  // room for "corvane.log"
    char* slash = strrchr(logPath, '\\');
    if (length == 0 || length >= MAX_PATH - 12 || !slash) return 1;
    lstrcpyA(slash + 1, "corvane.log");

    addTrayIcon = RegisterWindowMessageA("Corvane+AddTrayIcon");
    closeCorvane = RegisterWindowMessageA("Corvane+CloseCorvane");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Corvane+WndClass";
    if (!RegisterClassA(&wc)) return 1;
    if (!CreateWindowExA(0, wc.lpszClassName, "Corvane+", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr))
        return 1;
    Log("started");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
