// The Desktop menu's contents, built from the session's real Desktop folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "desktop_support.h"
#include "desktopmenu/desktopmenu.h"
#include "support/testsupport.h"

namespace {

// A popup into which the Desktop's items are built.
class DesktopPopup : public ::testing::Test {
protected:
    void TearDown() override { ClearDesktopMenu(popup.get()); }

    int Count() const { return GetMenuItemCount(popup.get()); }
    // The popup's own three items are still the last three.
    void ExpectOwnItemsBelow(int position) {
        ASSERT_EQ(Count(), position + 3);
        EXPECT_EQ(MenuItem(popup.get(), position).hSubMenu, popup.itemSubmenu());
        EXPECT_TRUE(MenuItem(popup.get(), position + 1).fType & MFT_SEPARATOR);
        EXPECT_EQ(MenuItem(popup.get(), position + 2).hSubMenu, popup.programSubmenu());
    }
    void ExpectGrayedNoteAndSeparator(const char* note) {
        ExpectOwnItemsBelow(2);
        MENUITEMINFOA first = MenuItem(popup.get(), 0);
        EXPECT_EQ(MenuText(popup.get(), 0), note);
        EXPECT_TRUE(first.fState & MFS_GRAYED);
        EXPECT_EQ(first.wID, 0u);
        EXPECT_TRUE(MenuItem(popup.get(), 1).fType & MFT_SEPARATOR);
    }
    // Labels of the owner-drawn items, top down; checks ids and item data.
    std::vector<std::string> ShownLabels() {
        std::vector<std::string> labels;
        for (int position = 0; position < Count() - 4; ++position) {
            MENUITEMINFOA item = MenuItem(popup.get(), position);
            EXPECT_TRUE(item.fType & MFT_OWNERDRAW) << position;
            EXPECT_EQ(item.wID, static_cast<UINT>(position + 1));
            EXPECT_EQ(item.dwItemData, static_cast<ULONG_PTR>(position));
            labels.push_back(CurrentDesktopTable.aEntries[item.dwItemData].szLabel);
        }
        EXPECT_TRUE(MenuItem(popup.get(), Count() - 4).fType & MFT_SEPARATOR);
        return labels;
    }

    TestPopup popup;
};

// The session's Desktop, which each test leaves as empty as it found it.
class DesktopMenuBuild : public DesktopPopup {
protected:
    void SetUp() override {
        ASSERT_FALSE(DesktopFolder().empty());
        ASSERT_TRUE(DesktopNamesInSearchOrder().empty()) << "the session's Desktop must start empty";
    }
    DesktopItems items;
};

// The shell reads where the Desktop is once per process, so a Desktop that
// lives elsewhere is tried in a child run of this program.
int RunInChild(const std::string& test) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = "\"" + std::string(exe) + "\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    UniqueKernelHandle thread(process.hThread), child(process.hProcess);
    if (WaitForSingleObject(child.get(), 120000) != WAIT_OBJECT_0) return -2;
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    return static_cast<int>(code);
}

bool LabelLess(const std::string& a, const std::string& b) {
    return lstrcmpA(a.c_str(), b.c_str()) < 0;
}

bool InLabelOrder(const std::vector<std::string>& labels) {
    return std::is_sorted(labels.begin(), labels.end(), LabelLess);
}

std::string Repeat(char c, size_t n) { return std::string(n, c); }

}  // namespace

TEST_F(DesktopMenuBuild, EmptyDesktopShowsGrayedLeer) {
    BuildDesktopMenu(popup.get(), 0);
    ExpectGrayedNoteAndSeparator(" (Leer)");
    EXPECT_NE(CurrentDesktopTable.hMenuFont, nullptr);
    std::string folder = DesktopFolder() + "\\";
    EXPECT_STREQ(CurrentDesktopTable.szDesktopPath, folder.c_str()) << "the folder with its backslash stays";
}

TEST_F(DesktopMenuBuild, ThreeItemsInLabelOrderWithIconsAndPaths) {
    // Names whose order by character code is the reverse of their label order.
    items.AddFolder("\xC4rger");
    items.AddFile("_notiz.txt");
    items.AddFolder("Zitrone");
    BuildDesktopMenu(popup.get(), 0);
    std::vector<std::string> labels = ShownLabels();
    ExpectOwnItemsBelow(4);
    std::vector<std::string> expected = {"_notiz.txt", "\xC4rger", "Zitrone"};
    EXPECT_EQ(labels, expected);
    for (int slot = 0; slot < 3; ++slot) {
        const DesktopEntry& entry = CurrentDesktopTable.aEntries[slot];
        EXPECT_NE(entry.hIcon.get(), nullptr) << entry.szLabel;
        EXPECT_EQ(entry.cchLabel, lstrlenA(entry.szLabel));
        EXPECT_EQ(std::string(entry.szPath), DesktopFolder() + "\\" + entry.szLabel);
    }
    EXPECT_EQ(CurrentDesktopTable.cxSmIcon, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(CurrentDesktopTable.cySmIcon, GetSystemMetrics(SM_CYSMICON));
}

TEST_F(DesktopMenuBuild, ThirtyItemsGiveTheFirstTwentyEightOfTheSearchInLabelOrder) {
    // Umlauts, punctuation and case mixed, so that search order and label order differ.
    const char* const prefixes[] = {"", "_", "\xE4", "-", "\xC9"};
    for (int i = 0; i < 30; ++i)
        items.AddFolder(prefixes[i % 5] + std::string(1, static_cast<char>((i % 2 ? 'A' : 'a') + (i * 7) % 26)) +
                        std::to_string(i));
    std::vector<std::string> searched = DesktopNamesInSearchOrder();
    ASSERT_EQ(searched.size(), 30u);
    std::vector<std::string> expected(searched.begin(), searched.begin() + 28);
    ASSERT_FALSE(InLabelOrder(expected)) << "the search already gives label order; the test shows nothing";
    std::sort(expected.begin(), expected.end(), LabelLess);

    BuildDesktopMenu(popup.get(), 0);
    EXPECT_EQ(Count(), 28 + 4);
    EXPECT_EQ(ShownLabels(), expected);
}

TEST_F(DesktopMenuBuild, LongNamesAreCutAfterTwentyEightCharacters) {
    const std::string n27 = Repeat('a', 27), n28 = Repeat('b', 28), n31 = Repeat('c', 31), n40 = Repeat('d', 40);
    for (const std::string& name : {n27, n28, n31, n40}) items.AddFolder(name);
    BuildDesktopMenu(popup.get(), 0);
    std::vector<std::string> expected = {n27, n28 + "...", Repeat('c', 28) + "...", Repeat('d', 28) + "..."};
    EXPECT_EQ(ShownLabels(), expected);
    EXPECT_EQ(CurrentDesktopTable.aEntries[3].cchLabel, 31);
    EXPECT_EQ(std::string(CurrentDesktopTable.aEntries[3].szPath), DesktopFolder() + "\\" + n40)
        << "the path keeps the whole name";
}

TEST_F(DesktopMenuBuild, SubFoldersAndHiddenFilesAreListed) {
    items.AddFolder("Ordner");
    std::string hidden = items.AddFile("versteckt.txt");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    BuildDesktopMenu(popup.get(), 0);
    std::vector<std::string> expected = {"Ordner", "versteckt.txt"};
    EXPECT_EQ(ShownLabels(), expected);
}

TEST_F(DesktopMenuBuild, SubmenusOpeningDoNotRebuildTheList) {
    items.AddFolder("Ordner");
    BuildDesktopMenu(popup.get(), 0);
    ASSERT_EQ(Count(), 5);
    items.AddFolder("Neu");
    // WM_INITMENUPOPUP of the submenus at positions 3 and 5 of the popup.
    BuildDesktopMenu(popup.itemSubmenu(), 3);
    BuildDesktopMenu(popup.programSubmenu(), 5);
    EXPECT_EQ(Count(), 5);
    EXPECT_EQ(GetMenuItemCount(popup.itemSubmenu()), 1);
    EXPECT_EQ(GetMenuItemCount(popup.programSubmenu()), 1);
    // The next opening of the popup itself shows both, once.
    BuildDesktopMenu(popup.get(), 0);
    std::vector<std::string> expected = {"Neu", "Ordner"};
    EXPECT_EQ(ShownLabels(), expected);
}

TEST_F(DesktopMenuBuild, ClearLeavesTheOwnItemsAndFreesFontAndIcons) {
    items.AddFile("eins.txt");
    items.AddFolder("zwei");
    BuildDesktopMenu(popup.get(), 0);
    HGDIOBJ font = CurrentDesktopTable.hMenuFont;
    HICON icons[2] = {CurrentDesktopTable.aEntries[0].hIcon.get(), CurrentDesktopTable.aEntries[1].hIcon.get()};
    ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));

    ClearDesktopMenu(popup.get());
    ExpectOwnItemsBelow(0);
    EXPECT_EQ(CurrentDesktopTable.hMenuFont, nullptr);
    EXPECT_EQ(GetObjectType(font), 0u) << "the menu font was deleted";
    for (HICON icon : icons) {
        ICONINFO info = {};
        EXPECT_FALSE(GetIconInfo(icon, &info)) << "the icon was destroyed";
        EXPECT_EQ(CurrentDesktopTable.aEntries[0].hIcon.get(), nullptr);
    }
    EXPECT_STREQ(CurrentDesktopTable.aEntries[0].szLabel, "eins.txt") << "labels stay";
    EXPECT_EQ(std::string(CurrentDesktopTable.aEntries[1].szPath), DesktopFolder() + "\\zwei") << "paths stay";
    ClearDesktopMenu(popup.get());
    ExpectOwnItemsBelow(0);
}

TEST_F(DesktopMenuBuild, DesktopThatCannotBeFoundIsNamed) {
    DesktopRedirect redirect("C:\\nirgendwo\\Desktop");
    EXPECT_EQ(RunInChild("DesktopElsewhere.DISABLED_NotFound"), 0);
}

TEST_F(DesktopMenuBuild, DesktopAtADriveRootGetsNoSecondBackslash) {
    DesktopRedirect redirect("C:\\");
    EXPECT_EQ(RunInChild("DesktopElsewhere.DISABLED_DriveRoot"), 0);
}

// Run only as children of the two tests above.
using DesktopElsewhere = DesktopPopup;

TEST_F(DesktopElsewhere, DISABLED_NotFound) {
    BuildDesktopMenu(popup.get(), 0);
    ExpectGrayedNoteAndSeparator(" (Desktop nicht gefunden)");
    EXPECT_EQ(CurrentDesktopTable.hMenuFont, nullptr) << "nothing to draw";
    MEASUREITEMSTRUCT measure = {ODT_MENU, 0, 1, 0, 0, 0};
    EXPECT_FALSE(MeasureDesktopItem(&measure));
}

TEST_F(DesktopElsewhere, DISABLED_DriveRoot) {
    BuildDesktopMenu(popup.get(), 0);
    std::vector<std::string> labels = ShownLabels();
    ASSERT_FALSE(labels.empty());
    EXPECT_STREQ(CurrentDesktopTable.szDesktopPath, "C:\\");
    for (size_t slot = 0; slot < labels.size(); ++slot) {
        std::string path = CurrentDesktopTable.aEntries[slot].szPath;
        EXPECT_EQ(path.rfind("C:\\", 0), 0u) << path;
        EXPECT_EQ(path.find("\\\\"), std::string::npos) << path;
        EXPECT_TRUE(FileExists(path)) << path;
    }
}

TEST_F(DesktopMenuBuild, ChosenItemOpensAfterThePopupClosed) {
    TempFolder work("desktop-launch");
    std::string marker = work.file("launched.marker");
    items.AddShortcut("Markierer.lnk", ToolsFolder() + "\\marker.exe", marker);
    BuildDesktopMenu(popup.get(), 0);
    ASSERT_EQ(Count(), 5);
    UINT id = MenuItem(popup.get(), 0).wID;
    ClearDesktopMenu(popup.get());

    // Ids that name no slot open nothing, even with a filled slot 0.
    for (UINT none : {0u, 29u, 50u, 98u}) LaunchDesktopItem(none);
    LaunchDesktopItem(id);
    ASSERT_TRUE(WaitForFile(marker, 15000)) << "the shortcut on the Desktop was not started";
    PumpMessages(1500);
    EXPECT_EQ(ReadBytes(marker), "ran\r\n") << "started once, by id " << id << " only";
}
