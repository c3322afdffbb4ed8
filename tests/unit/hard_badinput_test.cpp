// Bad input from every side the program reads: a settings file of garbage,
// values far too long, duplicate and read-only settings, command lines that
// name no shortcut, folders of hostile names and corrupt files, a Desktop of
// 1,000 items. Each must end in the documented behaviour or a clear message:
// no crash, no hang, no write past a buffer and no file lost.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "options/options.h"
#include "res/resource.h"
#include "support/testsupport.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"

namespace {

const char* const Notepad = "C:\\windows\\notepad.exe";
const char* const CopyError = "Fehler beim Kopieren der Verknüpfung.";

// Deterministic noise, so a failure can be repeated.
std::string NoiseBytes(size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    for (auto& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 16);
    }
    return bytes;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string SettingsFile(const std::vector<std::string>& lines) {
    std::string text = "[Ombrix+ Optionen]\r\n";
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

// Every field NUL-terminated inside its own buffer.
template <size_t N>
bool Terminated(const char (&field)[N]) {
    return memchr(field, '\0', N) != nullptr;
}

class BadSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ini = folder.file("ombrix.ini");
        lstrcpynA(IniPath, ini.c_str(), MAX_PATH);
    }
    void TearDown() override { SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL); }
    void ExpectInvariants() {
        EXPECT_TRUE(Terminated(Settings.szClickMode) && Terminated(Settings.szMarkLinks) &&
                    Terminated(Settings.szQuickInfo) && Terminated(Settings.szSort) &&
                    Terminated(Settings.szCompanion) && Terminated(Settings.szDesktopMenu));
        EXPECT_TRUE(lstrcmpiA(Settings.szClickMode, "Einfacher Klick") == 0 ||
                    lstrcmpiA(Settings.szClickMode, "Doppelklick") == 0)
            << Settings.szClickMode;
        for (const char* yesNo : {Settings.szMarkLinks, Settings.szQuickInfo, Settings.szSort})
            EXPECT_TRUE(lstrcmpiA(yesNo, "Ja") == 0 || lstrcmpiA(yesNo, "Nein") == 0) << yesNo;
    }

    TempFolder folder{"bad settings"};
    std::string ini;
};

}  // namespace

// Random bytes, NULs and a section header buried in them: the defaults, or a
// value the checks accept; never anything outside the buffers.
TEST_F(BadSettings, BinaryGarbageGivesValuesThatPassTheChecks) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::string bytes = NoiseBytes(4096, seed);
        if (seed % 2 == 0) bytes.insert(1000, "\r\n[Ombrix+ Optionen]\r\nSortieren=");
        WriteBytes(ini, bytes);
        LoadSettings();
        ExpectInvariants();
        EXPECT_TRUE(SettingsFileExists()) << "a garbage file is still a settings file";
    }
}

// Values of 10,000 characters are cut to their buffers; the neighbouring
// fields keep what the file says for them.
TEST_F(BadSettings, TenThousandCharacterValuesAreCutNotSpilled) {
    std::string huge(10000, 'J');
    WriteBytes(ini, SettingsFile({"Öffnen=" + huge, "Kennzeichnen=" + huge, "QuickInfo=Nein", "Sortieren=" + huge,
                                  "Corvane+=" + huge, "Desktop-Menü=" + huge}));
    // The file is CP1252, and so are the keys the program asks for.
    LoadSettings();
    ExpectInvariants();
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_STREQ(Settings.szMarkLinks, "Ja");
    EXPECT_STREQ(Settings.szQuickInfo, "Nein") << "the short value between two huge ones";
    EXPECT_STREQ(Settings.szSort, "Ja");
    EXPECT_STREQ(Settings.szCompanion, "JJJJJJJ") << "cut to 7 characters";
    EXPECT_FALSE(IsOptionOn(Settings.szCompanion));
    EXPECT_FALSE(IsOptionOn(Settings.szDesktopMenu));
}

// The profile functions take the first of two equal keys.
TEST_F(BadSettings, DuplicateKeysTakeTheFirst) {
    WriteBytes(ini, SettingsFile({"Sortieren=Nein", "Sortieren=Ja", "QuickInfo=Ja", "QuickInfo=Nein",
                                  "Desktop-Menü=Ja", "Desktop-Menü=Nein"}));
    LoadSettings();
    EXPECT_STREQ(Settings.szSort, "Nein");
    EXPECT_STREQ(Settings.szQuickInfo, "Ja");
    EXPECT_STREQ(Settings.szDesktopMenu, "Ja");
}

// Runs the options dialog and presses OK with single click and QuickInfo off.
void AcceptOptionsWithSingleClick() {
    DialogDriver driver([](HWND dialog) {
        CheckRadioButton(dialog, IDC_SINGLE_CLICK, IDC_DOUBLE_CLICK, IDC_SINGLE_CLICK);
        CheckDlgButton(dialog, IDC_QUICK_INFO, BST_UNCHECKED);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    ShowOptionsDialog();
    EXPECT_TRUE(driver.acted());
}

// A read-only settings file is read as usual; OK in the options dialog
// changes the running program, silently, and the file is never lost. (The
// test bench runs Wine as root, which writes through the read-only
// attribute; a file another program holds open without sharing shows the
// refused write, below.)
TEST_F(BadSettings, ReadOnlyOrLockedFileIsReadAndNotLost) {
    std::string text = SettingsFile({"Öffnen=Doppelklick", "Kennzeichnen=Ja", "QuickInfo=Ja", "Sortieren=Ja",
                                     "Corvane+=Nein", "Desktop-Menü=Nein"});
    WriteBytes(ini, text);
    lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
    MessageBoxRecorder boxes;
    NotifyIconRecorder icons;

    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    LoadSettings();
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_TRUE(SettingsFileExists());
    AcceptOptionsWithSingleClick();
    EXPECT_STREQ(Settings.szClickMode, "Einfacher Klick") << "the running program follows the choice";
    EXPECT_STREQ(Settings.szQuickInfo, "Nein");
    EXPECT_TRUE(FileExists(ini));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL));

    WriteBytes(ini, text);
    LoadSettings();
    HANDLE lock = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    AcceptOptionsWithSingleClick();
    CloseHandle(lock);
    EXPECT_STREQ(Settings.szClickMode, "Einfacher Klick");
    EXPECT_EQ(ReadBytes(ini), text) << "a file that cannot be written keeps every byte";
    EXPECT_TRUE(boxes.boxes.empty()) << "failed settings writes pass silently";
}

namespace {

class BadCommandLine : public ::testing::Test {
protected:
    void SetUp() override { lstrcpynA(ProgramFolder, target.path().c_str(), MAX_PATH); }
    // Runs the copy mode and returns what it said (empty when nothing).
    std::string Copy(const std::string& arguments) {
        size_t before = boxes.boxes.size();
        CopyShortcutIntoFolder(arguments.c_str());
        return boxes.boxes.size() > before ? boxes.boxes.back().text : std::string();
    }
    std::vector<std::string> TargetFiles() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA item;
        HANDLE find = FindFirstFileA(target.file("*").c_str(), &item);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (lstrcmpA(item.cFileName, ".") != 0 && lstrcmpA(item.cFileName, "..") != 0)
                names.push_back(item.cFileName);
        } while (FindNextFileA(find, &item));
        FindClose(find);
        return names;
    }

    TempFolder source{"bad source"};
    TempFolder target{"bad target"};
    MessageBoxRecorder boxes;
};

}  // namespace

// 5,000 characters, with and without a shortcut's extension: the copy error,
// nothing copied.
TEST_F(BadCommandLine, FiveThousandCharactersGiveTheCopyError) {
    std::string longPath = "C:\\" + std::string(4992, 'a') + ".lnk";
    ASSERT_EQ(longPath.size(), 4999u);
    EXPECT_EQ(DecideLaunchMode(longPath.c_str()), LaunchMode::CopyShortcut);
    EXPECT_EQ(Copy(longPath), CopyError);
    EXPECT_EQ(Copy(std::string(5000, 'x')), CopyError);
    EXPECT_EQ(Copy(std::string(5000, '"')), CopyError);
    EXPECT_TRUE(TargetFiles().empty());
    EXPECT_EQ(boxes.boxes.back().style & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
}

// Quotes stay part of the text: a quoted path ends in a quote and names no
// shortcut; the same path unquoted is copied.
TEST_F(BadCommandLine, QuotedPathsAreRefusedUnquotedCopied) {
    std::string link = source.file("Mit Leer zeichen.lnk");
    ASSERT_TRUE(MakeShortcut(link, Notepad));
    EXPECT_EQ(Copy("\"" + link + "\""), CopyError);
    EXPECT_EQ(Copy("\"" + link), std::string()) << "an opening quote alone still ends in .lnk";
    EXPECT_TRUE(TargetFiles().empty()) << "the shell finds no file under a name that starts with a quote";
    EXPECT_EQ(Copy(link), std::string());
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"Mit Leer zeichen.lnk"});
}

// Only the whole text "/uninstall" in any case uninstalls; everything near it
// is a path that names no shortcut.
TEST_F(BadCommandLine, UninstallVariants) {
    for (const char* text : {"/uninstall", "/UNINSTALL", "/UnInStAlL"})
        EXPECT_EQ(DecideLaunchMode(text), LaunchMode::Uninstall) << text;
    for (const char* text : {"/uninstall ", " /uninstall", "-uninstall", "/uninstal", "/uninstall /uninstall",
                             "\"/uninstall\"", "/uninstall.lnk"}) {
        EXPECT_EQ(DecideLaunchMode(text), LaunchMode::CopyShortcut) << text;
        if (!EndsWith(text, ".lnk")) {
            EXPECT_EQ(Copy(text), CopyError) << text;
        }
    }
}

// A folder whose name ends in .lnk is no shortcut: the copy error, and the
// folder is not copied into the program's folder.
TEST_F(BadCommandLine, FolderNamedLikeAShortcutIsRefused) {
    std::string folder = source.file("x.lnk");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteBytes(folder + "\\inhalt.txt", "data");
    EXPECT_EQ(Copy(folder), CopyError);
    EXPECT_TRUE(TargetFiles().empty());
    EXPECT_TRUE(FileExists(folder + "\\inhalt.txt")) << "nothing is lost at the source";
}

namespace {

class BadFolder : public ::testing::Test {
protected:
    void SetUp() override {
        lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
        lstrcpynA(Settings.szSort, "Ja", sizeof Settings.szSort);
        lstrcpynA(Settings.szMarkLinks, "Ja", sizeof Settings.szMarkLinks);
        lstrcpynA(Settings.szQuickInfo, "Ja", sizeof Settings.szQuickInfo);
        TrayWindow = CreateWindowExA(0, "STATIC", "tray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(TrayWindow, nullptr);
    }
    void TearDown() override {
        RemoveTrayIcons();
        MSG msg;
        while (PeekMessageA(&msg, TrayWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        }
        DestroyWindow(TrayWindow);
        TrayWindow = nullptr;
    }
    void Make(const std::string& fileName) { ASSERT_TRUE(MakeShortcut(folder.file(fileName), Notepad)); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < CurrentShortcutTable.nCount; ++i)
            names.push_back(CurrentShortcutTable.pEntries[i].szName);
        return names;
    }
    // The tips the tray was last given, by identifier.
    std::string LastTip(UINT id) const {
        std::string tip;
        for (const auto& call : icons.calls)
            if (call.uID == id && (call.uFlags & NIF_TIP)) tip = call.tip;
        return tip;
    }

    TempFolder folder{"bad folder"};
    MessageBoxRecorder boxes;
    NotifyIconRecorder icons;
};

bool IsLeftOutMessage(const RecordedMessage& box) {
    return box.text.find("höchstens 100 Verknüpfungen") != std::string::npos;
}

}  // namespace

// 300 shortcuts: 100 icons (the menu commands of an entry stay apart only
// below 100), one message about the 200 left out, and a second rebuild of the
// same folder neither touches the tray nor repeats the message.
TEST_F(BadFolder, ThreeHundredShortcutsShowOneHundredAndSaySo) {
    std::string lnk = folder.file("Vorlage.lnk");
    ASSERT_TRUE(MakeShortcut(lnk, Notepad));
    std::string bytes = ReadBytes(lnk);
    DeleteFileA(lnk.c_str());
    for (int i = 0; i < 300; ++i) {
        char name[32];
        wsprintfA(name, "Eintrag %03d.lnk", i);
        WriteBytes(folder.file(name), bytes);
    }
    RebuildTrayIcons();
    RefreshTrayTips();
    EXPECT_EQ(CurrentShortcutTable.nCount, 100);
    EXPECT_EQ(icons.Count(NIM_ADD), 100u);
    EXPECT_EQ(Names().front(), "Eintrag 000");
    EXPECT_EQ(Names().back(), "Eintrag 099");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(IsLeftOutMessage(boxes.boxes[0])) << boxes.boxes[0].text;
    EXPECT_NE(boxes.boxes[0].text.find("200 Verknüpfungen des Ordners"), std::string::npos) << boxes.boxes[0].text;

    size_t calls = icons.calls.size();
    RebuildTrayIcons();
    EXPECT_EQ(icons.Count(NIM_ADD), 100u);
    EXPECT_EQ(icons.Count(NIM_DELETE), 0u);
    EXPECT_EQ(icons.calls.size(), calls);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// A name so long that the full path passes 259 characters is left out, the
// file stays; a name that just fits is shown, its tooltip cut to 63.
TEST_F(BadFolder, NamesTooLongForAPathAreLeftOutNotLost) {
    Make("Kurz.lnk");
    std::string bytes = ReadBytes(folder.file("Kurz.lnk"));
    // Only the wide functions with the \\?\ prefix reach such a path.
    std::wstring longest = L"\\\\?\\" + std::wstring(folder.path().begin(), folder.path().end()) + L"\\" +
                           std::wstring(255 - 4, L'L') + L".lnk";
    HANDLE file = CreateFileW(longest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    size_t room = MAX_PATH - 1 - folder.path().size() - 1;  // characters a name may have
    std::string fits(room - 4, 'F');
    WriteBytes(folder.file(fits + ".lnk"), bytes);
    ASSERT_EQ(folder.file(fits + ".lnk").size(), static_cast<size_t>(MAX_PATH - 1));

    RebuildTrayIcons();
    RefreshTrayTips();
    EXPECT_EQ(Names(), (std::vector<std::string>{fits, "Kurz"}));
    EXPECT_EQ(LastTip(1000), fits.substr(0, 63));
    EXPECT_NE(GetFileAttributesW(longest.c_str()), INVALID_FILE_ATTRIBUTES) << "the file is not lost";
    EXPECT_TRUE(boxes.boxes.empty());
    DeleteFileW(longest.c_str());  // beyond what the folder's own clean-up can name
}

// "&" is text, not a menu mnemonic, in the name and the tooltip.
TEST_F(BadFolder, AmpersandsStayInNamesAndTips) {
    Make("Tom & Jerry.lnk");
    Make("&&&.lnk");
    RebuildTrayIcons();
    RefreshTrayTips();
    EXPECT_EQ(Names(), (std::vector<std::string>{"&&&", "Tom & Jerry"}));
    EXPECT_EQ(LastTip(1000), "&&& - Ombrix+");
    EXPECT_EQ(LastTip(1001), "Tom & Jerry - Ombrix+");
}

// A .lnk of random bytes: the healthy shortcuts are shown, the corrupt file
// stays in the folder, whatever the shell makes of it.
TEST_F(BadFolder, CorruptShortcutBreaksNothing) {
    Make("Gut.lnk");
    WriteBytes(folder.file("Kaputt.lnk"), NoiseBytes(700, 7));
    WriteBytes(folder.file("Leer.lnk"), "");
    std::string header = ReadBytes(folder.file("Gut.lnk")).substr(0, 76);  // a link header, then noise
    WriteBytes(folder.file("Halb.lnk"), header + NoiseBytes(300, 9));
    RebuildTrayIcons();
    std::vector<std::string> names = Names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Gut"), names.end());
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i)
        EXPECT_NE(CurrentShortcutTable.pEntries[i].hOverlayIcon, nullptr) << CurrentShortcutTable.pEntries[i].szName;
    EXPECT_EQ(ReadBytes(folder.file("Kaputt.lnk")), NoiseBytes(700, 7));
    EXPECT_TRUE(FileExists(folder.file("Leer.lnk")));
    EXPECT_TRUE(FileExists(folder.file("Halb.lnk")));
}

// A name the ANSI code page cannot spell comes back from the search with "?"
// in it, which names no file: it is left out and the file stays.
TEST_F(BadFolder, NameOutsideTheCodePageIsLeftOut) {
    Make("Normal.lnk");
    std::string bytes = ReadBytes(folder.file("Normal.lnk"));
    std::wstring wide(folder.path().begin(), folder.path().end());
    wide += L"\\\x65E5\x672C\x03A9.lnk";  // CJK and Greek letters
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);

    RebuildTrayIcons();
    EXPECT_EQ(Names(), std::vector<std::string>{"Normal"});
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << "the file is not lost";
    EXPECT_TRUE(boxes.boxes.empty());
}

// 1,000 items on the Desktop: the menu shows its 28 slots, quickly, and gives
// everything back when it closes.
TEST(BadDesktop, ThousandItemsFillTheSlotsAndNoMore) {
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    std::vector<std::string> made;
    for (int i = 0; i < 1000; ++i) {
        char name[MAX_PATH];
        wsprintfA(name, "%s\\Datei %04d.txt", desktop, i);
        WriteBytes(name, "x");
        made.push_back(name);
    }
    HMENU popup = CreatePopupMenu();
    for (int i = 0; i < 3; ++i) AppendMenuA(popup, MF_STRING, 200 + i, "eigen");
    DWORD start = GetTickCount();
    BuildDesktopMenu(popup, 0);
    DWORD took = GetTickCount() - start;
    int items = GetMenuItemCount(popup);
    ClearDesktopMenu(popup);
    int after = GetMenuItemCount(popup);
    DestroyMenu(popup);
    for (const auto& path : made) DeleteFileA(path.c_str());

    EXPECT_EQ(items, kDesktopSlots + 1 + 3) << "28 items, a separator, the popup's own three";
    EXPECT_EQ(after, 3);
    EXPECT_LT(took, 5000u) << "the menu reads no more than it shows";
}
