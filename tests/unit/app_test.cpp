// Start-up pieces: settings file, command-line modes, derived paths, the
// copy mode of the shell verb; the environment taken from the registry.
#include "app/app.h"
#include "app/environment.h"
#include "app/settings.h"
#include "options/integration.h"
#include "support/support.h"

namespace {

std::string Fields() {
    const ProgramSettings& s = Settings;  // the fields, and whether the menu option counts as on
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

// The settings file is found also where it lies deeper than OpenFile's 128
// characters reach, so such a folder does not greet every start as the first.
TEST(Settings, FoundBeyondOpenFilesReach) {
    TempFolder folder("settings");
    std::string deep = folder.file(std::string(60, 'x'));
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    lstrcpynA(IniPath, (deep + "\\" + std::string(60, 'y') + ".ini").c_str(), MAX_PATH);
    EXPECT_FALSE(SettingsFileExists());
    WriteBytes(IniPath, kSection);
    EXPECT_TRUE(SettingsFileExists());
}

// At a drive root the program's folder is the root itself; a path whose commands would not fit
// is refused whole.
TEST(CommandLine, ExecutablePathToDerivedPaths) {
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
// with a message and nothing lands in the folder; a shortcut of the same name
// is replaced only when the user says so.
TEST(CommandLine, CopyModeTakesShortcutsOnly) {
    TempFolder source("copy source"), target("copy target");
    lstrcpynA(ProgramFolder, target.path().c_str(), MAX_PATH);
    ASSERT_TRUE(MakeShortcut(source.file("Mein Editor.lnk"), "C:\\windows\\notepad.exe"));
    WriteBytes(source.file("ALT.PIF"), "P");
    WriteBytes(source.file("N.txt"), "T");
    ASSERT_TRUE(CreateDirectoryA(source.file("Ordner.lnk").c_str(), nullptr));
    WriteBytes(source.file("Ordner.lnk\\inner.lnk"), "I");
    const std::pair<std::string, bool> rows[] = {{source.file("Mein Editor.lnk"), true},
        {source.file("ALT.PIF"), true}, {source.file("N.txt"), false}, {"\"" + source.file("ALT.PIF") + "\"", false},
        {source.file("Ordner.lnk"), false}, {"C:\\" + std::string(300, 'x') + ".lnk", false}};
    for (const auto& [argument, copied] : rows) {
        MessageBoxRecorder boxes;
        CopyShortcutIntoFolder(argument.c_str());
        EXPECT_EQ(boxes.texts, copied ? Names{} : Names{"Fehler beim Kopieren der Verkn\xFC" "pfung."}) << argument;
    }
    EXPECT_EQ(FolderNames(target.path()), (Names{"ALT.PIF", "Mein Editor.lnk"}));
    EXPECT_EQ(ReadBytes(target.file("Mein Editor.lnk")), ReadBytes(source.file("Mein Editor.lnk")));
    WriteBytes(target.file("ALT.PIF"), "edited");  // replaced only with the user's yes
    for (int answer : {IDNO, IDYES}) {
        DialogDriver driver([answer](HWND dialog) { Press(dialog, answer); });
        CopyShortcutIntoFolder(source.file("ALT.PIF").c_str());
        EXPECT_EQ(ReadBytes(target.file("ALT.PIF")), answer == IDYES ? "P" : "edited");
    }
}

// Variables written to HKCU\Environment after start-up reach the process in
// full, a value that refers to another of the key is expanded with its new
// value, and the user's Path follows the system's.
TEST(Environment, RefreshedFromRegistry) {
    const std::string a = "OMBRIX_A" + std::to_string(GetCurrentProcessId()), b = "OMBRIX_B" + a.substr(8);
    const std::string ref = "<%" + b + "%>", longValue(5000, 'w');
    RegSetKeyValueA(HKEY_CURRENT_USER, "Environment", a.c_str(), REG_EXPAND_SZ, ref.data(), DWORD(ref.size() + 1));
    for (const auto& [name, text] : {std::pair(b, longValue), std::pair(std::string("Path"), std::string("C:\\du"))})
        WriteRegText(HKEY_CURRENT_USER, "Environment", name.c_str(), text);
    EXPECT_TRUE(RefreshEnvironmentFromRegistry());
    auto variable = [](const std::string& name) {
        std::string value(9000, '\0');
        return value.substr(0, GetEnvironmentVariableA(name.c_str(), &value[0], DWORD(value.size())));
    };
    EXPECT_EQ(variable(b), longValue);
    EXPECT_EQ(variable(a), "<" + longValue + ">");
    EXPECT_EQ(variable("PATH"), RegText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
                                        "Environment", "Path") + ";C:\\du");
    for (const std::string& name : {a, b, std::string("Path")})
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Environment", name.c_str());
}
