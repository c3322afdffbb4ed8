// The program's own main loop and folder watch under a storm of file
// operations from another thread: afterwards the icons are exactly the
// shortcuts in the folder, in order, and the process holds what it held
// before (handles, GDI objects, icons, menus, windows).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "bench/object_counts.h"
#include "support/testsupport.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"

namespace {

const char* const Notepad = "C:\\windows\\notepad.exe";

// What the tray shows after the recorded calls, identifier to tooltip.
std::map<UINT, std::string> ShownIcons(const NotifyIconRecorder& icons) {
    std::map<UINT, std::string> shown;
    for (const auto& call : icons.calls) {
        if (call.message == NIM_ADD) {
            EXPECT_EQ(shown.count(call.uID), 0u) << "added twice: " << call.uID;
            shown[call.uID] = call.tip;
        } else if (call.message == NIM_DELETE) {
            EXPECT_EQ(shown.erase(call.uID), 1u) << "deleted but not shown: " << call.uID;
        } else if (call.message == NIM_MODIFY && (call.uFlags & NIF_TIP)) {
            EXPECT_EQ(shown.count(call.uID), 1u) << "modified but not shown: " << call.uID;
            shown[call.uID] = call.tip;
        }
    }
    return shown;
}

// The shortcut names in the folder, sorted as the program sorts them.
std::vector<std::string> ShortcutNamesIn(const TempFolder& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA item;
    HANDLE find = FindFirstFileA(folder.file("*.lnk").c_str(), &item);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = item.cFileName;
        names.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileA(find, &item));
    FindClose(find);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpA(a.c_str(), b.c_str()) < 0; });
    return names;
}

// The storm: bursts of creates, renames and deletes of shortcuts and of other
// files, with short pauses in which the watch catches up.
struct Storm {
    std::string folder;
    std::string shortcutBytes;
    int operations = 0;
    int total = 0;
    DWORD mainThread = 0;

    std::string Path(const char* prefix, int n, const char* extension) const {
        char name[64];
        wsprintfA(name, "\\%s %02d%s", prefix, n, extension);
        return folder + name;
    }
    void Run(int total, int burst) {
        unsigned seed = 12345;
        while (operations < total) {
            for (int i = 0; i < burst && operations < total; ++i, ++operations) {
                seed = seed * 1103515245u + 12345u;
                int n = static_cast<int>((seed >> 16) % 12);
                bool shortcut = (seed >> 8) % 3 != 0;
                const char* ext = shortcut ? ".lnk" : ".txt";
                switch ((seed >> 24) % 3) {
                case 0:
                    WriteBytes(Path("Sturm", n, ext), shortcut ? shortcutBytes : "text");
                    break;
                case 1:
                    MoveFileA(Path("Sturm", n, ext).c_str(), Path("Wind", n, ext).c_str());
                    break;
                default:
                    DeleteFileA(Path(n % 2 ? "Sturm" : "Wind", n, ext).c_str());
                    break;
                }
            }
            Sleep(20);
        }
    }
    static DWORD WINAPI Thread(void* param) {
        auto* storm = static_cast<Storm*>(param);
        storm->Run(storm->total, 100);
        // Let the loop catch the last change, then end it.
        LONG seen = -1;
        while (seen != LoopCounters.nFolderChanges) {
            seen = LoopCounters.nFolderChanges;
            Sleep(1500);
        }
        PostThreadMessageA(storm->mainThread, WM_QUIT, 0, 0);
        return 0;
    }
};

// Ends the main loop of thread after ms milliseconds.
struct QuitLater {
    DWORD thread;
    DWORD ms;
    static DWORD WINAPI Run(void* param) {
        auto* quit = static_cast<QuitLater*>(param);
        Sleep(quit->ms);
        PostThreadMessageA(quit->thread, WM_QUIT, 0, 0);
        return 0;
    }
};

// A shortcut that appears while the icons are being added, made by the first
// NIM_ADD itself, so it always falls inside a rebuild.
std::string LateShortcutPath;
std::string LateShortcutBytes;
BOOL WINAPI AddAndMakeLateShortcut(DWORD, PNOTIFYICONDATAA) {
    if (!LateShortcutPath.empty()) {
        WriteBytes(LateShortcutPath, LateShortcutBytes);
        LateShortcutPath.clear();
    }
    return TRUE;
}

}  // namespace

// A change made while a rebuild runs is not lost: the watch is armed again
// before the folder is read, so the change signals it and another rebuild
// follows.
TEST(Soak, ChangeDuringARebuildIsFollowed) {
    TempFolder folder("late change");
    lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
    lstrcpynA(Settings.szSort, "Ja", sizeof Settings.szSort);
    TrayWindow = CreateWindowExA(0, "STATIC", "late", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(MakeShortcut(folder.file("Eins.lnk"), Notepad));
    LateShortcutBytes = ReadBytes(folder.file("Eins.lnk"));
    ChangeHandle = FindFirstChangeNotificationA(ProgramFolder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(ChangeHandle, INVALID_HANDLE_VALUE);
    WriteBytes(folder.file("Zwei.lnk"), LateShortcutBytes);
    LateShortcutPath = folder.file("Drei.lnk");
    NotifyIconFunction previous = CallNotifyIcon;
    CallNotifyIcon = AddAndMakeLateShortcut;

    QuitLater quit = {GetCurrentThreadId(), 3000};
    HANDLE thread = CreateThread(nullptr, 0, QuitLater::Run, &quit, 0, nullptr);
    RunMainLoop();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    FindCloseChangeNotification(ChangeHandle);
    ChangeHandle = INVALID_HANDLE_VALUE;

    EXPECT_TRUE(LateShortcutPath.empty()) << "the rebuild ran";
    std::vector<std::string> names;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) names.push_back(CurrentShortcutTable.pEntries[i].szName);
    EXPECT_EQ(names, (std::vector<std::string>{"Drei", "Eins", "Zwei"}));
    RemoveTrayIcons();
    CallNotifyIcon = previous;
    DestroyWindow(TrayWindow);
    TrayWindow = nullptr;
}

TEST(Soak, TwoThousandFileOperationsWhileTheLoopRuns) {
    TempFolder folder("soak");
    lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
    lstrcpynA(Settings.szSort, "Ja", sizeof Settings.szSort);
    lstrcpynA(Settings.szMarkLinks, "Ja", sizeof Settings.szMarkLinks);
    lstrcpynA(Settings.szQuickInfo, "Nein", sizeof Settings.szQuickInfo);
    TrayWindow = CreateWindowExA(0, "STATIC", "soak", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(TrayWindow, nullptr);
    MessageBoxRecorder boxes;
    NotifyIconRecorder icons;
    for (const char* name : {"Anker A.lnk", "Anker B.lnk", "Anker C.lnk"})
        ASSERT_TRUE(MakeShortcut(folder.file(name), Notepad));

    std::string shortcutBytes = ReadBytes(folder.file("Anker A.lnk"));
    RebuildTrayIcons();
    ChangeHandle = FindFirstChangeNotificationA(ProgramFolder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(ChangeHandle, INVALID_HANDLE_VALUE);
    // The main loop under a storm from another thread, until it has been quiet.
    auto runStorm = [&](int total) {
        Storm storm;
        storm.folder = folder.path();
        storm.shortcutBytes = shortcutBytes;
        storm.total = total;
        storm.mainThread = GetCurrentThreadId();
        HANDLE thread = CreateThread(nullptr, 0, Storm::Thread, &storm, 0, nullptr);
        EXPECT_NE(thread, nullptr);
        RunMainLoop();
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        return storm.operations;
    };
    // Back to the three anchors.
    auto clearStorm = [&] {
        for (const auto& name : ShortcutNamesIn(folder))
            if (name.rfind("Anker", 0) != 0) DeleteFileA(folder.file(name + ".lnk").c_str());
        RebuildTrayIcons();
        ASSERT_EQ(CurrentShortcutTable.nCount, 3);
    };

    // A short storm first, so that what the shell and the system load once is
    // not counted as growth.
    runStorm(200);
    clearStorm();
    ObjectCounts before = ReadOwnObjectCounts();
    LONG changesBefore = LoopCounters.nFolderChanges;
    int operations = runStorm(2000);

    EXPECT_EQ(operations, 2000);
    EXPECT_GT(LoopCounters.nFolderChanges - changesBefore, 3) << "the watch followed the storm";
    std::vector<std::string> expected = ShortcutNamesIn(folder);
    std::vector<std::string> table;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) table.push_back(CurrentShortcutTable.pEntries[i].szName);
    EXPECT_EQ(table, expected);
    std::map<UINT, std::string> shown = ShownIcons(icons);
    std::map<UINT, std::string> wanted;
    for (size_t i = 0; i < expected.size(); ++i) wanted[1000 + static_cast<UINT>(i)] = expected[i];
    EXPECT_EQ(shown, wanted) << "the tray holds exactly the folder's shortcuts, in order";
    EXPECT_TRUE(boxes.boxes.empty());

    // Back to the three anchors: the process holds what it held before.
    clearStorm();
    ObjectCounts after = ReadOwnObjectCounts();
    FindCloseChangeNotification(ChangeHandle);
    ChangeHandle = INVALID_HANDLE_VALUE;
    EXPECT_EQ(after.kernelHandles, before.kernelHandles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.icons, before.icons);
    EXPECT_EQ(after.menus, before.menus);
    EXPECT_EQ(after.windows, before.windows);
    std::printf("committed KiB %lu -> %lu, working set KiB %lu -> %lu\n",
                static_cast<unsigned long>(before.committedKb), static_cast<unsigned long>(after.committedKb),
                static_cast<unsigned long>(before.workingSetKb), static_cast<unsigned long>(after.workingSetKb));
    EXPECT_LT(after.committedKb, before.committedKb + 4096) << "no growth beyond heap slack";

    RemoveTrayIcons();
    DestroyWindow(TrayWindow);
    TrayWindow = nullptr;
}
