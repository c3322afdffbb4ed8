// The About dialog, driven from inside its modal loop. Its links go through the
// session registry's associations to a batch file that records them.
#include "support/support.h"

#include "about/about.h"
#include "res/resource.h"

// A link the shell cannot open goes to the program of ".html" files, learned through a probe file
// that is gone again once the dialog shows; when that fails, or none is known, a message shows the
// link. The dialog closes when cancelled, and when left for another window.
TEST_F(ProgramTest, AboutLinksOpenThroughTheShellOrTheBrowserElseAMessageShowsThem) {
    const ClassesKept associations({"mailto\\shell\\open\\command", "https\\shell\\open\\command", ".html",
                                    "htmlfile\\shell\\open\\command"});
    const std::string probe = std::string(getenv("TEMP")) + "\\Ombrix+.html";
    const std::string log = folder.file("links.txt");
    const std::string bat = folder.file("record.bat");
    const std::string record = "\"" + bat + "\" %1";
    const std::string none = "fehlt.exe %1";
    const std::string mail = "mailto:ombrix@example.org?subject=Ombrix+ v2.12";
    const std::string web = "https://ombrix.example.org/";
    WriteBytes(bat, "@echo %*>>\"" + log + "\"\r\n");
    const struct { const char* name; int button; Names commands; std::string log; Texts boxes; bool cancel; } rows[] = {
        {"web, no program: the message, then Cancel", IDC_ABOUT_WEB, {none, none, "", record}, "", {Wide(web)}, true},
        {"mail through the shell", IDC_ABOUT_MAIL, {record, "", "", ""}, mail + "\r\n", {}, false},
        {"web through the .html program", IDC_ABOUT_WEB, {none, none, "htmlfile", record}, web + "\r\n", {}, false},
        {"mail, the .html program fails: the message", IDC_ABOUT_MAIL, {none, none, "htmlfile", none}, "", {Wide(mail)}, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (size_t k = 0; k < row.commands.size(); ++k)
            WriteRegText(HKEY_CLASSES_ROOT, associations.keys[k], nullptr, row.commands[k]);
        DeleteFileA(log.c_str());
        boxes.texts.clear();
        DialogDriver driver([&](HWND dialog) {
            EXPECT_FALSE(FileExists(probe)) << "the probe file is removed again";
            Press(dialog, row.button);
            EXPECT_TRUE(PumpUntil([&] { return ReadBytes(log) == row.log; })) << ReadBytes(log);
            if (row.cancel)
                Press(dialog, IDCANCEL);
            else
                SendMessageA(dialog, WM_ACTIVATE, WA_INACTIVE, 0);
            if (!PumpUntil([&] { return !IsWindowVisible(dialog); }, 5000)) {
                ADD_FAILURE() << "the dialog stayed open";
                EndDialog(dialog, 0);
            }
        });
        // Opened again when the window manager activates another window as it opens, which closes it.
        for (int tries = 0; tries < 5 && !driver.acted; ++tries) ShowAboutDialog();
        EXPECT_TRUE(driver.acted);
        EXPECT_EQ(boxes.texts, row.boxes);
    }
}
