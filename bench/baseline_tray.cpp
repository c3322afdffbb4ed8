// baseline_tray [KEEP_MS [COUNT]]: the least a tray program can do. It adds
// COUNT notification-area icons (ids 1 to COUNT, one window), keeps them until
// the benchmark has seen them docked (from the outside), then removes them and
// ends: when its window gets WM_CLOSE, at the latest after KEEP_MS. The
// benchmark times its start against ombrix.exe's with as many shortcuts.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

namespace {

NOTIFYICONDATAA IconData(HWND window, UINT id) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = id;
    return data;
}

// Waits up to keepMs for a WM_CLOSE to the window, handling other messages.
void KeepIcons(HWND window, DWORD keepMs) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < keepMs) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // A STATIC window would destroy itself on WM_CLOSE: taken here instead.
            if (msg.message == WM_CLOSE && msg.hwnd == window) return;
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    char* rest = arguments;
    DWORD keepMs = rest && *rest ? std::strtoul(rest, &rest, 10) : 3000;
    UINT count = rest && *rest ? std::strtoul(rest, nullptr, 10) : 1;
    if (count == 0) count = 1;
    struct OwnedWindow {
        HWND handle;
        ~OwnedWindow() {
            if (handle) DestroyWindow(handle);
        }
    } window{CreateWindowExA(0, "STATIC", "baseline", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr)};
    if (!window.handle) return 1;
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);  // shared: never destroyed
    UINT added = 0;
    for (UINT id = 1; id <= count; ++id) {
        NOTIFYICONDATAA data = IconData(window.handle, id);
        data.uFlags = NIF_ICON | NIF_TIP;
        data.hIcon = icon;
        wsprintfA(data.szTip, "baseline %u", id);
        if (!Shell_NotifyIconA(NIM_ADD, &data)) break;
        added = id;
    }
    if (added == count) KeepIcons(window.handle, keepMs);
    for (UINT id = 1; id <= added; ++id) {
        NOTIFYICONDATAA data = IconData(window.handle, id);
        Shell_NotifyIconA(NIM_DELETE, &data);
    }
    return added == count ? 0 : 1;
}
