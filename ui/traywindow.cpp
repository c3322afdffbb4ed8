#include "ui/traywindow.h"

#include "app/app.h"
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
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
