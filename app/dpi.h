// Pixels per inch of the system, of a window and of a monitor. Windows 8.1
// and 10 tell them per monitor; the functions that do are looked up at run
// time, and where they are missing every monitor has the system's.
#pragma once

#include <windows.h>

// The message Windows sends a per-monitor aware window whose DPI changed
// (defined here: the headers declare it only for newer targets).
constexpr UINT DpiChangedMessage = 0x02E0;  // WM_DPICHANGED

UINT SystemDpi();
UINT WindowDpi(HWND window);
// The monitor's effective DPI, as the user's scaling for it makes it.
UINT MonitorDpi(HMONITOR monitor);
// The monitor under the pointer, where a popup opens.
UINT PointerDpi();
// A system metric (SM_CXSMICON, ...) as it is at dpi.
int MetricForDpi(int index, UINT dpi);
// The system's menu font as it is at dpi; false when none can be read.
bool MenuFontForDpi(UINT dpi, LOGFONTW* font);
