#include <gtest/gtest.h>

#include <string>

#include "app/settings.h"
#include "options/companion.h"
#include "support/testsupport.h"

namespace {

int addCount;
int closeCount;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CompanionAddTrayIconMessage) ++addCount;
    if (message == CompanionCloseMessage) ++closeCount;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A stand-in companion window in this process, counting the two messages.
class Companion : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterCompanionMessages();
        addCount = closeCount = 0;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Corvane+WndClass";
        RegisterClassA(&wc);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
    }
    void OpenCompanionWindow() {
        window = CreateWindowExA(0, "Corvane+WndClass", "Corvane+", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void SetOption(const char* value) { lstrcpynA(Settings.szCompanion, value, sizeof Settings.szCompanion); }
    HWND window = nullptr;
};

}  // namespace

TEST_F(Companion, MessagesHaveTheirRegisteredNames) {
    EXPECT_EQ(CompanionAddTrayIconMessage, RegisterWindowMessageA("Corvane+AddTrayIcon"));
    EXPECT_EQ(CompanionCloseMessage, RegisterWindowMessageA("Corvane+CloseCorvane"));
    EXPECT_NE(CompanionAddTrayIconMessage, CompanionCloseMessage);
}

TEST_F(Companion, NotifyPostsOnlyWhileTheOptionIsJa) {
    OpenCompanionWindow();
    SetOption("Nein");
    NotifyCompanion(CompanionAddTrayIconMessage);
    SetOption("1");
    NotifyCompanion(CompanionAddTrayIconMessage);
    PumpMessages(100);
    EXPECT_EQ(addCount, 0);

    SetOption("JA");
    NotifyCompanion(CompanionAddTrayIconMessage);
    NotifyCompanion(CompanionCloseMessage);
    PumpMessages(100);
    EXPECT_EQ(addCount, 1);
    EXPECT_EQ(closeCount, 1);
}

TEST_F(Companion, NotifyNeverStartsTheCompanion) {
    TempFolder folder("companion notify");
    std::string exe = folder.file("Corvane+.exe");
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\corvane_standin.exe").c_str(), exe.c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.path().c_str());
    SetOption("Ja");
    NotifyCompanion(CompanionAddTrayIconMessage);
    PumpMessages(1500);
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(FileExists(folder.file("corvane.log")));
}

TEST_F(Companion, StartTellsARunningCompanion) {
    OpenCompanionWindow();
    SetOption("Nein");  // the caller tests the option, StartCompanion does not
    StartCompanion();
    PumpMessages(100);
    EXPECT_EQ(addCount, 1);
}

TEST_F(Companion, StartLaunchesTheExecutableWhenNoneRuns) {
    TempFolder folder("companion start");
    std::string exe = folder.file("Corvane+.exe");
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\corvane_standin.exe").c_str(), exe.c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.path().c_str());
    StartCompanion();
    SetCurrentDirectoryA(previous);

    std::string log = folder.file("corvane.log");
    ASSERT_TRUE(WaitForFile(log, 15000)) << "Corvane+.exe was not started";
    HWND companion = nullptr;
    for (int i = 0; i < 100 && !(companion = FindCompanionWindow()); ++i) PumpMessages(50);
    ASSERT_NE(companion, nullptr);

    // The started companion now gets the close notice and ends.
    SetOption("Ja");
    NotifyCompanion(CompanionCloseMessage);
    for (int i = 0; i < 100 && FindCompanionWindow(); ++i) PumpMessages(50);
    EXPECT_EQ(FindCompanionWindow(), nullptr);
    EXPECT_NE(ReadBytes(log).find("started\r\nCloseCorvane"), std::string::npos) << ReadBytes(log);
}
