// The About dialog, driven from inside its own modal loop, with the mail and
// web links going to a recording program through the real associations of
// the test session's registry.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "about/about.h"
#include "app/app.h"
#include "options_registry.h"
#include "res/resource.h"
#include "support/testsupport.h"

namespace {

const char kMailLink[] = "mailto:ombrix@example.org?subject=Ombrix+ v2.12";
const char kWebLink[] = "https://ombrix.example.org/";
const char kProbeName[] = "Ombrix+.html";

void Press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Ends the dialog from the outside when it is still open after a while, and
// says so; a test that expects it to close by itself fails then, not hangs.
class Watchdog {
public:
    explicit Watchdog(DWORD ms) {
        active = this;
        timer_ = SetTimer(nullptr, 0, ms, Fire);
    }
    ~Watchdog() {
        KillTimer(nullptr, timer_);
        active = nullptr;
    }
    bool fired = false;

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
        if (!active || active->fired) return;
        if (HWND dialog = FindThreadDialog()) {
            active->fired = true;
            EndDialog(dialog, 0);
        }
    }
    static Watchdog* active;
    UINT_PTR timer_;
};
Watchdog* Watchdog::active;

class AboutDialog : public ::testing::Test {
protected:
    void SetUp() override {
        AppInstance = GetModuleHandleA(nullptr);
        TrayWindow = CreateWindowExA(0, "STATIC", "tray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(TrayWindow, nullptr);
        // The temporary folder of this process is a fresh one.
        GetEnvironmentVariableA("TMP", previousTmp, MAX_PATH);
        SetEnvironmentVariableA("TMP", (temp.path() + "\\").c_str());
        DeleteFileA(LinkLog().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", previousTmp);
        DestroyWindow(TrayWindow);
        TrayWindow = nullptr;
    }
    void Run(std::function<void(HWND)> act) {
        DialogDriver driver(std::move(act));
        ShowAboutDialog();
        EXPECT_TRUE(driver.acted()) << "the dialog did not open";
    }
    // For the links only: the dialog closes whenever another window takes the
    // activation (the bench's own tray window may do so), so it is opened
    // again until act has run.
    void RunUntilActed(const std::function<void(HWND)>& act) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            DialogDriver driver(act);
            ShowAboutDialog();
            if (driver.acted()) return;
            PumpMessages(300);
        }
        ADD_FAILURE() << "the dialog never stayed open long enough";
    }
    static std::string Recorder() { return ModuleFolder() + "\\about_link_recorder.exe"; }
    static std::string LinkLog() { return ModuleFolder() + "\\links.log"; }
    std::string Missing() const { return temp.file("fehlt.exe"); }
    static std::string Command(const std::string& program) { return "\"" + program + "\" \"%1\""; }
    // The programs the shell starts for the mail link, the web link and
    // ".html" files, for the life of the test.
    void Associate(const std::string& mail, const std::string& web, const std::string& html) {
        overrides.emplace_back(new DefaultTextOverride(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", Command(mail)));
        overrides.emplace_back(new DefaultTextOverride(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", Command(web)));
        overrides.emplace_back(new DefaultTextOverride(HKEY_CLASSES_ROOT, ".html", "Ombrix+Test.html"));
        overrides.emplace_back(
            new DefaultTextOverride(HKEY_CLASSES_ROOT, "Ombrix+Test.html\\shell\\open\\command", Command(html)));
    }
    // Presses a link button and waits for the recorder's line.
    std::string PressAndRecord(HWND dialog, int id) {
        Press(dialog, id);
        WaitForFile(LinkLog(), 15000);
        PumpMessages(300);
        if (IsWindow(dialog)) Press(dialog, IDOK);
        return ReadBytes(LinkLog());
    }
    TempFolder temp{"about temp"};
    char previousTmp[MAX_PATH] = {};
    std::vector<std::unique_ptr<DefaultTextOverride>> overrides;
};

struct ExpectedControl {
    int id;
    const char* cls;
    DWORD type;
    RECT box;  // dialog units: left, top, width, height
};

}  // namespace

TEST_F(AboutDialog, ShowsNameVersionAndPictureInItsLayout) {
    const ExpectedControl expected[] = {
        {IDOK, "Button", BS_PUSHBUTTON, {115, 105, 50, 14}},
        {-1, "Static", SS_CENTER, {75, 8, 100, 90}},
        {IDC_ABOUT_MAIL, "Button", BS_PUSHBUTTON, {13, 87, 50, 14}},
        {IDC_ABOUT_WEB, "Button", BS_PUSHBUTTON, {13, 105, 50, 14}},
        {-1, "Static", SS_BITMAP, {5, 5, 64, 74}},
    };
    Run([&](HWND dialog) {
        char text[512];
        GetWindowTextA(dialog, text, sizeof text);
        EXPECT_STREQ(text, "Info \xFC" "ber Ombrix+");
        EXPECT_EQ(GetParent(dialog), TrayWindow);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const ExpectedControl& want : expected) {
            ASSERT_NE(child, nullptr);
            char cls[32];
            GetClassNameA(child, cls, sizeof cls);
            LONG style = GetWindowLongA(child, GWL_STYLE);
            EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), want.id);
            EXPECT_STREQ(cls, want.cls);
            DWORD typeMask = std::string(cls) == "Button" ? BS_TYPEMASK : SS_TYPEMASK;
            EXPECT_EQ(static_cast<DWORD>(style) & typeMask, want.type) << want.id;
            RECT place = want.box;
            MapDialogRect(dialog, &place);
            RECT actual;
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, place.left) << want.id;
            EXPECT_EQ(actual.top, place.top) << want.id;
            if (want.type != SS_BITMAP) {
                EXPECT_EQ(actual.right - actual.left, place.right) << want.id;
                EXPECT_EQ(actual.bottom - actual.top, place.bottom) << want.id;
            }
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr);

        HWND block = GetWindow(GetDlgItem(dialog, IDOK), GW_HWNDNEXT);
        GetWindowTextA(block, text, sizeof text);
        EXPECT_STREQ(text,
                     "Ombrix+\nVersion 2.12\n\nMai 2000\n\n\n\nWenn Sie sich per E-Mail als\n"
                     "Nutzer anmelden, werden Sie\n\xFC" "ber Neuerungen informiert.");
        EXPECT_NE(GetWindowLongA(block, GWL_STYLE) & WS_GROUP, 0);
        char label[32];
        GetDlgItemTextA(dialog, IDC_ABOUT_MAIL, label, sizeof label);
        EXPECT_STREQ(label, "&E-Mail");
        GetDlgItemTextA(dialog, IDC_ABOUT_WEB, label, sizeof label);
        EXPECT_STREQ(label, "&Webseite");

        // The picture control holds bitmap 1900 and takes its size.
        HWND picture = GetWindow(GetDlgItem(dialog, IDC_ABOUT_WEB), GW_HWNDNEXT);
        EXPECT_NE(GetWindowLongA(picture, GWL_EXSTYLE) & WS_EX_STATICEDGE, 0) << "sunken frame";
        HBITMAP bitmap = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info;
        ASSERT_TRUE(GetObjectA(bitmap, sizeof info, &info));
        EXPECT_EQ(info.bmWidth, 96);
        EXPECT_EQ(info.bmHeight, 120);
        RECT frame;
        GetWindowRect(picture, &frame);
        EXPECT_EQ(frame.right - frame.left, 96);
        EXPECT_EQ(frame.bottom - frame.top, 120);
        Press(dialog, IDOK);
    });
}

TEST_F(AboutDialog, ThePictureIsA16ColourBitmapOfItsOwn) {
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(IDB_ABOUT), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_NE(found, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(AppInstance, found)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 96);
    EXPECT_EQ(header->biHeight, 120);
    EXPECT_EQ(header->biBitCount, 4);
}

TEST_F(AboutDialog, EveryOpeningCreatesAndRemovesTheProbeFile) {
    // One left from before is emptied and removed.
    WriteBytes(temp.file(kProbeName), "<html>alt</html>");
    HANDLE watch = FindFirstChangeNotificationA(temp.path().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(watch, INVALID_HANDLE_VALUE);
    Run([&](HWND dialog) {
        EXPECT_FALSE(FileExists(temp.file(kProbeName)));
        Press(dialog, IDOK);
    });
    FindCloseChangeNotification(watch);

    // A fresh opening without one: the folder sees the file come and go.
    watch = FindFirstChangeNotificationA(temp.path().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(watch, INVALID_HANDLE_VALUE);
    Run([&](HWND dialog) {
        EXPECT_EQ(WaitForSingleObject(watch, 2000), WAIT_OBJECT_0) << "no file was created in the temporary folder";
        EXPECT_FALSE(FileExists(temp.file(kProbeName)));
        Press(dialog, IDOK);
    });
    FindCloseChangeNotification(watch);
}

TEST_F(AboutDialog, ClosesWhenItLosesActivationAndOnlyThen) {
    Watchdog stillOpen(1500);
    Run([](HWND dialog) {
        // Kept active, it stays open.
        PumpMessages(800);
        EXPECT_TRUE(IsWindowVisible(dialog));
    });
    EXPECT_TRUE(stillOpen.fired) << "the dialog closed while it was active";

    HWND other = CreateWindowExA(0, "STATIC", "anderes Fenster", WS_POPUP | WS_VISIBLE, 300, 300, 80, 40, nullptr,
                                 nullptr, nullptr, nullptr);
    PumpMessages(500);  // the window manager's focus change arrives before the dialog opens
    Watchdog watchdog(5000);
    Run([other](HWND) { SetActiveWindow(other); });
    EXPECT_FALSE(watchdog.fired) << "the dialog stayed open after losing activation";
    DestroyWindow(other);
}

TEST_F(AboutDialog, TheButtonsOpenTheirLinks) {
    Associate(Recorder(), Recorder(), Missing());
    RunUntilActed([&](HWND dialog) { EXPECT_EQ(PressAndRecord(dialog, IDC_ABOUT_MAIL), std::string(kMailLink) + "\r\n"); });
    DeleteFileA(LinkLog().c_str());
    RunUntilActed([&](HWND dialog) { EXPECT_EQ(PressAndRecord(dialog, IDC_ABOUT_WEB), std::string(kWebLink) + "\r\n"); });
    char link[MAX_PATH];
    MakeMailLink(link);
    EXPECT_STREQ(link, kMailLink);
}

TEST_F(AboutDialog, ALinkTheShellCannotFindGoesToTheBrowser) {
    Associate(Missing(), Missing(), Recorder());
    RunUntilActed([&](HWND dialog) { EXPECT_EQ(PressAndRecord(dialog, IDC_ABOUT_WEB), std::string(kWebLink) + "\r\n"); });
    DeleteFileA(LinkLog().c_str());
    // The mail link, too.
    RunUntilActed([&](HWND dialog) { EXPECT_EQ(PressAndRecord(dialog, IDC_ABOUT_MAIL), std::string(kMailLink) + "\r\n"); });
}

TEST_F(AboutDialog, BothLaunchesFailingShowOneMessageWithTheLink) {
    Associate(Missing(), Missing(), Missing());
    MessageBoxRecorder boxes;
    Run([](HWND dialog) {
        Press(dialog, IDC_ABOUT_MAIL);
        Press(dialog, IDC_ABOUT_WEB);
        Press(dialog, IDOK);
    });
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, kMailLink);
    EXPECT_EQ(boxes.boxes[1].text, kWebLink);
    for (const RecordedMessage& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Ombrix+");
        EXPECT_EQ(box.style, 0x10010u);
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_FALSE(FileExists(LinkLog()));
}

TEST_F(AboutDialog, WithNoBrowserKnownTheLinkIsShownAndNothingElseStarted) {
    Associate(Missing(), Missing(), Missing());
    // ".html" opens with nothing: no browser is learned, and there is no
    // second launch with an empty program name.
    DefaultTextOverride noHtmlProgram(HKEY_CLASSES_ROOT, ".html", "");
    MessageBoxRecorder boxes;
    Run([](HWND dialog) {
        Press(dialog, IDC_ABOUT_WEB);
        Press(dialog, IDOK);
    });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kWebLink);
}
