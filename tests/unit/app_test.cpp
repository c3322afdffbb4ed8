#include "app/app.h"
#include "options/integration.h"
#include "support/support.h"

// A path starts only where every command stored from it fits, quotes included: the
// uninstall entry of a program that started can always be written.
TEST(CommandLine, StartsOnlyWhereTheQuotedCommandsFit) {
    for (int length : {246, 247, 248}) {
        std::string exe = "C:\\" + std::string(length - 9, 'b') + "\\o.exe";
        char stored[MAX_PATH];
        bool starts = DeriveProgramPaths(exe.c_str());
        EXPECT_EQ(starts, length == 246) << length;
        EXPECT_TRUE(!starts || MakeStoredCommand(UninstallCommand, stored)) << length;
    }
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
