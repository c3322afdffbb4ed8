// The tray window's dispatch: which command identifier reaches which handler,
// and what each tray callback posts in both click modes and while busy.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/settings.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"
#include "ui_testing.h"

namespace {

struct CommandCase {
    WORD id;
    TrayCommand command;
    UINT index;
};

void SetClickMode(const char* mode) {
    lstrcpynA(Settings.szClickMode, mode, sizeof Settings.szClickMode);
}

// Posted messages as (message, wParam, lParam) for easy comparison.
struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Posted& o) const { return message == o.message && wParam == o.wParam && lParam == o.lParam; }
};

std::vector<Posted> Simplify(const std::vector<MSG>& messages) {
    std::vector<Posted> out;
    for (const MSG& m : messages) out.push_back({m.message, m.wParam, m.lParam});
    return out;
}

void PrintTo(const Posted& p, std::ostream* os) {
    *os << "{" << p.message << ", " << p.wParam << ", " << p.lParam << "}";
}

LPARAM CursorPoint() {
    POINT p = {};
    GetCursorPos(&p);
    return MAKELPARAM(p.x, p.y);
}

}  // namespace

TEST(ClassifyTrayCommand, RangesInTheirOrder) {
    const CommandCase cases[] = {
        {0, TrayCommand::Ignored, 0},           {1, TrayCommand::DesktopItem, 1},
        {28, TrayCommand::DesktopItem, 28},     {29, TrayCommand::DesktopItem, 29},
        {98, TrayCommand::DesktopItem, 98},     {99, TrayCommand::Ignored, 0},
        {100, TrayCommand::Exit, 0},            {101, TrayCommand::Ignored, 0},
        {109, TrayCommand::Ignored, 0},         {110, TrayCommand::AddShortcut, 0},
        {111, TrayCommand::Ignored, 0},         {120, TrayCommand::About, 0},
        {125, TrayCommand::Ignored, 0},         {130, TrayCommand::Options, 0},
        {131, TrayCommand::Ignored, 0},         {499, TrayCommand::Ignored, 0},
        {500, TrayCommand::OpenItem, 0},        {503, TrayCommand::OpenItem, 3},
        {599, TrayCommand::OpenItem, 99},       {600, TrayCommand::DeleteItem, 0},
        {603, TrayCommand::DeleteItem, 3},      {699, TrayCommand::DeleteItem, 99},
        {700, TrayCommand::RenameItem, 0},      {703, TrayCommand::RenameItem, 3},
        {800, TrayCommand::ItemProperties, 0},  {803, TrayCommand::ItemProperties, 3},
        {899, TrayCommand::ItemProperties, 99}, {900, TrayCommand::SelectItem, 0},
        {903, TrayCommand::SelectItem, 3},      {1000, TrayCommand::SelectItem, 100},
        {65535, TrayCommand::SelectItem, 64635},
    };
    for (const CommandCase& c : cases) {
        TrayCommandTarget target = ClassifyTrayCommand(c.id);
        EXPECT_EQ(target.command, c.command) << "id " << c.id;
        EXPECT_EQ(target.index, c.index) << "id " << c.id;
    }
}

class TrayDispatchTest : public TrayWindowTest {};

TEST_F(TrayDispatchTest, ExitPostsCloseAndOnlyTheLowWordCounts) {
    EXPECT_EQ(Send(WM_COMMAND, ID_EXIT), 0);
    EXPECT_EQ(Simplify(TakePosted()), (std::vector<Posted>{{WM_CLOSE, 0, 0}}));
    // A notification code in the high word and an lParam change nothing.
    Send(WM_COMMAND, MAKEWPARAM(ID_EXIT, 1), 12345);
    EXPECT_EQ(Simplify(TakePosted()), (std::vector<Posted>{{WM_CLOSE, 0, 0}}));
    EXPECT_TRUE(IsWindow(TrayWindow)) << "the close is posted, not run";
}

TEST_F(TrayDispatchTest, IgnoredIdentifiersDoNothing) {
    UseShortcuts({{"Editor.lnk", "Editor"}});
    lstrcpyA(ItemCaption, "vorher");
    MessageBoxRecorder boxes;
    for (WORD id : {0, 99, 101, 109, 111, 119, 121, 125, 129, 131, 499}) {
        EXPECT_EQ(Send(WM_COMMAND, id), 0) << id;
    }
    PumpMessages(300);
    EXPECT_TRUE(TakePosted().empty());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_STREQ(ItemCaption, "vorher");
    EXPECT_EQ(ModalBusy, 0);
    EXPECT_TRUE(FileExists(linkPath(0)));
    EXPECT_FALSE(FileExists(markerPath(0)));
}

TEST_F(TrayDispatchTest, SelectSetsTheCaptionOfItsEntry) {
    UseNames({"Editor", "Rechner", "Notizen", "Spiel"});
    Send(WM_COMMAND, ID_ITEM_SELECT);
    EXPECT_STREQ(ItemCaption, "Editor");
    Send(WM_COMMAND, ID_ITEM_SELECT + 3);
    EXPECT_STREQ(ItemCaption, "Spiel");
}

TEST_F(TrayDispatchTest, OpenStartsTheShortcut) {
    UseShortcuts({{"Editor.lnk", "Editor"}, {"Rechner.lnk", "Rechner"}});
    Send(WM_COMMAND, ID_ITEM_OPEN + 1);
    ASSERT_TRUE(WaitForFile(markerPath(1), 15000)) << "the shortcut of entry 1 did not start";
    PumpMessages(500);
    EXPECT_EQ(ReadBytes(markerPath(1)), "ran\r\n");
    EXPECT_FALSE(FileExists(markerPath(0)));
}

// A command posted before a rebuild may name an entry the table no longer
// has: it does nothing, whatever kind it is.
TEST_F(TrayDispatchTest, CommandsBeyondTheTableDoNothing) {
    UseShortcuts({{"Editor.lnk", "Editor"}, {"Rechner.lnk", "Rechner"}});
    lstrcpyA(ItemCaption, "vorher");
    MessageBoxRecorder boxes;
    DialogDriver anyDialog([](HWND dialog) { EndDialog(dialog, IDCANCEL); }, 2000);
    for (WORD id : {902, 905, 999, 502, 602, 702, 802, 1099, 65535}) Send(WM_COMMAND, id);
    PumpMessages(2500);
    EXPECT_FALSE(anyDialog.acted()) << "no dialog or confirmation may open";
    EXPECT_STREQ(ItemCaption, "vorher");
    EXPECT_EQ(ModalBusy, 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(FileExists(linkPath(0)));
    EXPECT_TRUE(FileExists(linkPath(1)));
    EXPECT_FALSE(FileExists(markerPath(0)));
    EXPECT_FALSE(FileExists(markerPath(1)));

    // An empty table (no block at all) is just as safe.
    CurrentShortcutTable.nCount = 0;
    for (WORD id : {900, 500, 600, 700, 800}) Send(WM_COMMAND, id);
    EXPECT_STREQ(ItemCaption, "vorher");
}

// The notification-area callbacks of icon 1002 (entry 2) while nothing modal runs.
class TrayCallbackTest : public TrayWindowTest {
protected:
    std::vector<Posted> Click(UINT mouseMessage) {
        EXPECT_EQ(Send(WM_USER, ID_TRAYICON + 2, mouseMessage), 0);
        return Simplify(TakePosted());
    }
    void ExpectPopupRequest(UINT mouseMessage) {
        LPARAM point = CursorPoint();
        EXPECT_EQ(Click(mouseMessage), (std::vector<Posted>{{WM_COMMAND, ID_ITEM_SELECT + 2, 0},
                                                             {WM_TRAYMENU, ID_TRAYICON + 2, point}}));
    }
    void ExpectTheRestPostNothing() {
        for (UINT m : {WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_LBUTTONUP, WM_MOUSEMOVE, WM_MBUTTONDOWN})
            EXPECT_TRUE(Click(m).empty()) << "mouse message " << m;
    }
};

TEST_F(TrayCallbackTest, DoubleClickModeOpensOnTheDoubleClickOnly) {
    SetClickMode("Doppelklick");
    EXPECT_TRUE(Click(WM_LBUTTONDOWN).empty());
    EXPECT_EQ(Click(WM_LBUTTONDBLCLK), (std::vector<Posted>{{WM_COMMAND, ID_ITEM_OPEN + 2, 0}}));
    ExpectPopupRequest(WM_RBUTTONUP);
    ExpectTheRestPostNothing();
}

TEST_F(TrayCallbackTest, SingleClickModeOpensOnTheButtonDownOnly) {
    SetClickMode("Einfacher Klick");
    EXPECT_EQ(Click(WM_LBUTTONDOWN), (std::vector<Posted>{{WM_COMMAND, ID_ITEM_OPEN + 2, 0}}));
    EXPECT_TRUE(Click(WM_LBUTTONDBLCLK).empty());
    ExpectPopupRequest(WM_RBUTTONUP);
    ExpectTheRestPostNothing();
}

TEST_F(TrayCallbackTest, ClickModeIsComparedWithoutCaseAndReadAtEachClick) {
    SetClickMode("EINFACHER KLICK");
    EXPECT_EQ(Click(WM_LBUTTONDOWN).size(), 1u);
    SetClickMode("doppelklick");
    EXPECT_TRUE(Click(WM_LBUTTONDOWN).empty());
    EXPECT_EQ(Click(WM_LBUTTONDBLCLK).size(), 1u);
    // Neither value: a left click never opens, the popup still comes.
    SetClickMode("Dreifach");
    EXPECT_TRUE(Click(WM_LBUTTONDOWN).empty());
    EXPECT_TRUE(Click(WM_LBUTTONDBLCLK).empty());
    ExpectPopupRequest(WM_RBUTTONUP);
}

// While busy, every row of the table only brings the window above TrayWindow
// (the modal one it owns) to the front; nothing is posted in either mode.
TEST_F(TrayCallbackTest, WhileBusyClicksOnlyBringTheModalWindowToFront) {
    HWND modal = CreateWindowExA(0, "STATIC", "Umbenennen", WS_POPUP | WS_VISIBLE | WS_CAPTION, 50, 50, 200, 100,
                                 TrayWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND other = CreateWindowExA(0, "STATIC", "Anderes", WS_POPUP | WS_VISIBLE | WS_CAPTION, 300, 50, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(modal && other);
    ASSERT_EQ(GetWindow(TrayWindow, GW_HWNDPREV), modal);
    ModalBusy = 1;
    for (const char* mode : {"Einfacher Klick", "Doppelklick"}) {
        SetClickMode(mode);
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK}) {
            SetForegroundWindow(other);
            PumpMessages(50);
            ASSERT_EQ(GetForegroundWindow(), other);
            EXPECT_TRUE(Click(m).empty()) << mode << ", mouse message " << m;
            PumpMessages(50);
            EXPECT_EQ(GetForegroundWindow(), modal) << mode << ", mouse message " << m;
        }
        // A mouse message outside the table leaves the foreground alone.
        SetForegroundWindow(other);
        PumpMessages(50);
        EXPECT_TRUE(Click(WM_MOUSEMOVE).empty());
        EXPECT_EQ(GetForegroundWindow(), other);
    }
    DestroyWindow(other);
    DestroyWindow(modal);
}

// With the desktop menu off (in any spelling but "Ja"), its four messages
// return 0 and are not passed on.
TEST_F(TrayDispatchTest, DesktopMenuMessagesNeedTheOption) {
    for (const char* value : {"Nein", "", "ja "}) {
        lstrcpynA(Settings.szDesktopMenu, value, sizeof Settings.szDesktopMenu);
        EXPECT_EQ(Send(WM_MENUCHAR, MAKEWPARAM('x', MF_POPUP), reinterpret_cast<LPARAM>(TrayPopup)), 0);
        EXPECT_EQ(Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(TrayPopup), 0), 0);
        EXPECT_EQ(GetMenuItemCount(TrayPopup), 3) << "nothing may be inserted";
    }
}

TEST_F(TrayDispatchTest, OtherMessagesGoToTheDefaultProcedure) {
    EXPECT_TRUE(SetWindowTextA(TrayWindow, "Ombrix+ Test"));
    EXPECT_EQ(WindowText(TrayWindow), "Ombrix+ Test");
    EXPECT_EQ(Send(WM_GETTEXTLENGTH), 12);
}

// The shell's "TaskbarCreated" broadcast puts every shown icon back.
TEST_F(TrayDispatchTest, TaskbarRestartAddsTheIconsAgain) {
    UseShortcuts({{"Editor.lnk", "Editor"}, {"Rechner.lnk", "Rechner"}});
    NotifyIconRecorder icons;
    MessageBoxRecorder boxes;
    RegisterTaskbarCreatedMessage();
    ASSERT_NE(TaskbarCreatedMessage, 0u);
    RebuildTrayIcons();
    ASSERT_EQ(icons.Count(NIM_ADD), 2u);
    EXPECT_EQ(Send(TaskbarCreatedMessage), 0);
    EXPECT_EQ(icons.Count(NIM_ADD), 4u);
    EXPECT_EQ(icons.calls.back().uID, ID_TRAYICON + 1);
    RemoveTrayIcons();
}
