// The two platform calls whose effects a test cannot see for itself: the
// notification-area calls and message boxes (which would block a test run).
// They go through these pointers; the program never changes them, tests may.
// Also: how system libraries are loaded.
#pragma once

#include <windows.h>
#include <shellapi.h>

using MessageBoxFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
using NotifyIconFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);

extern MessageBoxFunction CallMessageBox;  // MessageBoxW
extern NotifyIconFunction CallNotifyIcon;  // Shell_NotifyIconW

// A system library, loaded from the system folder only: for a bare name the
// program's folder, which holds the user's files, is searched first.
HMODULE LoadSystemLibrary(const WCHAR* fileName);

// The shared buffer into which messages are formatted before they are shown.
extern WCHAR MessageText[1024];

// A message box without owner, caption "Ombrix+", MB_SETFOREGROUND plus style.
int ShowProgramMessage(const WCHAR* text, UINT style);
