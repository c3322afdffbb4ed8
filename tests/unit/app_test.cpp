// Start-up pieces: settings file, command-line modes, derived paths, the
// copy mode of the shell verb; the environment taken from the registry.
#include <algorithm>

#include "app/app.h"
#include "app/settings.h"
#include "options/integration.h"
#include "res/resource.h"
#include "support/support.h"

const std::string kSection = "[Ombrix+ Optionen]\r\n";

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
         "Einfacher Klick|Nein|Nein|Nein|Ja|Ja"},
        {"keys in UTF-8", kSection + "\xC3\x96" "ffnen=Einfacher Klick\r\nDesktop-Men\xC3\xBC=Ja\r\n",
         "Doppelklick|Ja|Ja|Ja|Nein|Nein"},
        {"empty values", kSection + "Kennzeichnen=\r\n\xD6" "ffnen=\r\nCorvane+=\r\nDesktop-Men\xFC=\r\n",
         "Doppelklick|Ja|Ja|Ja||"},
        {"wrong values", kSection + "Kennzeichnen=vielleicht\r\nQuickInfo=0\r\nSortieren=yes\r\n\xD6" "ffnen=Klick\r\n"
                        "Corvane+=1\r\nDesktop-Men\xFC=an\r\n",
         "Doppelklick|Ja|Ja|Ja|1|an"},
        {"other case", kSection + "\xD6" "ffnen=einfacher klick\r\nKennzeichnen=NEIN\r\nDesktop-Men\xFC=JA\r\n",
         "einfacher klick|NEIN|Ja|Ja|Nein|JA"},
        {"over-long", kSection + "\xD6" "ffnen=Doppelklick und noch mehr\r\nKennzeichnen=Neinnein\r\n"
                     "Corvane+=Jaaaaaaaaa\r\nDesktop-Men\xFC=" + std::string(10000, 'J') + "\r\n",
         "Doppelklick|Ja|Ja|Ja|Jaaaaaa|JJJJJJJ"},
        {"missing and duplicate keys", kSection + "Sortieren=Nein\r\nSortieren=Ja\r\n", "Doppelklick|Ja|Ja|Nein|Nein|Nein"},
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
        const ProgramSettings& s = Settings;
        EXPECT_EQ(std::string(s.szClickMode) + "|" + s.szMarkLinks + "|" + s.szQuickInfo + "|" + s.szSort + "|" +
                      s.szCompanion + "|" + s.szDesktopMenu, row.fields) << row.what;
    }
}

// At a drive root the program's folder is the root itself; a path whose commands would not fit
// is refused whole.
TEST(CommandLine, ExecutablePathToDerivedPaths) {
    ASSERT_TRUE(DeriveProgramPaths(L"C:\\ombrix.exe"));
    EXPECT_STREQ(ProgramFolder, L"C:\\");
    for (int length : {246, 247, 248}) {  // 246 + two quotes + " /uninstall" = 259
        const std::wstring exe = Wide("C:\\" + std::string(length - 9, 'b') + "\\o.exe");
        EXPECT_EQ(DeriveProgramPaths(exe.c_str()), length == 246) << length;
    }
}

// The shell verb's copy mode, from the command line as the shell passes it (the
// path unquoted): a .pif is copied as a shortcut; anything else is refused with
// a message and nothing lands in the folder; a shortcut of the same name is
// replaced only when the user says so. (A .lnk under a name with blanks, full-width
// quotation marks and letters the code page cannot spell: end to end.)
TEST(CommandLine, CopyModeTakesShortcutsOnly) {
    TempFolder source("copy source");
    TempFolder target("copy target");
    lstrcpynW(ProgramFolder, Wide(target.path()).c_str(), MAX_PATH);
    const std::wstring from = Wide(source.path()) + L"\\";
    WriteBytes(source.file("ALT.PIF"), "P");
    WriteBytes(source.file("N.txt"), "T");
    ASSERT_TRUE(CreateDirectoryA(source.file("Ordner.lnk").c_str(), nullptr));
    WriteBytes(source.file("Ordner.lnk\\inner.lnk"), "I");
    const std::pair<std::wstring, bool> rows[] = {{from + L"ALT.PIF", true}, {from + L"N.txt", false},
        {L"\"" + from + L"ALT.PIF\"", false}, {from + L"Ordner.lnk", false},
        {L"C:\\" + std::wstring(300, L'x') + L".lnk", false}};
    for (const auto& [argument, copied] : rows) {
        MessageBoxRecorder boxes;
        const std::wstring commandLine = L"\"C:\\Program Files\\ombrix.exe\"  " + argument;
        CopyShortcutIntoFolder(CommandLineArguments(commandLine.c_str()));
        EXPECT_EQ(boxes.texts, copied ? Texts{} : Texts{L"Fehler beim Kopieren der Verkn\u00FCpfung."}) << argument;
    }
    EXPECT_EQ(FolderNames(target.path()), Names{"ALT.PIF"});
    WriteBytes(target.file("ALT.PIF"), "edited");  // replaced only with the user's yes
    for (int answer : {IDNO, IDYES}) {
        DialogDriver driver([answer](HWND dialog) { Press(dialog, answer); });
        CopyShortcutIntoFolder(Wide(source.file("ALT.PIF")).c_str());
        EXPECT_EQ(ReadBytes(target.file("ALT.PIF")), answer == IDYES ? "P" : "edited");
    }
}

namespace {

void WriteUserVariable(const std::wstring& name, DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", name.c_str(), type, text.c_str(),
                    DWORD((text.size() + 1) * sizeof(wchar_t)));
}

// Takes the test's variables out of this process and out of HKCU\Environment again, even when an
// assertion ends the test (the session holds none of them before).
struct EnvironmentGuard : NoCopy {
    ~EnvironmentGuard() {
        for (const wchar_t* name : {L"OMBRIX_A", L"OMBRIX_B", L"OMBRIX_KEPT", L"OMBRIX_LOGON", L"Path"}) {
            if (name[0] == L'O') SetEnvironmentVariableW(name, nullptr);
            RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", name);
        }
    }
};

}  // namespace

// The program as started, seen through the programs it starts from the tray (one shortcut a
// variable, each a marker.exe that writes the value it got, in UTF-8). What HKCU\Environment holds
// after the start reaches it at the refresh the change's broadcast to every window brings, also a
// value longer than first guesses and beyond the code page; a reference to another variable of
// the key gets its new value; the user's Path follows the system's. A variable deleted there
// leaves it, whether the registry held it at the start (it came with the logon) or supplied it at
// a refresh; one it inherited from elsewhere stays.
TEST(Environment, TheStartedProgramFollowsTheRegistry) {
    TempFolder place("start");
    const std::string ombrix = place.file("ombrix.exe");
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\..\\ombrix.exe").c_str(), ombrix.c_str(), FALSE));
    WriteBytes(place.file("ombrix.ini"), kSection);  // no first run
    // As marker.exe writes it, in UTF-8: a Serbian name and a Chinese word after the long run.
    const std::string longText = std::string(5000, 'w') + " \xC4\x90or\xC4\x91" "e \xE5\xBE\xAE\xE4\xBF\xA1";
    const std::string systemPath =
        RegText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "Path");
    char startPath[32767] = {};
    GetEnvironmentVariableA("Path", startPath, sizeof startPath);
    // What the programs started see: at the start, after a first change and after a second.
    const std::pair<const char*, Names> rows[] = {
        {"OMBRIX_A", {"", "<" + longText + ">", ""}},  // supplied at the first refresh, deleted for the second
        {"OMBRIX_B", {"", longText, longText}},
        {"OMBRIX_KEPT", {"inherited", "inherited", "inherited"}},
        {"OMBRIX_LOGON", {"logon", "", ""}},  // held at the start, deleted for the first refresh
        {"Path", {startPath, systemPath + ";C:\\du", systemPath + ";C:\\du"}}};
    for (const auto& [name, seen] : rows)
        ASSERT_TRUE(MakeShortcut(place.file(name + std::string(".lnk")), ToolsFolder() + "\\marker.exe",
                                 "\"" + place.file(name + std::string(".txt")) + "\" " + name));
    EnvironmentGuard guard;
    SetEnvironmentVariableW(L"OMBRIX_KEPT", L"inherited");
    SetEnvironmentVariableW(L"OMBRIX_LOGON", L"logon");
    WriteUserVariable(L"OMBRIX_LOGON", REG_SZ, L"logon");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(
        CreateProcessA(ombrix.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = FindWindowW(L"Ombrix+WndClass", nullptr)) != nullptr; }));
    auto markers = [&](const char* name) { return ReadBytes(place.file(name + std::string(".txt"))); };
    // Opens every shortcut from the tray window's menu (the first time once the start is done), then
    // waits until each has written its line.
    auto openAll = [&](size_t lines) {
        for (UINT item = 0; item < std::size(rows); ++item) PostMessageW(window, WM_COMMAND, IDM_ITEM_OPEN + item, 0);
        EXPECT_TRUE(PumpUntil([&] {
            return std::all_of(std::begin(rows), std::end(rows), [&](const auto& row) {
                const std::string text = markers(row.first);
                return size_t(std::count(text.begin(), text.end(), '\n')) == lines;
            });
        }, 30000));
    };
    openAll(1);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"OMBRIX_LOGON");
    WriteUserVariable(L"OMBRIX_A", REG_EXPAND_SZ, L"<%OMBRIX_B%>");  // written and sorted first: enumerated first
    WriteUserVariable(L"OMBRIX_B", REG_SZ, std::wstring(5000, L'w') + L" \u0110or\u0111e \u5FAE\u4FE1");
    WriteUserVariable(L"Path", REG_EXPAND_SZ, L"C:\\du");
    // To every top-level window, as the system's dialogs do after a change.
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, LPARAM(L"Environment"), SMTO_ABORTIFHUNG, 15000, nullptr);
    openAll(2);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"OMBRIX_A");
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, LPARAM(L"Environment"), SMTO_ABORTIFHUNG, 15000, nullptr);
    openAll(3);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.get(), 15000), WAIT_OBJECT_0);
    for (const auto& [name, seen] : rows)
        EXPECT_EQ(markers(name), "ran " + seen[0] + "\r\nran " + seen[1] + "\r\nran " + seen[2] + "\r\n") << name;
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
