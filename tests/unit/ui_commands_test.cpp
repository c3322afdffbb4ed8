// Delete and properties on real shortcut files, with the shell's own dialogs.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/settings.h"
#include "tray/trayicons.h"
#include "ui/commands.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"
#include "ui_testing.h"

namespace {

// Answers the shell's delete confirmation; records ModalBusy meanwhile.
struct ConfirmAnswer {
    int button;
    LONG busyDuring = -1;
    std::string title;
    DialogDriver driver{[this](HWND dialog) {
        busyDuring = ModalBusy;
        title = WindowText(dialog);
        PostMessageA(dialog, WM_COMMAND, button, 0);
    }};
    explicit ConfirmAnswer(int answer) : button(answer) {}
};

bool TrashHolds(const std::string& fileName) {
    return FileExists(TrashFilesFolder() + "\\" + fileName);
}

}  // namespace

class DeleteTest : public TrayWindowTest {
protected:
    void SetUp() override {
        TrayWindowTest::SetUp();
        // Names unique to this run, so the recycle bin check sees this file.
        std::string stamp = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        UseShortcuts({{"Editor " + stamp + ".lnk", "Editor"}, {"Rechner " + stamp + ".lnk", "Rechner"}});
    }
};

TEST_F(DeleteTest, AfterConfirmationTheFileGoesToTheRecycleBin) {
    ConfirmAnswer yes(IDYES);
    Send(WM_COMMAND, ID_ITEM_DELETE + 1);
    ASSERT_TRUE(yes.driver.acted()) << "the shell asked for no confirmation";
    EXPECT_EQ(yes.busyDuring, 1);
    EXPECT_EQ(ModalBusy, 0);
    EXPECT_FALSE(FileExists(linkPath(1)));
    EXPECT_TRUE(FileExists(linkPath(0))) << "only entry 1 is deleted";
    EXPECT_TRUE(TrashHolds(shortcuts[1].fileName)) << "not found in " << TrashFilesFolder();
}

TEST_F(DeleteTest, WithShiftTheFileIsDeletedForGood) {
    ShiftHeld shift;
    ConfirmAnswer yes(IDYES);
    Send(WM_COMMAND, ID_ITEM_DELETE);
    ASSERT_TRUE(yes.driver.acted());
    EXPECT_EQ(yes.busyDuring, 1);
    EXPECT_FALSE(FileExists(linkPath(0)));
    EXPECT_FALSE(TrashHolds(shortcuts[0].fileName));
}

TEST_F(DeleteTest, RefusedConfirmationKeepsTheFile) {
    std::string before = ReadBytes(linkPath(0));
    ConfirmAnswer no(IDNO);
    Send(WM_COMMAND, ID_ITEM_DELETE);
    ASSERT_TRUE(no.driver.acted());
    EXPECT_EQ(ReadBytes(linkPath(0)), before);
    EXPECT_EQ(ModalBusy, 0);
}

// While the confirmation is open, tray clicks start nothing.
TEST_F(DeleteTest, ClicksDuringTheConfirmationPostNothing) {
    lstrcpynA(Settings.szClickMode, "Einfacher Klick", sizeof Settings.szClickMode);
    size_t postedDuring = 99;
    DialogDriver driver([&](HWND dialog) {
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONUP})
            SendMessageA(TrayWindow, WM_USER, ID_TRAYICON, m);
        postedDuring = TakePosted().size();
        PostMessageA(dialog, WM_COMMAND, IDNO, 0);
    });
    Send(WM_COMMAND, ID_ITEM_DELETE);
    ASSERT_TRUE(driver.acted());
    EXPECT_EQ(postedDuring, 0u);
    EXPECT_FALSE(FileExists(markerPath(0)));
}

class PropertiesTest : public TrayWindowTest {};

// The shell's property sheet of the shortcut; ModalBusy stays 0.
TEST_F(PropertiesTest, ShowsTheShellsPropertySheet) {
    UseShortcuts({{"Editor.lnk", "Editor"}});
    std::string title;
    LONG busy = -1;
    DialogDriver driver([&](HWND sheet) {
        title = WindowText(sheet);
        busy = ModalBusy;
        PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(sheet, WM_CLOSE, 0, 0);
    }, 10000);
    Send(WM_COMMAND, ID_ITEM_PROPERTIES);
    for (int i = 0; i < 100 && !driver.acted(); ++i) PumpMessages(100);
    ASSERT_TRUE(driver.acted()) << "no property sheet";
    EXPECT_NE(title.find("Editor"), std::string::npos) << title;
    EXPECT_EQ(busy, 0);
    PumpMessages(500);
}

namespace {

struct TitleSearch {
    std::string part;
    HWND found;
};

BOOL CALLBACK FindTitleProc(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    if (IsWindowVisible(window) && WindowText(window).find(search->part) != std::string::npos) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of any process whose title contains part.
HWND WaitForWindowTitled(const std::string& part, DWORD ms) {
    DWORD start = GetTickCount();
    do {
        TitleSearch search = {part, nullptr};
        EnumWindows(FindTitleProc, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        PumpMessages(200);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

}  // namespace

// With Shift the folder itself opens in a shell window, and no property sheet.
TEST_F(PropertiesTest, WithShiftOpensTheProgramFolder) {
    UseShortcuts({{"Editor.lnk", "Editor"}});
    std::string folderName = folder->path().substr(folder->path().find_last_of('\\') + 1);
    DialogDriver sheet([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }, 3000);
    {
        ShiftHeld shift;
        Send(WM_COMMAND, ID_ITEM_PROPERTIES);
    }
    HWND window = WaitForWindowTitled(folderName, 20000);
    ASSERT_NE(window, nullptr) << "no window for " << folderName;
    EXPECT_FALSE(sheet.acted()) << "a property sheet opened too";
    EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId()) << "the shell's own window";
    PostMessageA(window, WM_CLOSE, 0, 0);
}
