#include "desktopmenu/desktopmenu.h"

// Stand-in until the desktop menu lands.
void ResetDesktopIcons() {}
