// The popup menu of a tray icon and its command identifiers.
#pragma once

#include <windows.h>

#include "res/resource.h"

constexpr UINT ID_EXIT = IDM_EXIT;
constexpr UINT ID_ADD = IDM_ADD;
constexpr UINT ID_ABOUT = IDM_ABOUT;
constexpr UINT ID_OPTIONS = IDM_OPTIONS;
constexpr UINT ID_ITEM_OPEN = IDM_ITEM_OPEN;              // + entry index
constexpr UINT ID_ITEM_DELETE = IDM_ITEM_DELETE;          // + entry index
constexpr UINT ID_ITEM_RENAME = IDM_ITEM_RENAME;          // + entry index
constexpr UINT ID_ITEM_PROPERTIES = IDM_ITEM_PROPERTIES;  // + entry index
constexpr UINT ID_ITEM_SELECT = 900;                      // + entry index; posted, not in the menu

// A caption of this many characters or more is cut there and gets "...".
constexpr int ItemCaptionLimit = 28;

extern HMENU TrayMenuRoot;  // the loaded "OBPMenu"; destroying it frees the others
extern HMENU TrayPopup;     // submenu 0 of TrayMenuRoot: the menu that is shown
extern HMENU ItemSubmenu;   // submenu 0 of TrayPopup: the clicked shortcut's commands
extern WCHAR ItemCaption[MAX_PATH];  // the caption as the menu takes it: "&" doubled

// WM_CREATE of TrayWindow: loads "OBPMenu" from instance. 0, or -1 after the
// message when the menu cannot be built.
LRESULT CreateTrayMenu(HINSTANCE instance);
// ID_ITEM_SELECT: the caption of the shortcut submenu from entry index.
void SelectTrayItem(UINT index);
// How the popup is tracked: TrackPopupMenuEx's flags (the command chosen is
// returned, not posted) and, where the icon's rectangle is known, that
// rectangle as the one the popup must leave uncovered.
struct TrayPopupPlacement {
    UINT flags;
    TPMPARAMS exclude;  // cbSize 0 when there is no rectangle to leave uncovered
    TPMPARAMS* params() { return exclude.cbSize != 0 ? &exclude : nullptr; }  // as TrackPopupMenuEx takes it
};
TrayPopupPlacement PlaceTrayPopup(const RECT* iconRect);
// The icon's rectangle on the screen; false where the shell cannot tell.
bool GetTrayIconRect(WPARAM iconId, RECT& rect);
// After the popup has closed: the command chosen goes to TrayWindow as the
// WM_COMMAND the menu itself would have posted; with none chosen (0), a popup
// asked for from the keyboard gives the keyboard focus back to its icon.
void FinishTrayPopup(WPARAM iconId, UINT command, bool fromKeyboard);
// NIM_SETFOCUS: the notification area takes the focus back, on icon iconId.
void ReturnFocusToTrayIcon(WPARAM iconId);
// WM_TRAYMENU and WM_TRAYMENUKEY: re-targets the shortcut submenu at the
// icon's entry and tracks the popup at the screen point packed in point.
void ShowTrayMenu(WPARAM iconId, LPARAM point, bool fromKeyboard);
