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

// Settings file bytes (Windows-1252) to the settings the program works with, the
// file in a folder whose name the code page cannot spell.
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
    const std::wstring place = Wide(folder.path()) + L"\\\u0110or\u0111e Leiste";  // Đorđe Leiste
    ASSERT_TRUE(CreateDirectoryW(place.c_str(), nullptr));
    for (const Row& row : rows) {
        lstrcpynW(IniPath, (place + L"\\ombrix.ini").c_str(), MAX_PATH);
        WriteBytes(std::wstring(IniPath), row.bytes);
        Settings = ProgramSettings{};
        LoadSettings();
        EXPECT_EQ(Fields(), row.fields) << row.what;
    }
}

// At a drive root the program's folder is the root itself; a path whose commands would not fit
// is refused whole.
TEST(CommandLine, ExecutablePathToDerivedPaths) {
    ASSERT_TRUE(DeriveProgramPaths(L"C:\\ombrix.exe"));
    EXPECT_STREQ(ProgramFolder, L"C:\\");
    for (int length : {246, 247, 248}) {  // 246 + two quotes + " /uninstall" = 259
        WCHAR stored[MAX_PATH];
        bool starts = DeriveProgramPaths(Wide("C:\\" + std::string(length - 9, 'b') + "\\o.exe").c_str());
        EXPECT_EQ(starts, length == 246) << length;
        EXPECT_TRUE(!starts || MakeStoredCommand(UninstallCommand, stored)) << "no uninstall entry for " << length;
    }
}

// The shell verb's copy mode, from the command line as the shell passes it (the
// path unquoted): shortcuts are copied, also under names the code page cannot
// spell and with a full-width quotation mark; anything else is refused with a
// message and nothing lands in the folder; a shortcut of the same name is
// replaced only when the user says so.
TEST(CommandLine, CopyModeTakesShortcutsOnly) {
    TempFolder source("copy source"), target("copy target");
    lstrcpynW(ProgramFolder, Wide(target.path()).c_str(), MAX_PATH);
    const std::wstring from = Wide(source.path()) + L"\\", unicode = L"\u0141\u00F3d\u017A \uFF02Zitat\uFF02.lnk";
    for (const std::wstring& name : {std::wstring(L"Mein Editor.lnk"), unicode})
        ASSERT_TRUE(MakeShortcut(from + name, L"C:\\windows\\notepad.exe"));
    WriteBytes(source.file("ALT.PIF"), "P");
    WriteBytes(source.file("N.txt"), "T");
    ASSERT_TRUE(CreateDirectoryA(source.file("Ordner.lnk").c_str(), nullptr));
    WriteBytes(source.file("Ordner.lnk\\inner.lnk"), "I");
    const std::pair<std::wstring, bool> rows[] = {{from + L"Mein Editor.lnk", true}, {from + unicode, true},
        {from + L"ALT.PIF", true}, {from + L"N.txt", false}, {L"\"" + from + L"ALT.PIF\"", false},
        {from + L"Ordner.lnk", false}, {L"C:\\" + std::wstring(300, L'x') + L".lnk", false}};
    for (const auto& [argument, copied] : rows) {
        MessageBoxRecorder boxes;
        const std::wstring commandLine = L"\"C:\\Program Files\\ombrix.exe\"  " + argument;
        CopyShortcutIntoFolder(CommandLineArguments(commandLine.c_str()));
        EXPECT_EQ(boxes.texts, copied ? Names{} : Names{"Fehler beim Kopieren der Verkn\xFC" "pfung."}) << Narrow(argument);
    }
    EXPECT_EQ(FolderNames(target.path()).size(), 3u);
    for (const std::wstring& name : {std::wstring(L"Mein Editor.lnk"), unicode})
        EXPECT_EQ(ReadBytes(Wide(target.path()) + L"\\" + name), ReadBytes(from + name)) << Narrow(name);
    WriteBytes(target.file("ALT.PIF"), "edited");  // replaced only with the user's yes
    for (int answer : {IDNO, IDYES}) {
        DialogDriver driver([answer](HWND dialog) { Press(dialog, answer); });
        CopyShortcutIntoFolder(Wide(source.file("ALT.PIF")).c_str());
        EXPECT_EQ(ReadBytes(target.file("ALT.PIF")), answer == IDYES ? "P" : "edited");
    }
}

namespace {

// The process's value of a variable, "(none)" when it has none.
std::wstring ProcessVariable(const std::wstring& name) {
    std::wstring value(GetEnvironmentVariableW(name.c_str(), nullptr, 0), L'\0');
    if (value.empty()) return L"(none)";
    value.resize(GetEnvironmentVariableW(name.c_str(), &value[0], DWORD(value.size())));
    return value;
}

void WriteUserVariable(const std::wstring& name, DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", name.c_str(), type, text.c_str(),
                    DWORD((text.size() + 1) * sizeof(wchar_t)));
}

// Puts back, even when an assertion ends the test, the whole process
// environment, and takes the test's values out of HKCU\Environment again
// (the session's registry holds none of them before).
class EnvironmentGuard : NoCopy {
public:
    explicit EnvironmentGuard(std::vector<std::wstring> names) : names_(std::move(names)) {
        LPWCH block = GetEnvironmentStringsW();
        LPWCH end = block;
        while (*end) end += wcslen(end) + 1;
        process_.assign(block, end + 1);
        FreeEnvironmentStringsW(block);
    }
    ~EnvironmentGuard() {
        SetEnvironmentStringsW(process_.data());
        for (const std::wstring& name : names_) RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", name.c_str());
    }

private:
    std::vector<std::wstring> names_;
    std::vector<wchar_t> process_;
};

}  // namespace

// What HKCU\Environment holds after start-up reaches the process exactly at a
// refresh, also where the code page cannot spell it; a reference to another
// variable of the key gets its new value; the user's Path follows the
// system's. A variable deleted there leaves the process at the next refresh,
// whether the registry held it at start-up or supplied it at a refresh; one
// the process inherited from elsewhere stays.
TEST(Environment, RefreshedFromRegistry) {
    const std::wstring a = L"OMBRIX_A", b = L"OMBRIX_B", held = L"OMBRIX_HELD", kept = L"OMBRIX_KEPT";
    // C:\Users\Đorđe Łukasz\AppData 微信 😀, long enough to outgrow first guesses
    const std::wstring unicode =
        L"C:\\Users\\\u0110or\u0111e \u0141ukasz\\AppData \u5FAE\u4FE1 \U0001F600" + std::wstring(5000, L'w');
    const std::string systemPath =
        RegText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "Path");
    const std::tuple<std::wstring, DWORD, std::wstring, std::wstring> rows[] = {
        {a, REG_EXPAND_SZ, L"<%" + b + L"%>", L"<" + unicode + L">"},  // written and sorted first: enumerated first
        {b, REG_SZ, unicode, unicode},
        {L"Path", REG_EXPAND_SZ, L"C:\\du", std::wstring(systemPath.begin(), systemPath.end()) + L";C:\\du"}};
    EnvironmentGuard guard({a, b, L"Path", held, kept});
    for (const std::wstring& name : {held, kept}) SetEnvironmentVariableW(name.c_str(), L"inherited");
    WriteUserVariable(held, REG_SZ, L"inherited");
    RememberRegistryEnvironment();  // so held came with the logon
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", held.c_str());
    for (const auto& [name, type, text, expected] : rows) WriteUserVariable(name, type, text);
    EXPECT_TRUE(RefreshEnvironmentFromRegistry());
    for (const auto& [name, type, text, expected] : rows) EXPECT_EQ(ProcessVariable(name), expected) << name;
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", a.c_str());
    EXPECT_TRUE(RefreshEnvironmentFromRegistry());
    for (const std::wstring& name : {held, a}) EXPECT_EQ(ProcessVariable(name), L"(none)") << name;
    EXPECT_EQ(ProcessVariable(kept), L"inherited");
}

// A file named like a system library in the program's folder, which holds the user's files, is
// never what loads: this one, no program at all, would fail to.
TEST(SystemLibraries, ComeFromTheSystemFolder) {
    const std::string fake = ToolsFolder() + "\\..\\tests\\Appwiz.cpl";  // beside this program
    WriteBytes(fake, "kein Programm");
    UniqueLibrary library(LoadSystemLibrary(L"Appwiz.cpl"));
    DeleteFileA(fake.c_str());
    EXPECT_TRUE(library);
}
