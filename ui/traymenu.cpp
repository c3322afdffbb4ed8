#include "ui/traymenu.h"

HMENU TrayMenuRoot;
HMENU TrayPopup;
HMENU ItemSubmenu;
char ItemCaption[MAX_PATH];

// Stand-in until the popup menu lands.
LRESULT CreateTrayMenu() {
    return 0;
}
