#include "app/app.h"
#include "options/integration.h"
#include "options/options.h"
#include "res/resource.h"
#include "support/support.h"

// Where the machine-wide classes refuse a normal user (here: there are none), the verbs
// live per user and stay there over any number of OKs.
TEST_F(ProgramTest, NormalUserKeepsTheShellVerbOverTwoOks) {
    const std::string verb = "Software\\Classes\\lnkfile\\Shell\\Ombrix+\\Command";
    MachineRoots.hMachine = nullptr;
    for (int ok = 0; ok < 2; ++ok) ApplyIntegrationState({false, false, true});
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, verb, nullptr), "\"" + folder.file("ombrix.exe") + "\" %1");
    EXPECT_TRUE(ReadIntegrationState().fShellVerb);
    ApplyIntegrationState({false, false, false});
    MachineRoots.hMachine = HKEY_LOCAL_MACHINE;
    DeleteRegTree(HKEY_CURRENT_USER, UninstallKeyPath);
}

// Without a "Progman" window the box shows the stored policy, so an OK keeps it as it was.
TEST(Integration, HiddenDesktopReadFromThePolicyWithoutProgman) {
    ASSERT_EQ(FindWindowA("Progman", nullptr), nullptr);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, PolicyKeyPath, "NoDesktop");
    EXPECT_FALSE(ReadIntegrationState().fHideDesktop) << "nothing stored";
    for (DWORD stored : {1u, 0u}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, PolicyKeyPath, "NoDesktop", REG_BINARY, &stored, 4);
        EXPECT_EQ(ReadIntegrationState().fHideDesktop, stored == 1) << stored;
    }
}

// OK reads every box before anything that runs a message loop: closed meanwhile from the
// tray, the program still stores what the dialog showed.
TEST_F(ProgramTest, OptionsOkKeepsTheShownStateWhenClosedMeanwhile) {
    const std::string command = "\"" + folder.file("ombrix.exe") + "\"";
    AddShortcut("Alpha");
    Rebuild();
    WriteRegText(HKEY_LOCAL_MACHINE, RunKeyPath, "Ombrix+", command);
    tray.refuse = [](DWORD message, UINT) {
        if (message == NIM_ADD && IsWindow(TrayWindow)) SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
        return false;
    };
    DialogDriver driver([this](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_SORT, BM_CLICK, 0, 0);  // a new order: the icons are added anew
        AddShortcut("Bravo");
        Press(dialog, IDOK);
    });
    ShowOptionsDialog();
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, RunKeyPath, "Ombrix+"), command);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, RunKeyPath, "Ombrix+");
}

// On a first run with an empty folder, "Sortieren" changed in the options dialog brings no
// prompt of its own: start-up's scan asks once.
TEST_F(ProgramTest, FirstRunAsksOnceForAShortcut) {
    boxes.answer = IDCANCEL;
    DialogDriver driver([](HWND d) { SendDlgItemMessageA(d, IDC_SORT, BM_CLICK, 0, 0); Press(d, IDOK); });
    LoadStartupSettings();
    EXPECT_EQ(boxes.texts.size(), 1u) << "only the greeting";
    Rebuild();
    EXPECT_EQ(boxes.texts.size(), 2u);
}
