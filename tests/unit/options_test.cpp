// The registry entries, the uninstall procedure and the options dialog, against
// the real registry of the session's throwaway Wine prefix.
#include "app/app.h"
#include "app/settings.h"
#include "options/companion.h"
#include "options/integration.h"
#include "options/options.h"
#include "res/resource.h"
#include "support/support.h"
#include "tray/trayicons.h"

const std::string N = "(none)", K = "(no key)", RunKey = Narrow(RunKeyPath), UninstallKey = Narrow(UninstallKeyPath);

static std::string Verb(const char* cls, bool command = true) {
    return "Software\\Classes\\" + std::string(cls) + "\\Shell\\Ombrix+" + (command ? "\\Command" : "");
}

// Run value, uninstall name and command (machine-wide, then per user); each
// verb in both places, "(no key)" once its verb key is gone too; the policy
// value, "(none)" when missing or not REG_BINARY.
static Names Entries() {
    Names all;
    for (HKEY root : {MachineRoots.hMachine, HKEY_CURRENT_USER})
        for (const char* name : {"Ombrix+", "DisplayName", "UninstallString"})
            all.push_back(RegText(root, *name == 'O' ? RunKey : UninstallKey, name));
    for (const char* cls : {"lnkfile", "piffile"})
        for (bool user : {false, true}) {
            HKEY root = user ? HKEY_CURRENT_USER : MachineRoots.hMachine, key;
            bool there = !RegOpenKeyExA(root, Verb(cls, false).c_str(), 0, KEY_READ, &key) && !RegCloseKey(key);
            all.push_back(there ? RegText(root, Verb(cls), nullptr) : K);
        }
    DWORD policy, size = sizeof policy;
    LONG got = RegGetValueW(HKEY_CURRENT_USER, PolicyKeyPath, L"NoDesktop", RRF_RT_REG_BINARY, nullptr, &policy, &size);
    all.push_back(got ? N : std::to_string(policy));
    return all;
}

// Each test starts and ends where uninstalling leaves the registry: no entry anywhere, the policy 0.
struct OptionsTest : ProgramTest {
    void SetUp() override {
        ProgramTest::SetUp();
        Uninstall();
    }
    void TearDown() override {
        Uninstall();
        ProgramTest::TearDown();
    }
    void Uninstall() {
        boxes.answer = IDYES;
        RunUninstall();
        boxes.texts.clear();
    }
    // A settings file of unusual spellings, read, and only the shell verbs on.
    void StoreState() {
        WriteBytes(std::wstring(IniPath), stored);
        LoadSettings();
        ApplyIntegrationState({false, false, true});
    }
    // Opens the options dialog, clicks there, leaves it with the button; gives the controls 131..142
    // as the dialog opened, '1' for checked (133 and 136, the folder and "Öffnen...", stay '0').
    std::string ShowDialog(const std::vector<int>& clicks, int button) {
        std::string shown;
        DialogDriver driver([&](HWND dialog) {
            for (int id = IDC_SINGLE_CLICK; id <= IDC_SORT; ++id) shown += IsDlgButtonChecked(dialog, id) ? '1' : '0';
            for (int id : clicks) SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
            Press(dialog, button);
        });
        ShowOptionsDialog();
        return shown;
    }
    std::string R = "\"" + folder.file("ombrix.exe") + "\"", V = R + " %1", U = R + " /uninstall";
    const std::string stored = "[Ombrix+ Optionen]\r\nÖffnen=einfacher klick\r\nKennzeichnen=NEIN\r\nQuickInfo=ja\r\n"
                               "Sortieren=nein\r\nCorvane+=Ja\r\nDesktop-Menü=NEIN\r\n";
};

TEST_F(OptionsTest, OnlyOurOwnCommandsReadAsOn) {
    for (auto [text, ours] : std::vector<std::pair<std::string, bool>>{
             {R, true}, {"\"" + folder.file("OMBRIX.EXE") + "\"", true}, {"\"C:\\Alt\\ombrix.exe\"", false},
             {folder.file("ombrix.exe"), false}, {R + std::string(400, ' '), false}}) {
        WriteRegText(HKEY_LOCAL_MACHINE, RunKey, "Ombrix+", text);
        EXPECT_EQ(ReadIntegrationState().fAutostart, ours) << text;
    }
    WriteRegText(HKEY_LOCAL_MACHINE, Verb("lnkfile"), nullptr, V);
    EXPECT_FALSE(ReadIntegrationState().fShellVerb) << "one of the two";
    WriteRegText(HKEY_CURRENT_USER, Verb("piffile"), nullptr, V);
    EXPECT_TRUE(ReadIntegrationState().fShellVerb) << "one in each place";
}

TEST_F(OptionsTest, EntriesFallBackPerUserAndUninstallRemovesThemOnlyAfterYes) {
    WNDCLASSA progman = {0, DefWindowProcA, 0, 0, AppInstance, nullptr, nullptr, nullptr, nullptr, "Progman"};
    RegisterClassA(&progman);  // the shell's desktop window, which follows the policy
    HWND desktop = CreateWindowA("Progman", "", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // Without a machine-wide place (as for an account without administrator rights), then with one.
    for (HKEY machine : {HKEY(nullptr), HKEY_LOCAL_MACHINE})
        for (int answer : {IDNO, IDCANCEL, IDYES}) {
            MachineRoots = {machine};
            // Left per user with other texts: replaced, or removed once the machine-wide write works.
            for (const char* name : {"Ombrix+", "Andere"}) WriteRegText(HKEY_CURRENT_USER, RunKey, name, U);
            WriteRegText(HKEY_CURRENT_USER, UninstallKey, "UninstallString", R);
            WriteRegText(HKEY_CURRENT_USER, Verb("lnkfile"), nullptr, U);
            ApplyIntegrationState({true, true, true});
            Names before = Entries(), said = {"Soll Ombrix+ wirklich deinstalliert werden?"};
            EXPECT_EQ(before, (machine ? Names{R, "Ombrix+", U, N, N, N, V, K, V, K, "1"}
                                       : Names{N, N, N, R, "Ombrix+", U, K, V, K, V, "1"}));
            boxes.texts.clear();
            boxes.answer = answer;
            RunUninstall();
            EXPECT_EQ(Entries(), (answer == IDYES ? Names{N, N, N, N, N, N, K, K, K, K, "0"} : before));
            if (answer == IDYES)
                said.push_back("Ombrix+ deinstalliert.\n\nLöschen Sie jetzt den Ombrix+ Ordner:\n" + folder.path());
            EXPECT_EQ(boxes.texts, said);
            EXPECT_EQ(IsWindowVisible(desktop) != FALSE, answer == IDYES);
            EXPECT_EQ(RegText(HKEY_CURRENT_USER, RunKey, "Andere"), U) << "another program's";
        }
    DestroyWindow(desktop);
}

// The dialog opens with the stored state (Corvane+.exe is missing; without a "Progman" window the
// box shows the stored policy); OK stores every choice, in the settings file and the registry, and
// the dialog then opens with them. (Cancel: end to end.)
TEST_F(OptionsTest, TheDialogShowsTheStoredStateAndOkStoresEveryChoice) {
    StoreState();
    EXPECT_EQ(ShowDialog({IDC_DOUBLE_CLICK, IDC_MARK_LINKS, IDC_QUICK_INFO, IDC_DESKTOP_MENU, IDC_AUTOSTART,
                          IDC_SHELL_VERB, IDC_HIDE_DESKTOP}, IDOK), "100010000100");
    EXPECT_EQ(ReadBytes(std::wstring(IniPath)), "[Ombrix+ Optionen]\r\nÖffnen=Doppelklick\r\nKennzeichnen=Ja\r\nQuickInfo=Nein\r\n"
                                  "Sortieren=Nein\r\nCorvane+=Nein\r\nDesktop-Menü=Ja\r\n");
    EXPECT_EQ(Entries(), (Names{R, "Ombrix+", U, N, N, N, K, K, K, K, "1"}));
    EXPECT_EQ(ShowDialog({}, IDCANCEL), "010100110010");  // the hidden desktop as stored
}

// OK shows the new tooltips and pictures at once, without a rescan: a shortcut added meanwhile
// has no icon yet.
TEST_F(OptionsTest, OkShowsTheNewTooltipsAndPicturesAtOnce) {
    StoreState();
    AddShortcut("Alpha");
    RebuildTrayIcons();
    AddShortcut("Aaron");
    ShowDialog({IDC_MARK_LINKS, IDC_QUICK_INFO}, IDOK);
    EXPECT_EQ(tray.Tips(), Names{"Alpha"});
    EXPECT_TRUE(ArrowOver(PictureOf(tray.At(0).icon), ShellPicture(Link("Alpha"))));
}

// "Kennzeichnen" switched in the dialog changes every icon at once: off, each shows its plain
// picture; on again, the shell's with the shortcut arrow over it.
TEST_F(OptionsTest, KennzeichnenSwitchedInTheDialogChangesEveryIcon) {
    AddShortcut("Alpha", "", 3);
    AddShortcut("Bravo", "", 4);
    RebuildTrayIcons();  // marked, by default
    for (bool marked : {false, true}) {
        ShowDialog({IDC_MARK_LINKS}, IDOK);
        for (int i : {0, 1}) {
            const Picture shown = PictureOf(tray.At(i).icon);
            const std::string name = i ? "Bravo" : "Alpha";
            if (marked)
                EXPECT_TRUE(ArrowOver(shown, ShellPicture(Link(name)))) << name;
            else
                EXPECT_EQ(shown, PlainPicture(Shell32, 3 + i)) << name;
        }
    }
}

// A new order on OK brings the icons in that order, a shortcut added meanwhile with them.
TEST_F(OptionsTest, ANewOrderOnOkBringsTheIconsInThatOrder) {
    StoreState();
    AddShortcut("Alpha");
    RebuildTrayIcons();
    AddShortcut("Aaron");
    ShowDialog({IDC_SORT}, IDOK);
    EXPECT_EQ(tray.Tips(), (Names{"Aaron - Ombrix+", "Alpha - Ombrix+"}));
}

// The companion: told about the icons only while "Corvane+" is "Ja", started
// when it does not run yet, told to close at the end.
TEST_F(ProgramTest, CompanionFollowsTheOption) {
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\corvane_standin.exe").c_str(), folder.file("Corvane+.exe").c_str(), 0));
    char workingFolder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, workingFolder);
    SetCurrentDirectoryA(folder.path().c_str());  // where the shell looks for "Corvane+.exe" first
    RegisterCompanionMessages();
    NotifyCompanion(CompanionAddTrayIconMessage);  // not running: never started by a notice
    StartCompanion();
    SetCurrentDirectoryA(workingFolder);
    EXPECT_TRUE(PumpUntil([] { return FindCompanionWindow() != nullptr; }));
    NotifyCompanion(CompanionAddTrayIconMessage);
    lstrcpyA(Settings.szCompanion, "JA");
    StartCompanion();
    NotifyCompanion(CompanionCloseMessage);
    EXPECT_TRUE(PumpUntil([] { return FindCompanionWindow() == nullptr; }));
    EXPECT_EQ(ReadBytes(folder.file("corvane.log")), "started\r\nAddTrayIcon\r\nCloseCorvane\r\n");
}

// OK reads every box before anything that runs a message loop: closed meanwhile from the
// tray, the program still stores what the dialog showed.
TEST_F(OptionsTest, OkKeepsTheShownStateWhenClosedMeanwhile) {
    AddShortcut("Alpha");
    RebuildTrayIcons();
    AddShortcut("Bravo");
    WriteRegText(HKEY_LOCAL_MACHINE, RunKey, "Ombrix+", R);
    tray.refuse = [](DWORD message, UINT) {
        if (message == NIM_ADD && IsWindow(TrayWindow)) SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
        return false;
    };
    ShowDialog({IDC_SORT}, IDOK);  // a new order: the icons are added anew
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, RunKey, "Ombrix+"), R);
}
