#include "about/about.h"

#include "app/app.h"
#include "app/platform.h"

// Stand-in until the About dialog lands: a box with its caption.
void ShowAboutDialog() {
    CallMessageBox(TrayWindow, "Ombrix+\nVersion 2.12", "Info über Ombrix+", MB_OK);
}
