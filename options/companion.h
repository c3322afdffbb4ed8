// The one-way link to the companion program Corvane+.
#pragma once

#include <windows.h>

extern UINT CompanionAddTrayIconMessage;  // "Corvane+AddTrayIcon"
extern UINT CompanionCloseMessage;        // "Corvane+CloseCorvane"

extern const char* const CompanionWindowClass;  // "Corvane+WndClass"
extern const char* const CompanionWindowTitle;  // "Corvane+"
extern const char* const CompanionExecutable;   // "Corvane+.exe"

void RegisterCompanionMessages();
// Posts message to a running companion, only while "Corvane+" is "Ja".
void NotifyCompanion(UINT message);
// Tells a running companion about the icons, or starts it. The caller tests the option.
void StartCompanion();
HWND FindCompanionWindow();
