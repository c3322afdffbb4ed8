// The popup menu of a tray icon and its command identifiers.
#pragma once

#include <windows.h>

constexpr UINT ID_EXIT = 100;
constexpr UINT ID_ADD = 110;
constexpr UINT ID_ABOUT = 120;
constexpr UINT ID_OPTIONS = 130;
constexpr UINT ID_ITEM_OPEN = 500;        // + entry index
constexpr UINT ID_ITEM_DELETE = 600;      // + entry index
constexpr UINT ID_ITEM_RENAME = 700;      // + entry index
constexpr UINT ID_ITEM_PROPERTIES = 800;  // + entry index
constexpr UINT ID_ITEM_SELECT = 900;      // + entry index

extern HMENU TrayMenuRoot;
extern HMENU TrayPopup;
extern HMENU ItemSubmenu;
extern char ItemCaption[MAX_PATH];

// WM_CREATE of TrayWindow: 0, or -1 when the menu cannot be built.
LRESULT CreateTrayMenu();
