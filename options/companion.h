// The one-way link to the companion program Corvane+.
#pragma once

#include <windows.h>

extern UINT CompanionAddTrayIconMessage;  // "Corvane+AddTrayIcon"
extern UINT CompanionCloseMessage;        // "Corvane+CloseCorvane"

extern const WCHAR* const CompanionWindowClass;  // "Corvane+WndClass"
extern const WCHAR* const CompanionWindowTitle;  // "Corvane+"
extern const WCHAR* const CompanionExecutable;   // "Corvane+.exe"

void RegisterCompanionMessages();
// Posts message to a running companion, only while "Corvane+" is "Ja".
void NotifyCompanion(UINT message);
// Tells a running companion about the icons, or starts it. The caller tests the option.
void StartCompanion();
HWND FindCompanionWindow();
// Whether the companion's executable is found along the search path: the
// program's folder, the current folder, the system folders, PATH.
bool CompanionExecutableFound();
