// The About dialog, driven from inside its modal loop. Its links go through the
// session registry's associations to a batch file that records them.
#include "support/support.h"

#include "about/about.h"
#include "res/resource.h"

// The associations of mail and web links and of ".html" files, put back as they were after the
// test (a key that was not there goes again).
class AboutTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        for (const std::string& key : keys) saved.push_back(RegText(HKEY_CLASSES_ROOT, key, nullptr));
    }
    void TearDown() override {
        for (size_t k = 0; k < saved.size(); ++k) {
            if (saved[k] == "(none)")
                RegDeleteKeyA(HKEY_CLASSES_ROOT, keys[k].c_str());
            else
                WriteRegText(HKEY_CLASSES_ROOT, keys[k], nullptr, saved[k]);
        }
        ProgramTest::TearDown();
    }
    const Names keys = {"mailto\\shell\\open\\command", "https\\shell\\open\\command", ".html",
                        "htmlfile\\shell\\open\\command"};
    Names saved;
};

// A link the shell cannot open goes to the program of ".html" files, learned through a probe file
// that is gone again once the dialog shows; when that fails, or none is known, a message shows the
// link. The dialog closes when cancelled, and when left for another window.
TEST_F(AboutTest, LinksOpenThroughTheShellOrTheBrowserElseAMessageShowsThem) {
    const std::string probe = std::string(getenv("TEMP")) + "\\Ombrix+.html", log = folder.file("links.txt");
    const std::string mail = "mailto:ombrix@example.org?subject=Ombrix+ v2.12", web = "https://ombrix.example.org/";
    const std::string bat = folder.file("record.bat"), record = "\"" + bat + "\" %1", none = "fehlt.exe %1";
    WriteBytes(bat, "@echo %*>>\"" + log + "\"\r\n");
    const struct { int button; Names commands; std::string log; Names boxes; bool cancel; } rows[] = {
        {IDC_ABOUT_WEB, {none, none, "", record}, "", {web}, true},
        {IDC_ABOUT_MAIL, {record, "", "", ""}, mail + "\r\n", {}, false},
        {IDC_ABOUT_WEB, {none, none, "htmlfile", record}, web + "\r\n", {}, false},
        {IDC_ABOUT_MAIL, {none, none, "htmlfile", none}, "", {mail}, false}};
    for (const auto& row : rows) {
        for (size_t k = 0; k < keys.size(); ++k) WriteRegText(HKEY_CLASSES_ROOT, keys[k], nullptr, row.commands[k]);
        DeleteFileA(log.c_str());
        boxes.texts.clear();
        DialogDriver driver([&](HWND dialog) {
            EXPECT_FALSE(FileExists(probe)) << "the probe file is removed again";
            char text[32] = {};  // the first static control, the dialog's text
            GetWindowTextA(FindWindowExA(dialog, nullptr, "Static", nullptr), text, sizeof text);
            EXPECT_EQ(std::string(text).substr(0, 20), "Ombrix+\nVersion 2.12");
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
        EXPECT_EQ(boxes.texts, row.boxes);
    }
}
