// baseline_tray: the least a tray program can do. It adds one notification-area
// icon, waits until the tray has it (the icon's window is mapped, seen from
// the outside by the benchmark), then removes it after the given milliseconds
// and ends. The benchmark times its start against ombrix.exe's.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    DWORD keepMs = arguments && *arguments ? std::strtoul(arguments, nullptr, 10) : 3000;
    HWND window = CreateWindowExA(0, "STATIC", "baseline", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP;
    data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(data.szTip, "baseline", sizeof data.szTip);
    if (!Shell_NotifyIconA(NIM_ADD, &data)) return 1;
    // Keep the icon until the benchmark has seen it docked.
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < keepMs) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    Shell_NotifyIconA(NIM_DELETE, &data);
    DestroyWindow(window);
    return 0;
}
