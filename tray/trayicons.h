// One notification-area icon per entry of CurrentShortcutTable.
#pragma once

#include <windows.h>

constexpr UINT ID_TRAYICON = 1000;

// The class of the shell's taskbar window, "Shell_TrayWnd". The program never
// changes it; tests name a class no window has, to see a missing taskbar.
extern const char* TaskbarWindowClass;

// Rescans the folder and brings the icons in step with it: icon 1000 + i
// shows entry i with its picture and whole tooltip. An unchanged folder makes
// no tray call; a changed one only those of the slots that differ.
void RebuildTrayIcons();
void RefreshTrayMarks();
void RefreshTrayTips();
void RemoveTrayIcons();
// Ends the program when its folder holds no shortcut: after the wizard, which
// was offered for an empty folder, nothing would be left to show or click.
void CloseWithoutShortcuts();

// Whether the shell took NOTIFYICON_VERSION for the icons last added: it then
// sends WM_CONTEXTMENU for the popup (mouse or keyboard) and NIN_SELECT or
// NIN_KEYSELECT for a selection, besides the mouse messages.
extern bool TrayIconsKeyboardVersion;

// The message the shell broadcasts when the taskbar is created anew
// ("TaskbarCreated"), registered at start-up; on it every icon of
// CurrentShortcutTable is added again.
extern UINT TaskbarCreatedMessage;
void RegisterTaskbarCreatedMessage();
void RestoreTrayIcons();
