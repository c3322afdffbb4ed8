#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "support/testsupport.h"

TEST(DecideLaunchMode, ReadsTheWholeArgumentText) {
    EXPECT_EQ(DecideLaunchMode(""), LaunchMode::Normal);
    EXPECT_EQ(DecideLaunchMode("/uninstall"), LaunchMode::Uninstall);
    EXPECT_EQ(DecideLaunchMode("/UNINSTALL"), LaunchMode::Uninstall);
    EXPECT_EQ(DecideLaunchMode("/UnInstall"), LaunchMode::Uninstall);
    // Anything else is a shortcut path to copy, including a trailing blank.
    EXPECT_EQ(DecideLaunchMode("/uninstall "), LaunchMode::CopyShortcut);
    EXPECT_EQ(DecideLaunchMode("C:\\a b\\x.lnk"), LaunchMode::CopyShortcut);
}

class CopyMode : public ::testing::Test {
protected:
    void SetUp() override {
        lstrcpynA(ProgramFolder, target.path().c_str(), MAX_PATH);
    }
    TempFolder source{"copy source"};
    TempFolder target{"copy target"};
    MessageBoxRecorder boxes;
};

TEST_F(CopyMode, CopiesARealShortcutWithBlanksInItsPath) {
    std::string link = source.file("Mein Editor.lnk");
    ASSERT_TRUE(MakeShortcut(link, "C:\\windows\\notepad.exe"));
    CopyShortcutIntoFolder(link.c_str());
    EXPECT_TRUE(FileExists(target.file("Mein Editor.lnk")));
    EXPECT_TRUE(FileExists(link)) << "a copy, not a move";
    EXPECT_EQ(ReadBytes(link), ReadBytes(target.file("Mein Editor.lnk")));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CopyMode, TakesTheExtensionInAnyCase) {
    std::string lnk = source.file("GROSS.LNK");
    std::string pif = source.file("alt.Pif");
    WriteBytes(lnk, "L");
    WriteBytes(pif, "P");
    CopyShortcutIntoFolder(lnk.c_str());
    CopyShortcutIntoFolder(pif.c_str());
    EXPECT_TRUE(FileExists(target.file("GROSS.LNK")));
    EXPECT_TRUE(FileExists(target.file("alt.Pif")));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CopyMode, RefusesTextThatNamesNoShortcut) {
    std::string link = source.file("Editor.lnk");
    WriteBytes(link, "L");
    const std::string refused[] = {
        "\"" + link + "\"",  // quoted: ends in a quote character
        "/uninstall ",       // trailing blank
        "lnk",               // three characters
        source.file("Notiz.txt"),
    };
    for (const std::string& argument : refused) {
        boxes.boxes.clear();
        CopyShortcutIntoFolder(argument.c_str());
        ASSERT_EQ(boxes.boxes.size(), 1u) << argument;
        EXPECT_EQ(boxes.boxes[0].text, "Fehler beim Kopieren der Verkn\xFCpfung.");
        EXPECT_EQ(boxes.boxes[0].caption, "Ombrix+");
        EXPECT_EQ(boxes.boxes[0].style, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    }
    EXPECT_FALSE(FileExists(target.file("Editor.lnk")));
}

TEST_F(CopyMode, RefusesAPathLongerThanTheBuffer) {
    std::string tooLong = "C:\\" + std::string(300, 'x') + ".lnk";
    CopyShortcutIntoFolder(tooLong.c_str());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Ombrix+");
}

TEST(InstanceGuard, TheSecondLookSeesTheFirst) {
    EXPECT_FALSE(AnotherInstanceRuns());
    EXPECT_TRUE(AnotherInstanceRuns());
}
