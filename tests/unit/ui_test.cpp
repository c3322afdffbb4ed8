#include "app/app.h"
#include "res/resource.h"
#include "support/support.h"
#include "tray/shortcuts.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"
#include "ui/wizard.h"

// A modal command started while another one runs leaves the busy mark as it found it.
TEST_F(ProgramTest, NestedModalCommandKeepsTheBusyMark) {
    ModalBusy = 1;
    DialogDriver driver([](HWND dialog) { Press(dialog, IDCANCEL); });
    SendMessageA(TrayWindow, WM_COMMAND, ID_OPTIONS, 0);
    EXPECT_TRUE(driver.acted);
    EXPECT_EQ(ModalBusy, 1);
}
