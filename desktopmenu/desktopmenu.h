// The Desktop's items at the top of the tray popup.
#pragma once

#include <windows.h>

// Marks all slots of the desktop table as holding no icon.
void ResetDesktopIcons();
// WM_INITMENUPOPUP while the option is on: inserts the Desktop's items.
void BuildDesktopMenu(HMENU popup, LPARAM lParam);
// Takes the items out of popup again and frees their font and icons.
void ClearDesktopMenu(HMENU popup);
// WM_COMMAND 1 to 98: opens slot id - 1; ids beyond the slots do nothing.
void LaunchDesktopItem(UINT id);
BOOL MeasureDesktopItem(MEASUREITEMSTRUCT* item);
BOOL DrawDesktopItem(const DRAWITEMSTRUCT* item);
// The WM_MENUCHAR answer for a typed character in menu.
LRESULT MatchDesktopMenuChar(WPARAM wParam, HMENU menu);
