// One notification-area icon per entry of CurrentShortcutTable.
#pragma once

#include <windows.h>

#include "tray/iconids.h"

// The class of the shell's taskbar window, "Shell_TrayWnd". The program never
// changes it; tests name a class no window has, to see a missing taskbar.
extern const char* TaskbarWindowClass;

// Rescans the folder and brings the icons in step with it, in table order.
// Unchanged icons are not touched; where an icon must go between others,
// the ones after it are added again with their own identifiers.
void RebuildTrayIcons();
void RefreshTrayMarks();
void RefreshTrayTips();
void RemoveTrayIcons();
// Ends the program when its folder holds no shortcut: after the wizard, which
// was offered for an empty folder, nothing would be left to show or click.
void CloseWithoutShortcuts();

// The index in CurrentShortcutTable of the shortcut whose icon has this
// identifier, or -1.
int FindIconIndex(UINT iconId);
// Whether the shell took NOTIFYICON_VERSION for this icon: it then sends
// WM_CONTEXTMENU for the popup (mouse or keyboard) and NIN_SELECT or
// NIN_KEYSELECT for a selection, besides the mouse messages.
bool IconHasKeyboardVersion(UINT iconId);

// The message the shell broadcasts when the taskbar is created anew
// ("TaskbarCreated"), registered at start-up; on it every icon of
// CurrentShortcutTable is added again.
extern UINT TaskbarCreatedMessage;
void RegisterTaskbarCreatedMessage();
void RestoreTrayIcons();

// Adds that timed out, or found no taskbar, are tried again when this
// one-shot timer fires, after a delay that grows with each try; the main
// loop waits on it and then calls RetryWaitingIcons.
HANDLE TrayRetryTimer();
void RetryWaitingIcons();
