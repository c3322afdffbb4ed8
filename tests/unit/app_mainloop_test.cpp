#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/app.h"
#include "app/settings.h"
#include "support/testsupport.h"
#include "tray/shortcuts.h"

namespace {

LONG Wakeups() { return InterlockedCompareExchange(&LoopCounters.nWakeups, 0, 0); }
LONG FolderChanges() { return InterlockedCompareExchange(&LoopCounters.nFolderChanges, 0, 0); }

}  // namespace

// The loop sleeps until the folder changes or input arrives; a quiet
// interval costs no wake-up at all, and WM_CLOSE ends it through the shut-down.
TEST(RunMainLoop, WakesForAFolderChangeAndOtherwiseSleeps) {
    TempFolder folder("main loop");
    ASSERT_TRUE(MakeShortcut(folder.file("Editor.lnk"), "C:\\windows\\notepad.exe"));
    lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
    lstrcpynA(Settings.szSort, "Ja", sizeof Settings.szSort);
    lstrcpynA(Settings.szMarkLinks, "Ja", sizeof Settings.szMarkLinks);
    lstrcpynA(Settings.szQuickInfo, "Ja", sizeof Settings.szQuickInfo);
    lstrcpynA(Settings.szCompanion, "Nein", sizeof Settings.szCompanion);
    MessageBoxRecorder boxes;
    NotifyIconRecorder icons;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    AppInstance = instance;
    ASSERT_TRUE(RegisterTrayWindowClass(instance));
    ASSERT_NE(CreateTrayWindow(instance), nullptr);
    ChangeHandle = FindFirstChangeNotificationA(ProgramFolder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(ChangeHandle, INVALID_HANDLE_VALUE);

    LONG quietWakeups = -1, changesSeen = -1, quietAfterChange = -1;
    HWND window = TrayWindow;
    std::thread observer([&] {
        Sleep(500);  // let start-up messages settle
        LONG before = Wakeups();
        Sleep(2000);
        quietWakeups = Wakeups() - before;

        WriteBytes(folder.file("neu.txt"), "x");
        for (int i = 0; i < 100 && FolderChanges() == 0; ++i) Sleep(50);
        changesSeen = FolderChanges();

        Sleep(500);
        before = Wakeups();
        Sleep(1500);
        quietAfterChange = Wakeups() - before;
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    RunMainLoop();
    observer.join();

    EXPECT_EQ(quietWakeups, 0);
    EXPECT_EQ(changesSeen, 1);
    EXPECT_EQ(quietAfterChange, 0);
    EXPECT_EQ(ChangeHandle, INVALID_HANDLE_VALUE) << "the shut-down closes the watch";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(CurrentShortcutTable.pEntries, nullptr);
}

// Without a watch the loop waits on the queue alone; input never counts as a
// folder change.
TEST(RunMainLoop, WithoutAWatchOnlyInputWakesIt) {
    ChangeHandle = INVALID_HANDLE_VALUE;
    LONG changesBefore = FolderChanges();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, TrayWindowClass, &wc)) {
        ASSERT_TRUE(RegisterTrayWindowClass(instance));
    }
    ASSERT_NE(CreateTrayWindow(instance), nullptr);
    HWND window = TrayWindow;
    std::thread poster([window] {
        Sleep(300);
        PostMessageA(window, WM_NULL, 0, 0);
        Sleep(300);
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    RunMainLoop();
    poster.join();
    EXPECT_EQ(FolderChanges(), changesBefore);
    EXPECT_FALSE(IsWindow(window));
}
