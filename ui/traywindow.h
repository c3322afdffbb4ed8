// The hidden window that receives every tray callback, menu command and
// owner-draw request.
#pragma once

#include <windows.h>

constexpr UINT WM_TRAYMENU = WM_USER + 1;  // wParam icon id, lParam screen point

// 1 while the rename dialog, the options dialog or a delete runs.
extern LONG ModalBusy;

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
