#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "support/testsupport.h"

TEST(DeriveProgramPaths, FromALongPath) {
    ASSERT_TRUE(DeriveProgramPaths("C:\\Werkzeuge\\Leiste\\ombrix.exe"));
    EXPECT_STREQ(RunCommand, "C:\\Werkzeuge\\Leiste\\ombrix.exe");
    EXPECT_STREQ(VerbCommand, "C:\\Werkzeuge\\Leiste\\ombrix.exe %1");
    EXPECT_STREQ(UninstallCommand, "C:\\Werkzeuge\\Leiste\\ombrix.exe /uninstall");
    EXPECT_STREQ(IniPath, "C:\\Werkzeuge\\Leiste\\ombrix.ini");
    EXPECT_STREQ(ProgramFolder, "C:\\Werkzeuge\\Leiste");
}

TEST(DeriveProgramPaths, DriveRootKeepsItsBackslash) {
    ASSERT_TRUE(DeriveProgramPaths("C:\\ombrix.exe"));
    EXPECT_STREQ(ProgramFolder, "C:\\");
    EXPECT_STREQ(IniPath, "C:\\ombrix.ini");
}

TEST(DeriveProgramPaths, BlanksStayInsideTheCommands) {
    ASSERT_TRUE(DeriveProgramPaths("C:\\Program Files\\Ombrix Plus\\ombrix.exe"));
    EXPECT_STREQ(VerbCommand, "C:\\Program Files\\Ombrix Plus\\ombrix.exe %1");
    EXPECT_STREQ(ProgramFolder, "C:\\Program Files\\Ombrix Plus");
}

TEST(DeriveProgramPaths, RefusesAPathWhoseCommandsWouldNotFit) {
    // " /uninstall" adds 11 characters: a path of 248 still fits 259, one of 249 does not.
    std::string fits = "C:\\" + std::string(239, 'b') + "\\o.exe";
    ASSERT_EQ(fits.size(), 248u);
    EXPECT_TRUE(DeriveProgramPaths(fits.c_str()));
    EXPECT_EQ(std::string(UninstallCommand), fits + " /uninstall");

    std::string tooLong = "C:\\" + std::string(240, 'a') + "\\o.exe";
    EXPECT_FALSE(DeriveProgramPaths(tooLong.c_str()));
}

TEST(GetLongPathForm, TurnsAShortPathIntoTheLongOne) {
    TempFolder folder("long path form");
    std::string longDir = folder.file("Ein sehr langer Ordnername");
    ASSERT_TRUE(CreateDirectoryA(longDir.c_str(), nullptr));
    std::string exe = longDir + "\\Programm mit Namen.exe";
    WriteBytes(exe, "MZ");
    char shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(exe.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortPath), exe) << "the platform gave no short form";

    char longPath[MAX_PATH] = "";
    ASSERT_TRUE(GetLongPathForm(shortPath, longPath));
    EXPECT_EQ(lstrcmpiA(longPath, exe.c_str()), 0) << longPath;

    ASSERT_TRUE(DeriveProgramPaths(longPath));
    EXPECT_EQ(lstrcmpiA(ProgramFolder, longDir.c_str()), 0) << ProgramFolder;
}

TEST(GetLongPathForm, LeavesTheBufferAloneForAPathTheShellCannotParse) {
    char longPath[MAX_PATH] = "unchanged";
    EXPECT_FALSE(GetLongPathForm("Q:\\gibt es nicht\\<>|", longPath));
    EXPECT_STREQ(longPath, "unchanged");
}
