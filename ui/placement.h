// Where the program's dialogs open.
#pragma once

#include <windows.h>

// Centres a dialog on the work area of the monitor that holds the pointer,
// where the user just clicked a tray icon, and moves the dialog's owner there
// too. For each dialog's WM_INITDIALOG, before the dialog is shown.
void CentreOnPointerMonitor(HWND dialog);
