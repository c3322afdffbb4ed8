#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "support/testsupport.h"
#include "tray/shortcuts.h"

namespace {

const char* const Notepad = "C:\\windows\\notepad.exe";
const char* const Regedit = "C:\\windows\\regedit.exe";

void SetOption(char* option, size_t cch, const char* value) {
    lstrcpynA(option, value, static_cast<int>(cch));
}

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
        SetOption(Settings.szSort, sizeof Settings.szSort, "Ja");
    }
    void TearDown() override { FreeShortcutTable(&table); }

    void Scan() {
        FreeShortcutTable(&table);
        ASSERT_TRUE(ScanShortcutFolder(&table));
        ASSERT_NE(table.pEntries, nullptr);
    }
    // The entry whose link path ends in fileName, or null.
    const ShortcutEntry* Find(const std::string& fileName) const {
        std::string path = folder.file(fileName);
        for (int i = 0; i < table.nCount; ++i)
            if (path == table.pEntries[i].szLinkPath) return &table.pEntries[i];
        return nullptr;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < table.nCount; ++i) names.push_back(table.pEntries[i].szName);
        return names;
    }
    int Capacity() const { return static_cast<int>(LocalSize(table.hMem) / sizeof(ShortcutEntry)); }

    TempFolder folder{"scan"};
    ShortcutTable table{};
};

bool IconAlive(HICON icon) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

}  // namespace

// Admission: the suffix, case ignored, or the shell's link attribute; never a
// directory, never another file.
TEST_F(ScanTest, AdmitsShortcutFilesOnly) {
    ASSERT_TRUE(MakeShortcut(folder.file("Eins.lnk"), Notepad));
    ASSERT_TRUE(MakeShortcut(folder.file("Zwei.LNK"), Notepad));
    ASSERT_TRUE(MakeShortcut(folder.file("Drei.Pif"), Notepad));
    WriteBytes(folder.file("Vier.pif"), std::string(545, '\0'));  // an old-style PIF, no shell link
    WriteBytes(folder.file("notiz.txt"), "text");
    WriteBytes(folder.file("lnk"), "three letters, no link");
    WriteBytes(folder.file("x.lnkx"), "not the suffix");
    ASSERT_TRUE(CreateDirectoryA(folder.file("Ordner.lnk").c_str(), nullptr));
    ASSERT_TRUE(MakeShortcut(folder.file("Ordner.lnk\\Innen.lnk"), Notepad));  // not in the folder itself

    Scan();
    ASSERT_EQ(table.nCount, 4);
    for (const char* name : {"Eins.lnk", "Zwei.LNK", "Drei.Pif", "Vier.pif"}) {
        const ShortcutEntry* entry = Find(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(std::string(entry->szName).substr(0, 4), std::string(name).substr(0, 4));
        EXPECT_NE(entry->hOverlayIcon, nullptr) << name;
    }
    EXPECT_EQ(Find("Ordner.lnk"), nullptr);
    EXPECT_EQ(Find("lnk"), nullptr);
}

// A folder path with a closing backslash gets no second one.
TEST_F(ScanTest, LinkPathJoinsFolderAndNameWithOneBackslash) {
    ASSERT_TRUE(MakeShortcut(folder.file("Eins.lnk"), Notepad));
    lstrcatA(ProgramFolder, "\\");
    Scan();
    ASSERT_EQ(table.nCount, 1);
    EXPECT_EQ(std::string(table.pEntries[0].szLinkPath), folder.file("Eins.lnk"));
}

// A link's own icon location is reported with its index, and the plain icon
// comes from there; a location that yields nothing leaves the plain icon null
// while the marked icon is still there.
TEST_F(ScanTest, IconLocationAndPlainIcon) {
    ASSERT_TRUE(MakeShortcut(folder.file("Eigen.lnk"), Notepad, "", Regedit, 0));
    ASSERT_TRUE(MakeShortcut(folder.file("Index.lnk"), Notepad, "", "C:\\windows\\system32\\shell32.dll", 3));
    ASSERT_TRUE(MakeShortcut(folder.file("Ohne.lnk"), Notepad));
    ASSERT_TRUE(MakeShortcut(folder.file("Fehlt.lnk"), "C:\\nirgends\\fehlt.exe", "", "C:\\nirgends\\bild.ico", 2));
    Scan();
    ASSERT_EQ(table.nCount, 4);

    const ShortcutEntry* own = Find("Eigen.lnk");
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(lstrcmpiA(own->szIconSource, Regedit), 0) << own->szIconSource;
    EXPECT_EQ(own->iIcon, 0);
    EXPECT_NE(own->hPlainIcon, nullptr);

    const ShortcutEntry* indexed = Find("Index.lnk");
    ASSERT_NE(indexed, nullptr);
    EXPECT_EQ(indexed->iIcon, 3);
    EXPECT_NE(indexed->hPlainIcon, nullptr);

    // Without a location of its own the shell's report is taken as it comes
    // (this shell names its default icon); a picture is found either way.
    const ShortcutEntry* plain = Find("Ohne.lnk");
    ASSERT_NE(plain, nullptr);
    EXPECT_NE(plain->hPlainIcon, nullptr);
    EXPECT_NE(plain->hOverlayIcon, nullptr);

    const ShortcutEntry* missing = Find("Fehlt.lnk");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(lstrcmpiA(missing->szIconSource, "C:\\nirgends\\bild.ico"), 0);
    EXPECT_EQ(missing->iIcon, 2);
    EXPECT_EQ(missing->hPlainIcon, nullptr);
    EXPECT_NE(missing->hOverlayIcon, nullptr);
}

// An empty icon location sends the plain icon to the resolved target: found
// for a real program, null for a target that does not exist.
TEST_F(ScanTest, EmptyLocationTakesTheResolvedTargetsIcon) {
    ASSERT_TRUE(MakeShortcut(folder.file("Editor.lnk"), Notepad));
    ASSERT_TRUE(MakeShortcut(folder.file("Weg.lnk"), "C:\\nirgends\\fehlt.exe"));

    char target[MAX_PATH] = {};
    ASSERT_TRUE(ResolveLinkTarget(folder.file("Editor.lnk").c_str(), target));
    char shortNotepad[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(Notepad, shortNotepad, MAX_PATH), 0u);
    EXPECT_EQ(lstrcmpiA(target, shortNotepad), 0) << target;

    ShortcutEntry resolvable{};
    lstrcpyA(resolvable.szLinkPath, folder.file("Editor.lnk").c_str());
    ExtractPlainIcon(&resolvable);
    EXPECT_NE(resolvable.hPlainIcon, nullptr);
    DestroyIcon(resolvable.hPlainIcon);

    ShortcutEntry unresolvable{};
    lstrcpyA(unresolvable.szLinkPath, folder.file("Weg.lnk").c_str());
    ExtractPlainIcon(&unresolvable);
    EXPECT_EQ(unresolvable.hPlainIcon, nullptr);

    ShortcutEntry noLink{};
    lstrcpyA(noLink.szLinkPath, folder.file("gibt es nicht.lnk").c_str());
    EXPECT_FALSE(ResolveLinkTarget(noLink.szLinkPath, target));
    ExtractPlainIcon(&noLink);
    EXPECT_EQ(noLink.hPlainIcon, nullptr);
}

// "Sortieren" "Ja": lstrcmpA order, which is not the byte order ("Ärger"
// sorts before "beta"); "Nein": the order the folder listing delivers.
TEST_F(ScanTest, SortsByNameOnlyWhenSet) {
    for (const char* name : {"beta", "Ärger", "alpha", "Alpha2", "zeta", "Mitte"})
        ASSERT_TRUE(MakeShortcut(folder.file(std::string(name) + ".lnk"), Notepad));

    Scan();
    std::vector<std::string> sorted = Names();
    ASSERT_EQ(sorted.size(), 6u);
    for (size_t i = 1; i < sorted.size(); ++i)
        EXPECT_LT(lstrcmpA(sorted[i - 1].c_str(), sorted[i].c_str()), 0) << sorted[i - 1] << " / " << sorted[i];
    auto position = [&](const char* name) { return std::find(sorted.begin(), sorted.end(), name) - sorted.begin(); };
    EXPECT_LT(position("Ärger"), position("beta"));
    EXPECT_LT(position("alpha"), position("Mitte"));

    SetOption(Settings.szSort, sizeof Settings.szSort, "nein");
    Scan();
    std::vector<std::string> listed;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder.path() + "\\*.*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        std::string name = data.cFileName;
        if (name.size() > 4) listed.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_EQ(Names(), listed);
}

// The block starts with room for 4 entries and grows by 4 when it is full.
TEST_F(ScanTest, BlockGrowsByFourEntries) {
    Scan();
    EXPECT_EQ(table.nCount, 0);
    EXPECT_EQ(Capacity(), 4);

    int made = 0;
    auto addShortcuts = [&](int n) {
        for (int i = 0; i < n; ++i, ++made) {
            char name[32];
            wsprintfA(name, "Link %02d.lnk", made);
            ASSERT_TRUE(MakeShortcut(folder.file(name), Notepad));
        }
    };
    const int expected[][2] = {{4, 4}, {5, 8}, {8, 8}, {9, 12}, {12, 12}, {13, 16}};
    for (const auto& step : expected) {
        addShortcuts(step[0] - made);
        Scan();
        EXPECT_EQ(table.nCount, step[0]);
        EXPECT_EQ(Capacity(), step[1]) << "with " << step[0] << " shortcuts";
    }
    // Every entry came through the moves intact.
    for (int i = 0; i < table.nCount; ++i) {
        char name[32];
        wsprintfA(name, "Link %02d", i);
        EXPECT_STREQ(table.pEntries[i].szName, name);
        EXPECT_TRUE(IconAlive(table.pEntries[i].hOverlayIcon));
    }
}

// A folder that holds nothing, or that cannot be listed, gives an empty table
// with its block.
TEST_F(ScanTest, EmptyOrMissingFolderGivesAnEmptyTable) {
    WriteBytes(folder.file("notiz.txt"), "text");
    Scan();
    EXPECT_EQ(table.nCount, 0);
    EXPECT_NE(table.hMem, nullptr);

    lstrcpyA(ProgramFolder, folder.file("fehlt").c_str());
    Scan();
    EXPECT_EQ(table.nCount, 0);
    EXPECT_EQ(Capacity(), 4);
}

// A name whose full path would not fit 260 characters is left out; the
// other shortcuts of the folder are still read.
TEST_F(ScanTest, LeavesOutANameBeyondThePathLimit) {
    std::string deep = folder.path();
    while (deep.size() < 200) {
        deep += "\\" + std::string(40, 'o');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    lstrcpynA(ProgramFolder, deep.c_str(), MAX_PATH);
    ASSERT_TRUE(MakeShortcut(deep + "\\Kurz.lnk", Notepad));
    std::string longName = std::string(80, 'L') + ".lnk";
    std::wstring wideLong = L"\\\\?\\" + std::wstring(deep.begin(), deep.end()) + L"\\" +
                            std::wstring(longName.begin(), longName.end());
    std::wstring wideShort = L"\\\\?\\" + std::wstring(deep.begin(), deep.end()) + L"\\Kurz.lnk";
    ASSERT_TRUE(CopyFileW(wideShort.c_str(), wideLong.c_str(), FALSE));
    ASSERT_GT(deep.size() + 1 + longName.size(), static_cast<size_t>(MAX_PATH - 1));

    Scan();
    ASSERT_EQ(table.nCount, 1);
    EXPECT_STREQ(table.pEntries[0].szName, "Kurz");
    EXPECT_TRUE(DeleteFileW(wideLong.c_str()));
}

// FreeShortcutTable destroys both icons of every entry and leaves the table
// empty; it accepts an empty table too.
TEST_F(ScanTest, FreeDestroysEveryIcon) {
    ASSERT_TRUE(MakeShortcut(folder.file("Eins.lnk"), Notepad, "", Regedit, 0));
    ASSERT_TRUE(MakeShortcut(folder.file("Zwei.lnk"), Notepad, "", Regedit, 0));
    Scan();
    ASSERT_EQ(table.nCount, 2);
    std::vector<HICON> icons;
    for (int i = 0; i < table.nCount; ++i) {
        icons.push_back(table.pEntries[i].hOverlayIcon);
        icons.push_back(table.pEntries[i].hPlainIcon);
    }
    for (HICON icon : icons) ASSERT_TRUE(IconAlive(icon));
    FreeShortcutTable(&table);
    for (HICON icon : icons) EXPECT_FALSE(IconAlive(icon));
    EXPECT_EQ(table.pEntries, nullptr);
    EXPECT_EQ(table.nCount, 0);
    EXPECT_EQ(table.hMem, nullptr);

    DeleteFileA(folder.file("Eins.lnk").c_str());
    DeleteFileA(folder.file("Zwei.lnk").c_str());
    Scan();
    ASSERT_EQ(table.nCount, 0);
    FreeShortcutTable(&table);
    EXPECT_EQ(table.hMem, nullptr);
    FreeShortcutTable(&table);  // an empty table again: nothing to do
}

// Dropping an entry closes the gap in order and gives back its icons.
TEST_F(ScanTest, RemovingEntriesKeepsTheRestInOrder) {
    for (const char* name : {"A", "B", "C", "D", "E"})
        ASSERT_TRUE(MakeShortcut(folder.file(std::string(name) + ".lnk"), Notepad, "", Regedit, 0));
    Scan();
    ASSERT_EQ(table.nCount, 5);
    HICON dropped = table.pEntries[1].hOverlayIcon;
    RemoveShortcutEntry(&table, 1);
    EXPECT_FALSE(IconAlive(dropped));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "D", "E"}));
    HICON cut = table.pEntries[3].hPlainIcon;
    KeepFirstShortcutEntries(&table, 2);
    EXPECT_FALSE(IconAlive(cut));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_TRUE(IconAlive(table.pEntries[1].hPlainIcon));
}
