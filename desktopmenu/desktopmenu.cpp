#include "desktopmenu/desktopmenu.h"

// Stand-ins until the desktop menu lands.
void ResetDesktopIcons() {}
void BuildDesktopMenu(HMENU, LPARAM) {}
void ClearDesktopMenu(HMENU) {}
void LaunchDesktopItem(UINT) {}
BOOL MeasureDesktopItem(MEASUREITEMSTRUCT*) { return FALSE; }
BOOL DrawDesktopItem(const DRAWITEMSTRUCT*) { return FALSE; }
LRESULT MatchDesktopMenuChar(WPARAM, HMENU) { return 0; }
