// The options dialog, driven by messages from inside its own modal loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "options/companion.h"
#include "options/integration.h"
#include "options/options.h"
#include "options_registry.h"
#include "res/resource.h"
#include "support/testsupport.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"

namespace {

const char kSection[] = "[Ombrix+ Optionen]\r\n";

int companionAdds;

LRESULT CALLBACK CompanionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CompanionAddTrayIconMessage) ++companionAdds;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A companion window in this process that counts "Corvane+AddTrayIcon".
class CompanionWindow {
public:
    CompanionWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = CompanionProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = CompanionWindowClass;
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, CompanionWindowClass, CompanionWindowTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    ~CompanionWindow() { DestroyWindow(window_); }

private:
    HWND window_;
};

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Click(HWND dialog, int id) {
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

void Press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ItemText(HWND dialog, int id) {
    char text[MAX_PATH] = {};
    GetDlgItemTextA(dialog, id, text, MAX_PATH);
    return text;
}

class OptionsDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AppInstance = GetModuleHandleA(nullptr);
        RegisterCompanionMessages();
        WNDCLASSA wc;
        if (!GetClassInfoA(AppInstance, TrayWindowClass, &wc)) RegisterTrayWindowClass(AppInstance);
        if (!TrayWindow) CreateTrayWindow(AppInstance);
    }
    void SetUp() override {
        ASSERT_NE(TrayWindow, nullptr);
        ASSERT_TRUE(DeriveProgramPaths(folder.file("ombrix.exe").c_str()));
        GetCurrentDirectoryA(MAX_PATH, previousFolder);
        SetCurrentDirectoryA(workFolder.path().c_str());
        RemoveAllEntries();
        companionAdds = 0;
        // The folder is never empty, so a rebuild never offers the wizard.
        for (const char* name : {"Bravo", "Alpha"}) AddShortcut(name);
    }
    void TearDown() override {
        RemoveTrayIcons();
        SetCurrentDirectoryA(previousFolder);
        RemoveAllEntries();
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    }
    void AddShortcut(const char* name) {
        ASSERT_TRUE(MakeShortcut(folder.file(std::string(name) + ".lnk"), "C:\\windows\\notepad.exe"));
    }
    // The icon set as start-up builds it, then a clean record.
    void BuildIcons() {
        RebuildTrayIcons();
        RefreshTrayTips();
        ASSERT_EQ(CurrentShortcutTable.nCount, 2);
        icons.calls.clear();
    }
    void LoadIni(const std::string& lines) {
        if (!lines.empty()) WriteBytes(IniPath, kSection + lines);
        LoadSettings();
    }
    // Opens the dialog and runs act inside it; act ends it with OK or Cancel.
    void Run(std::function<void(HWND)> act) {
        DialogDriver driver(std::move(act));
        ShowOptionsDialog();
        EXPECT_TRUE(driver.acted()) << "the dialog did not open";
    }
    // "Corvane+.exe" where the program looks for it: the current folder.
    void ProvideCompanionExecutable() {
        ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\corvane_standin.exe").c_str(),
                              workFolder.file("Corvane+.exe").c_str(), FALSE));
    }
    std::string Stored(const char* key) {
        char value[MAX_PATH];
        GetPrivateProfileStringA(SettingsSection, key, "(fehlt)", value, MAX_PATH, IniPath);
        return value;
    }
    TempFolder folder{"options dialog"};
    NotifyIconRecorder icons;
    MessageBoxRecorder boxes;
    TempFolder workFolder{"options work"};
    char previousFolder[MAX_PATH];
};

struct ExpectedControl {
    int id;
    const char* cls;
    const char* text;
    RECT box;  // dialog units: left, top, width, height
    DWORD kind;
    bool tabStop;
};

}  // namespace

TEST_F(OptionsDialog, TemplateHasEveryControlInTabOrder) {
    const ExpectedControl expected[] = {
        {IDOK, "Button", "&OK", {145, 129, 50, 14}, BS_PUSHBUTTON, true},
        {IDCANCEL, "Button", "&Abbrechen", {210, 129, 50, 14}, BS_PUSHBUTTON, true},
        {-1, "Button", "Ombrix+ Ordner", {5, 5, 260, 28}, BS_GROUPBOX, false},
        {IDC_FOLDER_PATH, "Edit", "", {10, 19, 195, 8}, 0, false},
        {IDC_OPEN_FOLDER, "Button", "\xD6&ffnen...", {210, 14, 50, 14}, BS_PUSHBUTTON, true},
        {-1, "Button", "Allgemeine Optionen", {5, 39, 127, 74}, BS_GROUPBOX, false},
        {IDC_AUTOSTART, "Button", "Au&tostart aktivieren", {10, 50, 81, 10}, BS_AUTOCHECKBOX, true},
        {IDC_SORT, "Button", "Alpha&betisch sortieren", {10, 62, 85, 10}, BS_AUTOCHECKBOX, true},
        {IDC_MARK_LINKS, "Button", "&Verkn\xFCpfungen kennzeichnen", {10, 74, 115, 10}, BS_AUTOCHECKBOX, true},
        {IDC_SHELL_VERB, "Button", "&Shellerweiterung aktivieren", {10, 86, 101, 10}, BS_AUTOCHECKBOX, true},
        {IDC_QUICK_INFO, "Button", "&QuickInfo \"Ombrix+\" anzeigen", {10, 98, 117, 10}, BS_AUTOCHECKBOX, true},
        {-1, "Button", "Corvane+", {5, 118, 127, 26}, BS_GROUPBOX, false},
        {IDC_COMPANION, "Button", "als Er&weiterung integrieren", {10, 129, 103, 10}, BS_AUTOCHECKBOX, true},
        {-1, "Button", "Mausoptionen", {140, 39, 125, 38}, BS_GROUPBOX, false},
        {IDC_SINGLE_CLICK, "Button", "einfacher &Klick", {145, 50, 67, 10}, BS_AUTORADIOBUTTON, false},
        {IDC_DOUBLE_CLICK, "Button", "&Doppelklick", {145, 62, 57, 10}, BS_AUTORADIOBUTTON, false},
        {-1, "Button", "Desktop Optionen", {140, 82, 125, 38}, BS_GROUPBOX, false},
        {IDC_DESKTOP_MENU, "Button", "Desktop-&Men\xFC aktivieren", {145, 93, 95, 10}, BS_AUTOCHECKBOX, true},
        {IDC_HIDE_DESKTOP, "Button", "Desktop-&Elemente ausblenden", {145, 106, 117, 10}, BS_AUTOCHECKBOX, true},
    };
    LoadIni("");
    Run([&](HWND dialog) {
        char caption[64];
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_STREQ(caption, "Ombrix+ Optionen");
        EXPECT_EQ(GetParent(dialog), TrayWindow) << "owned by the tray window";
        RECT client;
        GetClientRect(dialog, &client);
        RECT size = {0, 0, 270, 150};
        MapDialogRect(dialog, &size);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);

        HWND child = GetWindow(dialog, GW_CHILD);
        for (const ExpectedControl& want : expected) {
            ASSERT_NE(child, nullptr) << "missing control " << want.text;
            char cls[32], text[64];
            GetClassNameA(child, cls, sizeof cls);
            GetWindowTextA(child, text, sizeof text);
            LONG style = GetWindowLongA(child, GWL_STYLE);
            EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), want.id) << want.text;
            EXPECT_STREQ(cls, want.cls) << want.text;
            if (want.id != IDC_FOLDER_PATH) {
                EXPECT_STREQ(text, want.text);
            }
            if (std::string(cls) == "Button") {
                EXPECT_EQ(static_cast<DWORD>(style & BS_TYPEMASK), want.kind) << want.text;
            }
            // The button control moves the tab stop to the checked radio button.
            bool radio = want.kind == BS_AUTORADIOBUTTON && std::string(cls) == "Button";
            bool tabStop = radio ? SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED : want.tabStop;
            EXPECT_EQ((style & WS_TABSTOP) != 0, tabStop) << want.text;
            EXPECT_EQ(style & WS_GROUP, 0) << want.text;
            // Position and size are converted each on its own, as the dialog manager does.
            RECT place = want.box;
            MapDialogRect(dialog, &place);
            place.right += place.left;
            place.bottom += place.top;
            RECT actual;
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_TRUE(EqualRect(&place, &actual)) << want.text;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr) << "no further controls";
        LONG edit = GetWindowLongA(GetDlgItem(dialog, IDC_FOLDER_PATH), GWL_STYLE);
        EXPECT_NE(edit & ES_READONLY, 0);
        EXPECT_NE(edit & ES_AUTOHSCROLL, 0);
        EXPECT_EQ(edit & WS_BORDER, 0);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        Press(dialog, IDCANCEL);
    });
}

TEST_F(OptionsDialog, FirstStartShowsTheDefaultsAndCancelWritesNothing) {
    LoadIni("");
    ProgramSettings before = Settings;
    Run([&](HWND dialog) {
        EXPECT_EQ(ItemText(dialog, IDC_FOLDER_PATH), folder.path());
        EXPECT_FALSE(Checked(dialog, IDC_SINGLE_CLICK));
        EXPECT_TRUE(Checked(dialog, IDC_DOUBLE_CLICK));
        EXPECT_TRUE(Checked(dialog, IDC_MARK_LINKS));
        EXPECT_TRUE(Checked(dialog, IDC_QUICK_INFO));
        EXPECT_TRUE(Checked(dialog, IDC_SORT));
        EXPECT_FALSE(Checked(dialog, IDC_COMPANION));
        EXPECT_FALSE(Checked(dialog, IDC_DESKTOP_MENU));
        EXPECT_FALSE(Checked(dialog, IDC_AUTOSTART));
        EXPECT_FALSE(Checked(dialog, IDC_SHELL_VERB));
        // The session has no shell desktop window, so the icons count as hidden.
        EXPECT_TRUE(Checked(dialog, IDC_HIDE_DESKTOP));
        // Every choice changed, then thrown away.
        Click(dialog, IDC_SINGLE_CLICK);
        EXPECT_FALSE(Checked(dialog, IDC_DOUBLE_CLICK)) << "the two radio buttons exclude each other";
        for (int id : {IDC_MARK_LINKS, IDC_QUICK_INFO, IDC_SORT, IDC_DESKTOP_MENU, IDC_AUTOSTART, IDC_SHELL_VERB,
                       IDC_HIDE_DESKTOP})
            Click(dialog, id);
        Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(FileExists(IniPath));
    EXPECT_EQ(memcmp(&before, &Settings, sizeof Settings), 0);
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+").exists);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, VerbKey("lnkfile")));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kPolicyKey, "NoDesktop").exists);
}

TEST_F(OptionsDialog, OkWithoutChangesWritesAllSixKeysAndTheRegistry) {
    LoadIni("");
    Run([](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(ReadBytes(IniPath), std::string(kSection) +
                                      "\xD6" "ffnen=Doppelklick\r\nKennzeichnen=Ja\r\nQuickInfo=Ja\r\nSortieren=Ja\r\n"
                                      "Corvane+=Nein\r\nDesktop-Men\xFC=Nein\r\n");
    EXPECT_TRUE(SettingsFileExists());
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kPolicyKey, "NoDesktop").bytes, std::string("\1\0\0\0", 4));
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").text(),
              "\"" + folder.file("ombrix.exe") + "\" /uninstall");
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+").exists);
}

TEST_F(OptionsDialog, OkStoresEveryChoice) {
    LoadIni("");
    Run([](HWND dialog) {
        Click(dialog, IDC_SINGLE_CLICK);
        for (int id : {IDC_MARK_LINKS, IDC_QUICK_INFO, IDC_SORT, IDC_DESKTOP_MENU, IDC_AUTOSTART, IDC_SHELL_VERB,
                       IDC_HIDE_DESKTOP})
            Click(dialog, id);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(ReadBytes(IniPath), std::string(kSection) +
                                      "\xD6" "ffnen=Einfacher Klick\r\nKennzeichnen=Nein\r\nQuickInfo=Nein\r\n"
                                      "Sortieren=Nein\r\nCorvane+=Nein\r\nDesktop-Men\xFC=Ja\r\n");
    EXPECT_STREQ(Settings.szClickMode, "Einfacher Klick");
    EXPECT_STREQ(Settings.szMarkLinks, "Nein");
    EXPECT_STREQ(Settings.szQuickInfo, "Nein");
    EXPECT_STREQ(Settings.szSort, "Nein");
    EXPECT_STREQ(Settings.szCompanion, "Nein");
    EXPECT_STREQ(Settings.szDesktopMenu, "Ja");
    std::string exe = "\"" + folder.file("ombrix.exe") + "\"";
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+").text(), exe);
    EXPECT_EQ(ReadRegValue(HKEY_CLASSES_ROOT, VerbCommandKey("lnkfile"), nullptr).text(), exe + " %1");
    EXPECT_EQ(ReadRegValue(HKEY_CLASSES_ROOT, VerbCommandKey("piffile"), nullptr).text(), exe + " %1");
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kPolicyKey, "NoDesktop").bytes, std::string("\0\0\0\0", 4));
}

TEST_F(OptionsDialog, OpeningShowsTheStoredStateAndOkKeepsIt) {
    LoadIni("\xD6" "ffnen=einfacher klick\r\nKennzeichnen=NEIN\r\nQuickInfo=Nein\r\nSortieren=nein\r\n"
            "Corvane+=vielleicht\r\nDesktop-Men\xFC=JA\r\n");
    ApplyIntegrationState(IntegrationState{false, true, true});
    Run([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_SINGLE_CLICK));
        EXPECT_FALSE(Checked(dialog, IDC_DOUBLE_CLICK));
        EXPECT_FALSE(Checked(dialog, IDC_MARK_LINKS));
        EXPECT_FALSE(Checked(dialog, IDC_QUICK_INFO));
        EXPECT_FALSE(Checked(dialog, IDC_SORT));
        EXPECT_FALSE(Checked(dialog, IDC_COMPANION)) << "neither Ja nor Nein shows unchecked";
        EXPECT_TRUE(Checked(dialog, IDC_DESKTOP_MENU)) << "case does not matter";
        EXPECT_TRUE(Checked(dialog, IDC_AUTOSTART));
        EXPECT_TRUE(Checked(dialog, IDC_SHELL_VERB));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Stored(KeyClickMode), "Einfacher Klick");
    EXPECT_EQ(Stored(KeySort), "Nein");
    EXPECT_EQ(Stored(KeyCompanion), "Nein");
    EXPECT_EQ(Stored(KeyDesktopMenu), "Ja");
    IntegrationState state = ReadIntegrationState();
    EXPECT_TRUE(state.fAutostart);
    EXPECT_TRUE(state.fShellVerb);
}

TEST_F(OptionsDialog, OnlyOneOfTheVerbsShowsUncheckedAndOkRemovesBoth) {
    LoadIni("");
    ApplyIntegrationState(IntegrationState{false, false, true});
    DeleteRegTree(HKEY_CLASSES_ROOT, VerbKey("piffile"));
    Run([](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_SHELL_VERB));
        Press(dialog, IDOK);
    });
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, VerbKey("lnkfile")));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, VerbKey("piffile")));
}

TEST_F(OptionsDialog, AMissingCompanionExecutableDisablesItsBox) {
    LoadIni("Corvane+=Ja\r\n");
    Run([](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_COMPANION));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_COMPANION)));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Stored(KeyCompanion), "Nein");
    EXPECT_STREQ(Settings.szCompanion, "Nein");
}

TEST_F(OptionsDialog, ARunningCompanionIsLeftAloneWhenTheOptionStaysOn) {
    ProvideCompanionExecutable();
    LoadIni("Corvane+=Ja\r\n");
    CompanionWindow companion;
    Run([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_COMPANION));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_COMPANION)));
        Press(dialog, IDOK);
    });
    PumpMessages(200);
    EXPECT_EQ(companionAdds, 0);
    EXPECT_FALSE(FileExists(workFolder.file("corvane.log"))) << "no second companion started";
    EXPECT_EQ(Stored(KeyCompanion), "Ja");
}

TEST_F(OptionsDialog, SwitchingTheCompanionOnTellsARunningOne) {
    ProvideCompanionExecutable();
    LoadIni("Corvane+=Nein\r\n");
    CompanionWindow companion;
    Run([](HWND dialog) {
        Click(dialog, IDC_COMPANION);
        Press(dialog, IDOK);
    });
    PumpMessages(200);
    EXPECT_EQ(companionAdds, 1);
    EXPECT_FALSE(FileExists(workFolder.file("corvane.log")));
    EXPECT_STREQ(Settings.szCompanion, "Ja");
}

TEST_F(OptionsDialog, AnOptionThatIsOnStartsACompanionThatDoesNotRun) {
    ProvideCompanionExecutable();
    LoadIni("Corvane+=Ja\r\n");
    Run([](HWND dialog) { Press(dialog, IDOK); });
    ASSERT_TRUE(WaitForFile(workFolder.file("corvane.log"), 15000)) << "Corvane+.exe was not started";
    HWND started = nullptr;
    for (int i = 0; i < 100 && !(started = FindCompanionWindow()); ++i) PumpMessages(50);
    ASSERT_NE(started, nullptr);
    NotifyCompanion(CompanionCloseMessage);
    for (int i = 0; i < 100 && FindCompanionWindow(); ++i) PumpMessages(50);
}

TEST_F(OptionsDialog, ChangingTheOrderTellsTheCompanionUnderTheOldOption) {
    ProvideCompanionExecutable();
    CompanionWindow companion;
    // On before this OK: the order change is announced once, and the option
    // staying on adds nothing.
    LoadIni("Corvane+=Ja\r\nSortieren=Ja\r\n");
    Run([](HWND dialog) {
        Click(dialog, IDC_SORT);
        Press(dialog, IDOK);
    });
    PumpMessages(200);
    EXPECT_EQ(companionAdds, 1);
    EXPECT_STREQ(Settings.szSort, "Nein");

    // Off before this OK and left off: nothing, though the order changed.
    companionAdds = 0;
    LoadIni("Corvane+=Nein\r\nSortieren=Nein\r\n");
    Run([](HWND dialog) {
        Click(dialog, IDC_SORT);
        Press(dialog, IDOK);
    });
    PumpMessages(200);
    EXPECT_EQ(companionAdds, 0);
    EXPECT_EQ(Stored(KeySort), "Ja");
}

namespace {

std::vector<RecordedNotifyIcon> Calls(const NotifyIconRecorder& icons, DWORD message, UINT flags) {
    std::vector<RecordedNotifyIcon> found;
    for (const RecordedNotifyIcon& call : icons.calls)
        if (call.message == message && call.uFlags == flags) found.push_back(call);
    return found;
}

std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) names.push_back(CurrentShortcutTable.pEntries[i].szName);
    return names;
}

}  // namespace

TEST_F(OptionsDialog, OkRefreshesMarksAndTipsEveryTimeButRebuildsOnlyForTheOrder) {
    LoadIni("Kennzeichnen=Ja\r\nQuickInfo=Ja\r\nSortieren=Ja\r\n");
    BuildIcons();
    Run([&](HWND dialog) {
        AddShortcut("Charlie");  // a rebuild would show it
        Press(dialog, IDOK);
    });
    auto marks = Calls(icons, NIM_MODIFY, NIF_ICON);
    auto tips = Calls(icons, NIM_MODIFY, NIF_TIP);
    ASSERT_EQ(marks.size(), 2u);
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_EQ(marks[0].hIcon, CurrentShortcutTable.pEntries[0].hOverlayIcon);
    EXPECT_EQ(tips[0].tip, "Alpha - Ombrix+");
    EXPECT_EQ(icons.Count(NIM_ADD), 0u);
    EXPECT_EQ(icons.Count(NIM_DELETE), 0u);
    EXPECT_EQ(TableNames(), (std::vector<std::string>{"Alpha", "Bravo"}));

    // Marks and QuickInfo switched off: plain icons and bare names at once.
    icons.calls.clear();
    Run([](HWND dialog) {
        Click(dialog, IDC_MARK_LINKS);
        Click(dialog, IDC_QUICK_INFO);
        Press(dialog, IDOK);
    });
    marks = Calls(icons, NIM_MODIFY, NIF_ICON);
    tips = Calls(icons, NIM_MODIFY, NIF_TIP);
    ASSERT_EQ(marks.size(), 2u);
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_EQ(marks[1].hIcon, CurrentShortcutTable.pEntries[1].hPlainIcon);
    EXPECT_EQ(tips[1].tip, "Bravo");
    EXPECT_EQ(icons.Count(NIM_ADD), 0u);
}

TEST_F(OptionsDialog, ChangingTheOrderRebuildsTheIconsInTheNewOrder) {
    LoadIni("Sortieren=Nein\r\n");
    BuildIcons();
    Run([&](HWND dialog) {
        AddShortcut("Aaron");
        Click(dialog, IDC_SORT);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Stored(KeySort), "Ja");
    EXPECT_EQ(TableNames(), (std::vector<std::string>{"Aaron", "Alpha", "Bravo"}));
    EXPECT_EQ(icons.Count(NIM_DELETE), 2u);
    EXPECT_EQ(icons.Count(NIM_ADD), 3u);
    // The tips are set again after the new icons: two before the rebuild, three after.
    auto tips = Calls(icons, NIM_MODIFY, NIF_TIP);
    ASSERT_EQ(tips.size(), 5u);
    EXPECT_EQ(tips[2].tip, "Aaron - Ombrix+");
    EXPECT_EQ(icons.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
}

TEST_F(OptionsDialog, OtherCommandsAreNotHandled) {
    LoadIni("");
    Run([](HWND dialog) {
        // A button notification other than a click is not a command here.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(FileExists(IniPath));
}
