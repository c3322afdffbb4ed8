#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/settings.h"
#include "support/testsupport.h"

namespace {

// Writes the settings file as raw bytes (Windows-1252) and loads it.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        lstrcpynA(IniPath, folder.file("ombrix.ini").c_str(), MAX_PATH);
        Settings = ProgramSettings{};
    }
    void Load(const std::string& bytes) {
        WriteBytes(IniPath, bytes);
        LoadSettings();
    }
    TempFolder folder{"settings"};
};

const char kSection[] = "[Ombrix+ Optionen]\r\n";

}  // namespace

TEST_F(SettingsFile, MissingFileGivesTheDefaults) {
    LoadSettings();
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_STREQ(Settings.szMarkLinks, "Ja");
    EXPECT_STREQ(Settings.szQuickInfo, "Ja");
    EXPECT_STREQ(Settings.szSort, "Ja");
    EXPECT_STREQ(Settings.szCompanion, "Nein");
    EXPECT_STREQ(Settings.szDesktopMenu, "Nein");
    EXPECT_FALSE(SettingsFileExists());
}

TEST_F(SettingsFile, ReadsEveryKeyInWindows1252) {
    Load(std::string(kSection) +
         "\xD6" "ffnen=Einfacher Klick\r\nKennzeichnen=Nein\r\nQuickInfo=Nein\r\nSortieren=Nein\r\n"
         "Corvane+=Ja\r\nDesktop-Men\xFC=Ja\r\n");
    EXPECT_TRUE(SettingsFileExists());
    EXPECT_STREQ(Settings.szClickMode, "Einfacher Klick");
    EXPECT_STREQ(Settings.szMarkLinks, "Nein");
    EXPECT_STREQ(Settings.szQuickInfo, "Nein");
    EXPECT_STREQ(Settings.szSort, "Nein");
    EXPECT_STREQ(Settings.szCompanion, "Ja");
    EXPECT_STREQ(Settings.szDesktopMenu, "Ja");
}

TEST_F(SettingsFile, KeysSpelledInUtf8AreNotTheProgramsKeys) {
    Load(std::string(kSection) + "\xC3\x96" "ffnen=Einfacher Klick\r\nDesktop-Men\xC3\xBC=Ja\r\n");
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_STREQ(Settings.szDesktopMenu, "Nein");
}

TEST_F(SettingsFile, MissingKeysTakeTheirDefaults) {
    Load(std::string(kSection) + "Sortieren=Nein\r\n");
    EXPECT_STREQ(Settings.szSort, "Nein");
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_STREQ(Settings.szMarkLinks, "Ja");
    EXPECT_STREQ(Settings.szCompanion, "Nein");
}

TEST_F(SettingsFile, EmptyValuesAreDefaultsForCheckedKeysAndOffForTheOthers) {
    Load(std::string(kSection) + "Kennzeichnen=\r\n\xD6" "ffnen=\r\nCorvane+=\r\nDesktop-Men\xFC=\r\n");
    EXPECT_STREQ(Settings.szMarkLinks, "Ja");
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_STREQ(Settings.szCompanion, "");
    EXPECT_STREQ(Settings.szDesktopMenu, "");
    EXPECT_FALSE(IsOptionOn(Settings.szCompanion));
    EXPECT_FALSE(IsOptionOn(Settings.szDesktopMenu));
}

TEST_F(SettingsFile, WrongValuesAreReplacedOrCountAsOff) {
    Load(std::string(kSection) + "Kennzeichnen=vielleicht\r\nQuickInfo=0\r\nSortieren=yes\r\n\xD6" "ffnen=Klick\r\n"
         "Corvane+=1\r\nDesktop-Men\xFC=an\r\n");
    EXPECT_STREQ(Settings.szMarkLinks, "Ja");
    EXPECT_STREQ(Settings.szQuickInfo, "Ja");
    EXPECT_STREQ(Settings.szSort, "Ja");
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
    EXPECT_STREQ(Settings.szCompanion, "1");
    EXPECT_FALSE(IsOptionOn(Settings.szCompanion));
    EXPECT_FALSE(IsOptionOn(Settings.szDesktopMenu));
}

TEST_F(SettingsFile, ValuesKeepTheirCaseAndCountWithoutIt) {
    Load(std::string(kSection) + "\xD6" "ffnen=einfacher klick\r\nKennzeichnen=NEIN\r\nDesktop-Men\xFC=JA\r\n");
    EXPECT_STREQ(Settings.szClickMode, "einfacher klick");
    EXPECT_EQ(lstrcmpiA(Settings.szClickMode, "Einfacher Klick"), 0);
    EXPECT_STREQ(Settings.szMarkLinks, "NEIN");
    EXPECT_STREQ(Settings.szDesktopMenu, "JA");
    EXPECT_TRUE(IsOptionOn(Settings.szDesktopMenu));
}

TEST_F(SettingsFile, OverLongValuesAreCutToTheirBufferThenChecked) {
    std::string longText(10000, 'J');
    Load(std::string(kSection) + "\xD6" "ffnen=Doppelklick und noch mehr\r\nKennzeichnen=Neinnein\r\n"
         "Corvane+=Jaaaaaaaaa\r\nDesktop-Men\xFC=" + longText + "\r\n");
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");  // "Doppelklick und noc" is no value
    EXPECT_STREQ(Settings.szMarkLinks, "Ja");           // "Neinnei" is no value
    EXPECT_STREQ(Settings.szCompanion, "Jaaaaaa");      // kept, cut to 7, off
    EXPECT_FALSE(IsOptionOn(Settings.szCompanion));
    EXPECT_EQ(std::string(Settings.szDesktopMenu), std::string(7, 'J'));
}

TEST_F(SettingsFile, FirstStartGreetsAndGoesOn) {
    MessageBoxRecorder boxes;
    AppInstance = GetModuleHandleA(nullptr);
    TrayWindow = nullptr;  // an earlier test may have destroyed it; the dialog then has no owner
    // The options dialog follows the greeting; it is cancelled here.
    DialogDriver driver([](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    LoadStartupSettings();
    EXPECT_TRUE(driver.acted()) << "no options dialog after the greeting";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const RecordedMessage& box = boxes.boxes[0];
    EXPECT_EQ(box.caption, "Ombrix+");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.style, static_cast<UINT>(MB_SETFOREGROUND | MB_ICONINFORMATION));
    EXPECT_EQ(box.text.rfind("Ombrix+ Installation\n\nOmbrix+ hat keine Konfigurationsdatei gefunden.", 0), 0u);
    EXPECT_NE(box.text.find("wurde gel\xF6scht."), std::string::npos);
    EXPECT_NE(box.text.find("Viel Spa\xDF mit Ombrix+."), std::string::npos);
    EXPECT_STREQ(Settings.szClickMode, "Doppelklick");
}

TEST_F(SettingsFile, LaterStartsDoNotGreet) {
    WriteBytes(IniPath, std::string(kSection) + "Sortieren=Ja\r\n");
    MessageBoxRecorder boxes;
    LoadStartupSettings();
    EXPECT_TRUE(boxes.boxes.empty());
}

// OpenFile's record holds 128 characters: a settings file deeper than that is
// still found, so such a folder does not greet every start as the first.
TEST(SettingsFileExistsDeep, FindsAFileBeyondTheOpenFileLimit) {
    TempFolder folder("settings deep");
    std::string deep = folder.file(std::string(60, 'x'));
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    deep += "\\" + std::string(60, 'y');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string ini = deep + "\\ombrix.ini";
    ASSERT_GT(ini.size(), 128u);
    lstrcpynA(IniPath, ini.c_str(), MAX_PATH);
    EXPECT_FALSE(SettingsFileExists());
    WriteBytes(ini, "[Ombrix+ Optionen]\r\nSortieren=Nein\r\n");
    EXPECT_TRUE(SettingsFileExists());
}
