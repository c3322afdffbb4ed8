#include <windows.h>
#include <commctrl.h>

#include "app/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    InitCommonControls();
    if (InitApplication(instance, arguments)) RunMainLoop();
    return 0;
}
