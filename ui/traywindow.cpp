#include "ui/traywindow.h"

#include "app/app.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"

LONG ModalBusy;

// Stand-in until the dispatch lands: creation, shut-down and quit only.
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return CreateTrayMenu();
    case WM_CLOSE:
        ShutDownApplication();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        if (message == TaskbarCreatedMessage && message != 0) {
            RestoreTrayIcons();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
