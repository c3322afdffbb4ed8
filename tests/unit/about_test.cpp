// The About dialog, driven from inside its modal loop. Its links go through the
// session registry's associations to a batch file that records them.
#include "support/support.h"

#include "about/about.h"
#include "res/resource.h"

TEST_F(ProgramTest, AboutProbesForTheBrowserOpensItsLinksAndClosesWhenCancelledOrLeft) {
    const std::string probe = std::string(getenv("TEMP")) + "\\Ombrix+.html", log = folder.file("links.txt");
    const std::string mail = "mailto:ombrix@example.org?subject=Ombrix+ v2.12", web = "https://ombrix.example.org/";
    const std::string bat = folder.file("record.bat"), record = "\"" + bat + "\" %1", none = "fehlt.exe %1";
    WriteBytes(bat, "@echo %*>>\"" + log + "\"\r\n");
    const std::string open = "\\shell\\open\\command";
    const std::string keys[] = {"mailto" + open, "https" + open, ".html", "htmlfile" + open};
    // A link the shell cannot open goes to the program of ".html" files; when that fails, or none is known,
    // a message shows the link. Links recorded and messages shown add up over the rows.
    const struct { int button; Names commands; std::string log; Names boxes; } rows[] = {
        {IDC_ABOUT_WEB, {none, none, "", record}, "", {web}},
        {IDC_ABOUT_MAIL, {record, "", "", ""}, mail + "\r\n", {web}},
        {IDC_ABOUT_WEB, {none, none, "htmlfile", record}, mail + "\r\n" + web + "\r\n", {web}},
        {IDC_ABOUT_MAIL, {none, none, "htmlfile", none}, mail + "\r\n" + web + "\r\n", {web, mail}}};
    for (const auto& row : rows) {
        for (int k = 0; k < 4; ++k) WriteRegText(HKEY_CLASSES_ROOT, keys[k], nullptr, row.commands[k]);
        DialogDriver driver([&](HWND dialog) {
            EXPECT_FALSE(FileExists(probe)) << "the probe file is removed again";
            EXPECT_EQ(ItemText(dialog, 0xFFFF).substr(0, 20), "Ombrix+\nVersion 2.12");
            Press(dialog, row.button);
            EXPECT_TRUE(PumpUntil([&] { return ReadBytes(log) == row.log; })) << ReadBytes(log);
            // Cancelled where nothing was started, else left for another window.
            &row == rows ? Press(dialog, IDCANCEL) : void(SendMessageA(dialog, WM_ACTIVATE, WA_INACTIVE, 0));
            EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(dialog); }, 5000) || !EndDialog(dialog, 0));
        });
        // Opened again when the window manager activates another window as it opens, which closes it.
        for (int tries = 0; tries < 5 && !driver.acted; ++tries) ShowAboutDialog();
        EXPECT_EQ(boxes.texts, row.boxes);
    }
}
