// The Desktop's items at the top of the tray popup: built each time the popup
// opens, owner-drawn with their small icon and label, taken out when it closes.
#pragma once

#include <windows.h>

#include "app/handles.h"

// How many Desktop items the popup shows at most; command ids 1 to 28.
constexpr int kDesktopSlots = 28;
constexpr int kDesktopLabelSize = 32;
// An item is this much higher than its small icon, in pixels at 96 DPI.
constexpr int kDesktopIconPad = 3;

// One Desktop item as the popup shows and opens it.
struct DesktopEntry {
    UniqueIcon hIcon;                // the item's small icon; empty when the shell gave none
    int cchLabel = 0;                // length of szLabel
    WCHAR szLabel[kDesktopLabelSize] = {};  // display name, cut to 28 characters and "..."
    WCHAR szPath[MAX_PATH] = {};     // full path, kept after the popup closes
};

struct DesktopTable {
    DesktopEntry aEntries[kDesktopSlots];  // slot k: menu position k, id k + 1, item data k
    int cySmIcon = 0;
    int cxSmIcon = 0;
    int dpi = USER_DEFAULT_SCREEN_DPI;  // of the popup's monitor, with the icon sizes and font
    WCHAR szDesktopPath[MAX_PATH] = {};  // the folder; during a build also the search buffer
    HFONT hMenuFont = nullptr;          // NULL while no list is built
    UniqueGdiObject hOwnedFont;         // holds hMenuFont when the build created it
};

// The one table behind the popup's Desktop items.
extern DesktopTable CurrentDesktopTable;

// Marks all slots of the desktop table as holding no icon.
void ResetDesktopIcons();
// WM_INITMENUPOPUP while the option is on: inserts the Desktop's items into the
// top-level popup (lParam 0) above a separator, measured and drawn for dpi,
// that of the monitor the popup opens on. The shell's icon handlers are COM
// objects: the calling thread has COM (the main thread does, from WinMain).
void BuildDesktopMenu(HMENU popup, LPARAM lParam, UINT dpi);
// Takes the items out of popup again (its last three items stay) and frees
// their font and icons.
void ClearDesktopMenu(HMENU popup);
// WM_COMMAND 1 to 98: opens slot id - 1; ids beyond the slots do nothing.
void LaunchDesktopItem(UINT id);
// WM_MEASUREITEM and WM_DRAWITEM of a Desktop item; FALSE when the message is
// not for a built Desktop item.
BOOL MeasureDesktopItem(MEASUREITEMSTRUCT* item);
BOOL DrawDesktopItem(const DRAWITEMSTRUCT* item);
// The WM_MENUCHAR answer for a typed character (UTF-16, the tray window is a
// Unicode window) in menu.
LRESULT MatchDesktopMenuChar(WPARAM wParam, HMENU menu);

// The label rule: the name whole up to 27 characters, else its first 28
// characters and "..."; a surrogate pair is never split, so a cut name may
// keep only 27.
void SetDesktopLabel(DesktopEntry& entry, const WCHAR* name);
