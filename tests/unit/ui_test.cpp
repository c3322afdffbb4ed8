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

// The popup's caption shows "&" as spelt, not as an access key, also where the name is cut.
TEST_F(ProgramTest, PopupCaptionShowsAmpersandsAsSpelt) {
    const std::string a27(27, 'a');
    const std::pair<std::string, std::string> rows[] = {{"Tom & Jerry", "Tom && Jerry"}, {a27 + "&bc", a27 + "&&..."}};
    for (const auto& [name, caption] : rows) {
        AddShortcut(name);
        Rebuild();
        for (int i = 0; i < CurrentShortcutTable.nCount; ++i)
            if (name == CurrentShortcutTable.pEntries[i].szName) SelectTrayItem(i);
        EXPECT_STREQ(ItemCaption, caption.c_str());
    }
}

// The new-shortcut dialog writes a shell link, so its file name ends in ".lnk" whatever the typed name ends in.
TEST_F(ProgramTest, NewShortcutDialogGivesEveryLinkALinkName) {
    for (const char* name : {"Alt.pif", "Neu.LNK"}) {
        DialogDriver driver([name](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, "C:\\windows\\notepad.exe");
            SetDlgItemTextA(dialog, IDC_NEWLINK_NAME, name);
            Press(dialog, IDOK);
        });
        EXPECT_EQ(RunNewLinkDialog(), IDOK) << name;
    }
    EXPECT_EQ(FolderNames(folder.path()), (Names{"Alt.pif.lnk", "Neu.LNK"}));
}
