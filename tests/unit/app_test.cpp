// Start-up pieces: settings file, command-line modes, derived paths, the
// copy mode of the shell verb and the main loop.
#include <thread>

#include "app/app.h"
#include "app/settings.h"
#include "options/integration.h"
#include "support/support.h"
#include "tray/shortcuts.h"

namespace {

std::string Fields() {
    const ProgramSettings& s = Settings;
    return std::string(s.szClickMode) + "|" + s.szMarkLinks + "|" + s.szQuickInfo + "|" + s.szSort + "|" +
           s.szCompanion + "|" + s.szDesktopMenu + (IsOptionOn(s.szDesktopMenu) ? " (menu on)" : "");
}

const std::string kSection = "[Ombrix+ Optionen]\r\n";

}  // namespace

// Settings file bytes (Windows-1252) to the settings the program works with.
TEST(Settings, BytesToFields) {
    struct Row {
        const char* what;
        std::string bytes;
        const char* fields;
    } rows[] = {
        {"every key", kSection + "\xD6" "ffnen=Einfacher Klick\r\nKennzeichnen=Nein\r\nQuickInfo=Nein\r\n"
                     "Sortieren=Nein\r\nCorvane+=Ja\r\nDesktop-Men\xFC=Ja\r\n",
         "Einfacher Klick|Nein|Nein|Nein|Ja|Ja (menu on)"},
        {"keys in UTF-8", kSection + "\xC3\x96" "ffnen=Einfacher Klick\r\nDesktop-Men\xC3\xBC=Ja\r\n",
         "Doppelklick|Ja|Ja|Ja|Nein|Nein"},
        {"missing keys", kSection + "Sortieren=Nein\r\n", "Doppelklick|Ja|Ja|Nein|Nein|Nein"},
        {"empty values", kSection + "Kennzeichnen=\r\n\xD6" "ffnen=\r\nCorvane+=\r\nDesktop-Men\xFC=\r\n",
         "Doppelklick|Ja|Ja|Ja||"},
        {"wrong values", kSection + "Kennzeichnen=vielleicht\r\nQuickInfo=0\r\nSortieren=yes\r\n\xD6" "ffnen=Klick\r\n"
                        "Corvane+=1\r\nDesktop-Men\xFC=an\r\n",
         "Doppelklick|Ja|Ja|Ja|1|an"},
        {"other case", kSection + "\xD6" "ffnen=einfacher klick\r\nKennzeichnen=NEIN\r\nDesktop-Men\xFC=JA\r\n",
         "einfacher klick|NEIN|Ja|Ja|Nein|JA (menu on)"},
        {"over-long", kSection + "\xD6" "ffnen=Doppelklick und noch mehr\r\nKennzeichnen=Neinnein\r\n"
                     "Corvane+=Jaaaaaaaaa\r\nDesktop-Men\xFC=" + std::string(10000, 'J') + "\r\n",
         "Doppelklick|Ja|Ja|Ja|Jaaaaaa|JJJJJJJ"},
        {"duplicate keys", kSection + "Sortieren=Nein\r\nSortieren=Ja\r\n", "Doppelklick|Ja|Ja|Nein|Nein|Nein"},
        {"binary garbage", std::string("\0\xFF\x01[\x80]=\r\n\0Ja", 13), "Doppelklick|Ja|Ja|Ja|Nein|Nein"},
    };
    TempFolder folder("settings");
    for (const Row& row : rows) {
        lstrcpynA(IniPath, folder.file("ombrix.ini").c_str(), MAX_PATH);
        WriteBytes(IniPath, row.bytes);
        Settings = ProgramSettings{};
        LoadSettings();
        EXPECT_EQ(Fields(), row.fields) << row.what;
    }
}

// The first start greets and opens the options dialog; later starts do
// neither, also where the settings file lies deeper than OpenFile reaches.
TEST(Settings, FirstStartGreetsOnce) {
    TempFolder folder("settings");
    std::string deep = folder.file(std::string(60, 'x')), ini = deep + "\\" + std::string(60, 'y') + ".ini";
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    lstrcpynA(IniPath, ini.c_str(), MAX_PATH);
    MessageBoxRecorder boxes;
    TrayWindow = nullptr;
    AppInstance = GetModuleHandleA(nullptr);
    DialogDriver driver([](HWND dialog) { Press(dialog, IDCANCEL); });
    LoadStartupSettings();
    EXPECT_TRUE(driver.acted) << "no options dialog after the greeting";
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].rfind("Ombrix+ Installation\n\nOmbrix+ hat keine Konfigurationsdatei gefunden.", 0), 0u);
    EXPECT_EQ(Fields(), "Doppelklick|Ja|Ja|Ja|Nein|Nein");
    WriteBytes(ini, kSection + "Sortieren=Nein\r\n");
    LoadStartupSettings();
    EXPECT_EQ(boxes.texts.size(), 1u) << "a later start greets again";
    EXPECT_EQ(Fields(), "Doppelklick|Ja|Ja|Nein|Nein|Nein");
}

TEST(CommandLine, ArgumentTextToMode) {
    const std::pair<const char*, LaunchMode> rows[] = {
        {"", LaunchMode::Normal}, {"/uninstall", LaunchMode::Uninstall}, {"/UnInstall", LaunchMode::Uninstall},
        {"/uninstall ", LaunchMode::CopyShortcut}, {"C:\\a b\\x.lnk", LaunchMode::CopyShortcut}};
    for (const auto& [text, mode] : rows) EXPECT_EQ(DecideLaunchMode(text), mode) << "'" << text << "'";
}

// The executable's path to the folder, the settings file and the commands;
// a path whose commands would not fit is refused whole.
TEST(CommandLine, ExecutablePathToDerivedPaths) {
    ASSERT_TRUE(DeriveProgramPaths("C:\\Program Files\\Leiste\\ombrix.exe"));
    EXPECT_STREQ(ProgramFolder, "C:\\Program Files\\Leiste");
    EXPECT_STREQ(IniPath, "C:\\Program Files\\Leiste\\ombrix.ini");
    EXPECT_STREQ(VerbCommand, "C:\\Program Files\\Leiste\\ombrix.exe %1");
    EXPECT_STREQ(UninstallCommand, "C:\\Program Files\\Leiste\\ombrix.exe /uninstall");
    ASSERT_TRUE(DeriveProgramPaths("C:\\ombrix.exe"));
    EXPECT_STREQ(ProgramFolder, "C:\\");
    for (int length : {246, 247, 248}) {  // 246 + two quotes + " /uninstall" = 259
        char stored[MAX_PATH];
        bool starts = DeriveProgramPaths(("C:\\" + std::string(length - 9, 'b') + "\\o.exe").c_str());
        EXPECT_EQ(starts, length == 246) << length;
        EXPECT_TRUE(!starts || MakeStoredCommand(UninstallCommand, stored)) << "no uninstall entry for " << length;
    }
}

// The shell verb's copy mode: shortcuts are copied, anything else is refused
// with a message and nothing lands in the folder.
TEST(CommandLine, CopyModeTakesShortcutsOnly) {
    TempFolder source("copy source"), target("copy target");
    lstrcpynA(ProgramFolder, target.path().c_str(), MAX_PATH);
    ASSERT_TRUE(MakeShortcut(source.file("Mein Editor.lnk"), "C:\\windows\\notepad.exe"));
    WriteBytes(source.file("ALT.PIF"), "P");
    WriteBytes(source.file("Notiz.txt"), "T");
    ASSERT_TRUE(CreateDirectoryA(source.file("Ordner.lnk").c_str(), nullptr));
    WriteBytes(source.file("Ordner.lnk\\inner.lnk"), "I");
    const std::pair<std::string, bool> rows[] = {
        {source.file("Mein Editor.lnk"), true},        {source.file("ALT.PIF"), true},
        {source.file("Notiz.txt"), false},             {"\"" + source.file("ALT.PIF") + "\"", false},
        {source.file("Ordner.lnk"), false},            {"C:\\" + std::string(300, 'x') + ".lnk", false},
    };
    for (const auto& [argument, copied] : rows) {
        MessageBoxRecorder boxes;
        CopyShortcutIntoFolder(argument.c_str());
        EXPECT_EQ(boxes.texts, copied ? Names{} : Names{"Fehler beim Kopieren der Verkn\xFC" "pfung."}) << argument;
    }
    EXPECT_EQ(FolderNames(target.path()), (Names{"ALT.PIF", "Mein Editor.lnk"}));
    EXPECT_EQ(ReadBytes(target.file("Mein Editor.lnk")), ReadBytes(source.file("Mein Editor.lnk")));
    EXPECT_TRUE(FileExists(source.file("Mein Editor.lnk"))) << "a copy, not a move";
}

// The shell verb's copy never replaces a shortcut of the same name without the user's yes.
TEST(CommandLine, CopyModeAsksBeforeReplacing) {
    TempFolder source("copy source"), target("copy target");
    lstrcpynA(ProgramFolder, target.path().c_str(), MAX_PATH);
    WriteBytes(source.file("A.lnk"), "neu");
    for (int answer : {IDNO, IDYES}) {
        WriteBytes(target.file("A.lnk"), "alt");
        DialogDriver driver([answer](HWND dialog) { Press(dialog, answer); });
        CopyShortcutIntoFolder(source.file("A.lnk").c_str());
        EXPECT_EQ(ReadBytes(target.file("A.lnk")), answer == IDYES ? "neu" : "alt");
    }
}

// The loop sleeps until the folder changes: quiet intervals cost no wake-up,
// one created file is one folder change, and WM_CLOSE ends it through the
// shut-down (icons gone, watch closed, window destroyed).
class MainLoop : public ProgramTest {};
TEST_F(MainLoop, WakesOnlyForTheFolderAndEndsOnClose) {
    AddShortcut("Editor");
    Rebuild();
    ChangeHandle.reset(FindFirstChangeNotificationA(ProgramFolder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
    volatile LONG& wakeups = LoopCounters.nWakeups;
    LONG changes = LoopCounters.nFolderChanges, quiet[2] = {-1, -1};
    HWND window = TrayWindow;
    std::thread observer([&] {
        for (LONG& count : quiet) {
            Sleep(500);  // what the last event left in the queue
            LONG before = wakeups;
            Sleep(1500);
            count = wakeups - before;
            if (&count == quiet) AddShortcut("Zweiter");
            for (int i = 0; i < 200 && LoopCounters.nFolderChanges == changes; ++i) Sleep(50);
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    RunMainLoop();
    observer.join();
    EXPECT_EQ(quiet[0], 0);
    EXPECT_EQ(quiet[1], 0);
    EXPECT_EQ(LoopCounters.nFolderChanges - changes, 1);
    EXPECT_TRUE(tray.shown.empty()) << "icons left after the shut-down";
    EXPECT_FALSE(ChangeHandle) << "the watch is closed";
    EXPECT_FALSE(IsWindow(window));
}
