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

#include <sddl.h>

const std::string RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ombrix+";

static std::string Verb(const char* cls, bool command = true) {
    return "Software\\Classes\\" + std::string(cls) + "\\Shell\\Ombrix+" + (command ? "\\Command" : "");
}

// The program's entries that are there, by place: "HKLM Run Ombrix+" and so on; a verb key left
// without its command shows "(none)"; the policy "NoDesktop" where it is REG_BINARY.
using Entries = std::map<std::string, std::string>;
static Entries FoundEntries() {
    Entries found;
    auto note = [&](const std::string& place, const std::string& text) {
        if (text != "(none)") found[place] = text;
    };
    for (auto [root, where] : {std::pair{MachineRoots.hMachine, "HKLM "}, {HKEY_CURRENT_USER, "HKCU "}}) {
        const std::string at = where;
        note(at + "Run Ombrix+", RegText(root, RunKey, "Ombrix+"));
        for (const char* name : {"DisplayName", "UninstallString"})
            note(at + "Uninstall " + name, RegText(root, UninstallKey, name));
        for (const char* cls : {"lnkfile", "piffile"}) {
            HKEY key;
            if (RegOpenKeyExA(root, Verb(cls, false).c_str(), 0, KEY_READ, &key)) continue;
            RegCloseKey(key);
            found[at + cls + " verb"] = RegText(root, Verb(cls), nullptr);
        }
    }
    DWORD policy = 0;
    DWORD size = sizeof policy;
    const char* policyKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    if (!RegGetValueA(HKEY_CURRENT_USER, policyKey, "NoDesktop", RRF_RT_REG_BINARY, nullptr, &policy, &size))
        found["NoDesktop"] = std::to_string(policy);
    return found;
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
    // Opens the options dialog, clicks there, leaves it with the button; gives the captions of the
    // boxes checked as it opened, in the dialog's order.
    Names ShowDialog(const std::vector<int>& clicks, int button) {
        Names shown;
        DialogDriver driver([&](HWND dialog) {
            EXPECT_EQ(ItemText(dialog, IDC_FOLDER_PATH), Wide(folder.path()));
            for (HWND box = GetWindow(dialog, GW_CHILD); box; box = GetWindow(box, GW_HWNDNEXT)) {
                char caption[64];
                if (SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED && GetWindowTextA(box, caption, 64))
                    shown.push_back(caption);
            }
            for (int id : clicks) SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
            Press(dialog, button);
        });
        ShowOptionsDialog();
        return shown;
    }
    const std::string run = "\"" + folder.file("ombrix.exe") + "\"";
    const std::string verb = run + " %1";
    const std::string uninstall = run + " /uninstall";
    const std::string stored = "[Ombrix+ Optionen]\r\nÖffnen=einfacher klick\r\nKennzeichnen=NEIN\r\nQuickInfo=ja\r\n"
                               "Sortieren=nein\r\nCorvane+=Ja\r\nDesktop-Menü=NEIN\r\n";
};

TEST_F(OptionsTest, OnlyOurOwnCommandsReadAsOn) {
    for (auto [text, ours] : std::vector<std::pair<std::string, bool>>{
             {run, true}, {"\"" + folder.file("OMBRIX.EXE") + "\"", true}, {"\"C:\\Alt\\ombrix.exe\"", false},
             {folder.file("ombrix.exe"), false}, {run + std::string(400, ' '), false}}) {
        WriteRegText(HKEY_LOCAL_MACHINE, RunKey, "Ombrix+", text);
        EXPECT_EQ(ReadIntegrationState().fAutostart, ours) << text;
    }
    WriteRegText(HKEY_LOCAL_MACHINE, Verb("lnkfile"), nullptr, verb);
    EXPECT_FALSE(ReadIntegrationState().fShellVerb) << "one of the two";
    WriteRegText(HKEY_CURRENT_USER, Verb("piffile"), nullptr, verb);
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
            for (const char* name : {"Ombrix+", "Andere"}) WriteRegText(HKEY_CURRENT_USER, RunKey, name, uninstall);
            WriteRegText(HKEY_CURRENT_USER, UninstallKey, "UninstallString", run);
            WriteRegText(HKEY_CURRENT_USER, Verb("lnkfile"), nullptr, uninstall);
            ApplyIntegrationState({true, true, true});
            const std::string at = machine ? "HKLM " : "HKCU ";
            const Entries before = {{at + "Run Ombrix+", run}, {at + "Uninstall DisplayName", "Ombrix+"},
                                    {at + "Uninstall UninstallString", uninstall}, {at + "lnkfile verb", verb},
                                    {at + "piffile verb", verb}, {"NoDesktop", "1"}};
            EXPECT_EQ(FoundEntries(), before);
            Texts said = {L"Soll Ombrix+ wirklich deinstalliert werden?"};
            boxes.texts.clear();
            boxes.answer = answer;
            RunUninstall();
            EXPECT_EQ(FoundEntries(), (answer == IDYES ? Entries{{"NoDesktop", "0"}} : before));
            if (answer == IDYES)
                said.push_back(L"Ombrix+ deinstalliert.\n\nL\u00F6schen Sie jetzt den Ombrix+ Ordner:\n" + Wide(folder.path()));
            EXPECT_EQ(boxes.texts, said);
            EXPECT_EQ(IsWindowVisible(desktop) != FALSE, answer == IDYES);
            EXPECT_EQ(RegText(HKEY_CURRENT_USER, RunKey, "Andere"), uninstall) << "another program's";
        }
    DestroyWindow(desktop);
}

// The dialog opens with the stored state (Corvane+.exe is missing; without a "Progman" window the
// box shows the stored policy); OK stores every choice, in the settings file and the registry, and
// the dialog then opens with them. (Cancel: end to end.)
TEST_F(OptionsTest, TheDialogShowsTheStoredStateAndOkStoresEveryChoice) {
    StoreState();
    EXPECT_EQ(ShowDialog({IDC_DOUBLE_CLICK, IDC_MARK_LINKS, IDC_QUICK_INFO, IDC_DESKTOP_MENU, IDC_AUTOSTART,
                          IDC_SHELL_VERB, IDC_HIDE_DESKTOP}, IDOK),
              (Names{"&Shellerweiterung aktivieren", "&QuickInfo \"Ombrix+\" anzeigen", "einfacher &Klick"}));
    EXPECT_EQ(ReadBytes(std::wstring(IniPath)), "[Ombrix+ Optionen]\r\nÖffnen=Doppelklick\r\nKennzeichnen=Ja\r\nQuickInfo=Nein\r\n"
                                  "Sortieren=Nein\r\nCorvane+=Nein\r\nDesktop-Menü=Ja\r\n");
    EXPECT_EQ(FoundEntries(), (Entries{{"HKLM Run Ombrix+", run}, {"HKLM Uninstall DisplayName", "Ombrix+"},
                                       {"HKLM Uninstall UninstallString", uninstall}, {"NoDesktop", "1"}}));
    EXPECT_EQ(ShowDialog({}, IDCANCEL),  // the hidden desktop as stored
              (Names{"Au&tostart aktivieren", "&Verknüpfungen kennzeichnen", "&Doppelklick",
                     "Desktop-&Menü aktivieren", "Desktop-&Elemente ausblenden"}));
}

// OK shows the new tooltips at once, without a rescan: a shortcut added meanwhile has no icon
// yet. A new order on OK brings the icons in that order, a shortcut added meanwhile with them.
TEST_F(OptionsTest, OkShowsTheNewTooltipsOrOrderAtOnce) {
    const std::pair<int, Texts> rows[] = {{IDC_QUICK_INFO, {L"Alpha"}},
                                          {IDC_SORT, {L"Aaron - Ombrix+", L"Alpha - Ombrix+"}}};
    for (const auto& [box, tips] : rows) {
        StoreState();
        AddShortcut("Alpha");
        RebuildTrayIcons();
        AddShortcut("Aaron");
        ShowDialog({box}, IDOK);
        EXPECT_EQ(tray.Tips(), tips);
        RemoveTrayIcons();
        DeleteFileA(Link("Aaron").c_str());
    }
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

// Closing the window takes every icon out of the taskbar while the process still runs (Windows
// keeps a dead window's icons until the pointer passes over them), and closes the companion,
// which the program started when it did not run yet.
TEST_F(ProgramTest, ClosingRemovesTheIconsAndClosesTheCompanion) {
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\corvane_standin.exe").c_str(), folder.file("Corvane+.exe").c_str(), 0));
    char workingFolder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, workingFolder);
    SetCurrentDirectoryA(folder.path().c_str());  // where the shell looks for "Corvane+.exe" first
    RegisterCompanionMessages();
    StartCompanion();
    SetCurrentDirectoryA(workingFolder);
    ASSERT_TRUE(PumpUntil([] { return FindCompanionWindow() != nullptr; }));
    lstrcpyA(Settings.szCompanion, "Ja");
    for (const char* name : {"Alpha", "Bravo"}) AddShortcut(name);
    RebuildTrayIcons();
    ASSERT_EQ(tray.shown.size(), 2u);
    PostMessageW(TrayWindow, WM_CLOSE, 0, 0);
    RunMainLoop();  // until the window is gone
    EXPECT_TRUE(tray.shown.empty());
    EXPECT_TRUE(PumpUntil([] { return FindCompanionWindow() == nullptr; }));
    EXPECT_EQ(ReadBytes(folder.file("corvane.log")), "started\r\nCloseCorvane\r\n");
}

// OK reads every box before anything that runs a message loop: closed meanwhile from the
// tray, the program still stores what the dialog showed.
TEST_F(OptionsTest, OkKeepsTheShownStateWhenClosedMeanwhile) {
    AddShortcut("Alpha");
    RebuildTrayIcons();
    AddShortcut("Bravo");
    WriteRegText(HKEY_LOCAL_MACHINE, RunKey, "Ombrix+", run);
    tray.refuse = [](DWORD message, UINT) {
        if (message == NIM_ADD && IsWindow(TrayWindow)) SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
        return false;
    };
    ShowDialog({IDC_SORT}, IDOK);  // a new order: the icons are added anew
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, RunKey, "Ombrix+"), run);
}

// Ombrix+ set up by an administrator, used by an account that may not write where it lies: an
// autostart value an elevated start wrote machine-wide (a key of the test's own stands for
// HKEY_LOCAL_MACHINE, readable only), the settings file (a folder in its place). Ticking writes
// no per-user copy to run it twice; OK over the unticked box (a copy left from before showed it
// ticked) names the value left, then says once where the settings could not be saved; /uninstall
// names the value too.
TEST_F(OptionsTest, AnAccountThatMayNotWriteIsToldWhatStays) {
    const std::string place = "Software\\Ombrix+ Test";
    const std::string runKey = place + "\\" + RunKey;
    WriteRegText(HKEY_CURRENT_USER, runKey, "Ombrix+", run);
    PSECURITY_DESCRIPTOR readOnly;  // reading, and deleting the key as the test does at the end
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRSD;;;WD)", SDDL_REVISION_1, &readOnly, nullptr);
    UniqueRegKey machineRun;
    RegOpenKeyExA(HKEY_CURRENT_USER, runKey.c_str(), 0, WRITE_DAC, machineRun.put());
    RegSetKeySecurity(machineRun.get(), DACL_SECURITY_INFORMATION, readOnly);
    LocalFree(readOnly);
    RegOpenKeyExA(HKEY_CURRENT_USER, place.c_str(), 0, KEY_READ, &MachineRoots.hMachine);
    CreateDirectoryA(folder.file("ombrix.ini").c_str(), nullptr);
    ApplyIntegrationState({false, true, false});
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, RunKey, "Ombrix+"), "(none)");
    WriteRegText(HKEY_CURRENT_USER, RunKey, "Ombrix+", run);
    ShowDialog({IDC_AUTOSTART}, IDOK);
    const std::wstring left = L"Diese Eintr\u00E4ge konnten nicht entfernt werden, dazu sind Administratorrechte "
                              L"n\u00F6tig:\n\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run "
                              L"(Wert Ombrix+)\n";
    EXPECT_EQ(boxes.texts, (Texts{left, L"Die Einstellungen konnten nicht gespeichert werden:\n" +
                                            Wide(folder.file("ombrix.ini")) + L"\n\nSie gelten, bis Ombrix+ beendet wird."}));
    boxes.texts.clear();
    RunUninstall();
    EXPECT_EQ(boxes.texts, (Texts{L"Soll Ombrix+ wirklich deinstalliert werden?",
                                  L"Ombrix+ wurde nicht vollst\u00E4ndig deinstalliert.\n\n" + left +
                                      L"\nStarten Sie die Deinstallation als Administrator erneut und l\u00F6schen Sie "
                                      L"danach den Ombrix+ Ordner:\n" + Wide(folder.path())}));
    RegCloseKey(MachineRoots.hMachine);
    MachineRoots = {HKEY_LOCAL_MACHINE};
    RegDeleteTreeA(HKEY_CURRENT_USER, place.c_str());
}
