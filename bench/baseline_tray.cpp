// baseline_tray [KEEP_MS [COUNT [version]]]: the least a tray program can do.
// It adds COUNT notification-area icons (ids 1 to COUNT, one window), keeps
// them until the benchmark has seen them docked (from the outside), then
// removes them and ends: when its window gets WM_CLOSE, at the latest after
// KEEP_MS. The benchmark times its start against ombrix.exe's with as many
// shortcuts. So that the tray does for each icon what it does for one of
// ombrix.exe's, each has a picture of its own (the small icons of
// shell32.dll, in turn), the same record size, callback message and length of
// tooltip. With "version", each add is followed by the NIM_SETVERSION call
// ombrix.exe makes, for the breakdown of start-up.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/handles.h"
#include "app/trace.h"

namespace {

NOTIFYICONDATAW IconData(HWND window, UINT id) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = window;
    data.uID = id;
    return data;
}

// Up to count small icons of the icon file, owned by the result.
std::vector<UniqueIcon> LoadPictures(const WCHAR* file, UINT count) {
    std::vector<HICON> handles(count);
    UINT got = ExtractIconExW(file, 0, nullptr, handles.data(), count);
    if (got > count) got = 0;  // the file has no icons (UINT_MAX)
    std::vector<UniqueIcon> icons;
    for (UINT i = 0; i < got; ++i)
        if (handles[i]) icons.emplace_back(handles[i]);
    return icons;
}

BOOL AddIcon(HWND window, UINT id, HICON picture, bool version) {
    NOTIFYICONDATAW data = IconData(window, id);
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = WM_USER;
    data.hIcon = picture;
    // As long as "Verknüpfung 001 - Ombrix+".
    wsprintfW(data.szTip, L"Grundprogramm %03u - Ombrix+", id);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) return FALSE;
    TraceMark("tray.add");
    if (version) {
        data.uVersion = NOTIFYICON_VERSION;
        Shell_NotifyIconW(NIM_SETVERSION, &data);
        TraceMark("tray.version");
    }
    return TRUE;
}

// Waits up to keepMs for a WM_CLOSE to the window, handling other messages.
void KeepIcons(HWND window, DWORD keepMs) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < keepMs) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // A STATIC window would destroy itself on WM_CLOSE: taken here instead.
            if (msg.message == WM_CLOSE && msg.hwnd == window) return;
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    TraceMark("main");
    char* rest = arguments;
    DWORD keepMs = rest && *rest ? std::strtoul(rest, &rest, 10) : 3000;
    UINT count = rest && *rest ? std::strtoul(rest, &rest, 10) : 1;
    const bool version = rest && std::strstr(rest, "version");
    if (count == 0) count = 1;
    struct OwnedWindow {
        HWND handle;
        ~OwnedWindow() {
            if (handle) DestroyWindow(handle);
        }
    } window{CreateWindowExW(0, L"STATIC", L"baseline", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr)};
    if (!window.handle) return 1;
    TraceMark("window");
    const std::vector<UniqueIcon> pictures = LoadPictures(L"shell32.dll", count);
    if (pictures.empty()) return 1;
    TraceMark("pictures");
    UINT added = 0;
    for (UINT id = 1; id <= count; ++id) {
        if (!AddIcon(window.handle, id, pictures[(id - 1) % pictures.size()].get(), version)) break;
        added = id;
    }
    if (added == count) KeepIcons(window.handle, keepMs);
    for (UINT id = 1; id <= added; ++id) {
        NOTIFYICONDATAW data = IconData(window.handle, id);
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    return added == count ? 0 : 1;
}
