// Pixels per inch of the system, of a window and of a monitor. Windows 8.1
// and 10 tell them per monitor; the functions that do are looked up at run
// time, and where they are missing every monitor has the system's.
#pragma once

#include <windows.h>

// The message Windows sends a per-monitor aware window whose DPI changed
// (defined here: the headers declare it only for newer targets).
constexpr UINT DpiChangedMessage = 0x02E0;  // WM_DPICHANGED

// Before any window: a system that reads the manifest's dpiAwareness but
// knows none of its values (Wine 8 is one) leaves the program unaware of any
// DPI, drawn at 96 and stretched; it is then made aware of the system's DPI,
// as the manifest's dpiAware asks of the systems before Windows 10 1607.
// Where the user's compatibility settings chose otherwise, this call fails.
void DeclareDpiAwareness();
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
