#include <windows.h>
#include <commctrl.h>

#include "app/app.h"
#include "app/dpi.h"
#include "app/handles.h"
#include "app/trace.h"

// The arguments are taken from the wide command line: the ANSI one would hand
// a path the code page cannot spell over in a best-fit form (a full-width
// quotation mark becomes a plain one, which can split the argument).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    TraceMark("main");
    DeclareDpiAwareness();
    // The shell functions called on this thread (file information, execution,
    // links) want COM here, so it lives as long as the main loop.
    ComScope com;
    InitCommonControls();
    TraceMark("commctl");
    if (InitApplication(instance, CommandLineArguments(GetCommandLineW()))) RunMainLoop();
    return 0;
}
