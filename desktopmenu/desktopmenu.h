// The Desktop's items at the top of the tray popup.
#pragma once

#include <windows.h>

// Marks all slots of the desktop table as holding no icon.
void ResetDesktopIcons();
