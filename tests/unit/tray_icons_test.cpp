#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "support/testsupport.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traywindow.h"

namespace {

const char* const Notepad = "C:\\windows\\notepad.exe";
const char* const Regedit = "C:\\windows\\regedit.exe";
const char* const EmptyFolderPrompt =
    "Der Ombrix+ Ordner enthält keine Verknüpfungen.\n\nOmbrix+ startet jetzt einen Assistenten mit dem\n"
    "Sie eine Verknüpfung erstellen können, die in der\nTask-Leiste angezeigt wird.";

void SetOption(char* option, size_t cch, const char* value) {
    lstrcpynA(option, value, static_cast<int>(cch));
}

std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) names.push_back(CurrentShortcutTable.pEntries[i].szName);
    return names;
}

// Whether a WM_CLOSE for TrayWindow waits in the queue (taken out).
bool CloseWasPosted() {
    MSG msg;
    return PeekMessageA(&msg, TrayWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

bool IconAlive(HICON icon) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

class TrayIconsTest : public ::testing::Test {
protected:
    void SetUp() override {
        lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
        SetOption(Settings.szSort, sizeof Settings.szSort, "Ja");
        SetOption(Settings.szMarkLinks, sizeof Settings.szMarkLinks, "Ja");
        SetOption(Settings.szQuickInfo, sizeof Settings.szQuickInfo, "Ja");
        TrayWindow = CreateWindowExA(0, "STATIC", "tray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(TrayWindow, nullptr);
    }
    void TearDown() override {
        RemoveTrayIcons();
        CloseWasPosted();
        DestroyWindow(TrayWindow);
        TrayWindow = nullptr;
    }
    void Make(const std::string& name, const char* iconFile = Regedit, int iconIndex = 0) {
        ASSERT_TRUE(MakeShortcut(folder.file(name + ".lnk"), Notepad, "", iconFile, iconIndex));
    }
    std::vector<const RecordedNotifyIcon*> Calls(DWORD message) const {
        std::vector<const RecordedNotifyIcon*> found;
        for (const auto& call : icons.calls)
            if (call.message == message) found.push_back(&call);
        return found;
    }

    TempFolder folder{"icons"};
    MessageBoxRecorder boxes;
    NotifyIconRecorder icons;
};

}  // namespace

// First build: no table yet, so nothing is removed; the adds carry
// identifiers 1000 upwards in name order, the callback WM_USER, the marked
// icon and the bare name; the tips that follow add the QuickInfo suffix.
TEST_F(TrayIconsTest, FirstBuildAddsInOrderThenSetsTips) {
    Make("Charlie");
    Make("Alpha");
    Make("Bravo");
    RebuildTrayIcons();
    RefreshTrayTips();

    ASSERT_EQ(icons.calls.size(), 6u);
    const char* names[] = {"Alpha", "Bravo", "Charlie"};
    for (UINT i = 0; i < 3; ++i) {
        const RecordedNotifyIcon& add = icons.calls[i];
        EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(add.uID, 1000 + i);
        EXPECT_EQ(add.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_EQ(add.uCallbackMessage, static_cast<UINT>(WM_USER));
        EXPECT_EQ(add.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
        EXPECT_EQ(add.hWnd, TrayWindow);
        EXPECT_EQ(add.tip, names[i]);
        EXPECT_EQ(add.hIcon, CurrentShortcutTable.pEntries[i].hOverlayIcon);
        EXPECT_NE(add.hIcon, nullptr);

        const RecordedNotifyIcon& tip = icons.calls[3 + i];
        EXPECT_EQ(tip.message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(tip.uID, 1000 + i);
        EXPECT_EQ(tip.uFlags, static_cast<UINT>(NIF_TIP));
        EXPECT_EQ(tip.tip, std::string(names[i]) + " - Ombrix+");
    }
    EXPECT_EQ(TableNames(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(CloseWasPosted());
}

// A rescan that finds the same shortcuts touches no icon, even when a file of
// another kind came into the folder; the icons shown keep their handles.
TEST_F(TrayIconsTest, UnchangedRescanLeavesTheIconsAlone) {
    Make("Alpha");
    Make("Bravo");
    RebuildTrayIcons();
    HICON shown = CurrentShortcutTable.pEntries[0].hOverlayIcon;
    icons.calls.clear();

    WriteBytes(folder.file("notiz.txt"), "kein Link");
    RebuildTrayIcons();
    RebuildTrayIcons();
    EXPECT_EQ(icons.Count(NIM_ADD), 0u);
    EXPECT_EQ(icons.Count(NIM_DELETE), 0u);
    EXPECT_EQ(CurrentShortcutTable.pEntries[0].hOverlayIcon, shown);
    EXPECT_TRUE(IconAlive(shown));
}

// Any difference, down to one icon index, removes all icons and adds all anew.
TEST_F(TrayIconsTest, AnyDifferenceRebuildsTheWholeSet) {
    Make("Alpha");
    Make("Bravo");
    Make("Charlie");
    RebuildTrayIcons();
    HICON oldIcon = CurrentShortcutTable.pEntries[0].hOverlayIcon;
    icons.calls.clear();

    Make("Bravo", Regedit, 1);  // the same file, another index
    RebuildTrayIcons();
    ASSERT_EQ(icons.calls.size(), 6u);
    for (UINT i = 0; i < 3; ++i) {
        EXPECT_EQ(icons.calls[i].message, static_cast<DWORD>(NIM_DELETE));
        EXPECT_EQ(icons.calls[i].uID, 1000 + i);
        EXPECT_EQ(icons.calls[i].uFlags, 0u);
        EXPECT_EQ(icons.calls[3 + i].message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(icons.calls[3 + i].uID, 1000 + i);
    }
    EXPECT_EQ(CurrentShortcutTable.pEntries[1].iIcon, 1);
    EXPECT_FALSE(IconAlive(oldIcon)) << "the icons of the replaced table are given back";

    // A shortcut removed from outside: three go, two come.
    icons.calls.clear();
    ASSERT_TRUE(DeleteFileA(folder.file("Alpha.lnk").c_str()));
    RebuildTrayIcons();
    EXPECT_EQ(icons.Count(NIM_DELETE), 3u);
    EXPECT_EQ(icons.Count(NIM_ADD), 2u);
    EXPECT_EQ(TableNames(), (std::vector<std::string>{"Bravo", "Charlie"}));
}

// Turning the sort off rebuilds only when the folder order differs from the
// name order.
TEST_F(TrayIconsTest, SortChangeRebuildsOnlyWhenTheOrderDiffers) {
    for (const char* name : {"Zulu", "Alpha", "Mike", "Bravo", "Yankee"}) Make(name);
    RebuildTrayIcons();
    std::vector<std::string> byName = TableNames();
    icons.calls.clear();

    SetOption(Settings.szSort, sizeof Settings.szSort, "Nein");
    RebuildTrayIcons();
    std::vector<std::string> listed = TableNames();
    if (listed == byName) {
        EXPECT_EQ(icons.calls.size(), 0u);
    } else {
        EXPECT_EQ(icons.Count(NIM_DELETE), 5u);
        EXPECT_EQ(icons.Count(NIM_ADD), 5u);
    }
    icons.calls.clear();
    RebuildTrayIcons();
    EXPECT_EQ(icons.calls.size(), 0u);
}

namespace {

// What a click handler would find while an add-failure message is up.
struct TableSnapshot {
    int nCount;
    std::vector<std::string> names;
    size_t addsSoFar;
};
std::vector<TableSnapshot> snapshots;
NotifyIconRecorder* watchedIcons;

int WINAPI SnapshotMessageBox(HWND, LPCSTR, LPCSTR, UINT) {
    snapshots.push_back({CurrentShortcutTable.nCount, TableNames(), watchedIcons->Count(NIM_ADD)});
    return IDOK;
}

}  // namespace

// The add of the second of three fails: one message naming it, the third
// entry moves up to identifier 1001. While the message is shown the table
// already holds every entry an added icon can stand for.
TEST_F(TrayIconsTest, AFailedAddDropsThatEntryOnly) {
    Make("Alpha");
    Make("Bravo");
    Make("Charlie");
    icons.failCalls = {1};
    snapshots.clear();
    watchedIcons = &icons;
    MessageBoxFunction recording = CallMessageBox;
    CallMessageBox = SnapshotMessageBox;
    RebuildTrayIcons();
    CallMessageBox = recording;

    auto adds = Calls(NIM_ADD);
    ASSERT_EQ(adds.size(), 3u);
    EXPECT_EQ(adds[0]->uID, 1000u);
    EXPECT_EQ(adds[1]->uID, 1001u);
    EXPECT_EQ(adds[1]->tip, "Bravo");
    EXPECT_EQ(adds[2]->uID, 1001u);
    EXPECT_EQ(adds[2]->tip, "Charlie");
    EXPECT_EQ(TableNames(), (std::vector<std::string>{"Alpha", "Charlie"}));
    EXPECT_FALSE(CloseWasPosted());

    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].addsSoFar, 2u);
    EXPECT_EQ(snapshots[0].names, (std::vector<std::string>{"Alpha", "Charlie"}));

    // The message itself, as the user sees it.
    icons.calls.clear();
    icons.failCalls = {};
    RemoveTrayIcons();
    icons.calls.clear();
    icons.failCalls = {1};
    RebuildTrayIcons();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Hinzufügen von 'Bravo' in die Task-Leiste fehlgeschlagen.");
    EXPECT_EQ(boxes.boxes[0].caption, "Ombrix+");
    EXPECT_EQ(boxes.boxes[0].style, static_cast<UINT>(MB_SETFOREGROUND));
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);

    // Tips and marks then address exactly the two icons there are.
    icons.calls.clear();
    RefreshTrayTips();
    RefreshTrayMarks();
    ASSERT_EQ(icons.calls.size(), 4u);
    EXPECT_EQ(icons.calls[1].uID, 1001u);
    EXPECT_EQ(icons.calls[1].tip, "Charlie - Ombrix+");
}

// Every add fails: one message per shortcut, nothing left, the program closes.
TEST_F(TrayIconsTest, EveryAddFailingClosesTheProgram) {
    Make("Alpha");
    Make("Bravo");
    Make("Charlie");
    icons.failAllAdds = true;
    RebuildTrayIcons();
    EXPECT_EQ(icons.Count(NIM_ADD), 3u);
    for (const auto* add : Calls(NIM_ADD)) EXPECT_EQ(add->uID, 1000u);
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[2].text, "Hinzufügen von 'Charlie' in die Task-Leiste fehlgeschlagen.");
    EXPECT_EQ(CurrentShortcutTable.nCount, 0);
    EXPECT_TRUE(CloseWasPosted());
    icons.calls.clear();
    RefreshTrayTips();
    RemoveTrayIcons();
    EXPECT_EQ(icons.calls.size(), 0u);
}

// The 63-character rule of the first tooltip version, with and without the
// QuickInfo suffix.
TEST_F(TrayIconsTest, TooltipsKeepToSixtyThreeCharacters) {
    const std::string n10(10, 'a'), n60(60, 'b'), n63(63, 'c'), n70(70, 'd');
    for (const std::string& name : {n10, n60, n63, n70}) Make(name);
    RebuildTrayIcons();
    auto adds = Calls(NIM_ADD);
    ASSERT_EQ(adds.size(), 4u);
    EXPECT_EQ(adds[0]->tip, n10);
    EXPECT_EQ(adds[1]->tip, n60);
    EXPECT_EQ(adds[2]->tip, n63);
    EXPECT_EQ(adds[3]->tip, n70.substr(0, 63));

    icons.calls.clear();
    RefreshTrayTips();
    ASSERT_EQ(icons.calls.size(), 4u);
    EXPECT_EQ(icons.calls[0].tip, n10 + " - Ombrix+");
    EXPECT_EQ(icons.calls[1].tip, n60 + " - ");
    EXPECT_EQ(icons.calls[2].tip, n63);
    EXPECT_EQ(icons.calls[3].tip, n70.substr(0, 63));

    SetOption(Settings.szQuickInfo, sizeof Settings.szQuickInfo, "NEIN");
    icons.calls.clear();
    RefreshTrayTips();
    ASSERT_EQ(icons.calls.size(), 4u);
    EXPECT_EQ(icons.calls[0].tip, n10);
    EXPECT_EQ(icons.calls[1].tip, n60);
    EXPECT_EQ(icons.calls[3].tip, n70.substr(0, 63));
    for (const auto& call : icons.calls) EXPECT_EQ(call.uFlags, static_cast<UINT>(NIF_TIP));
}

// "Kennzeichnen" picks the marked or the plain picture.
TEST_F(TrayIconsTest, MarksFollowTheSetting) {
    Make("Alpha");
    Make("Bravo");
    RebuildTrayIcons();
    SetOption(Settings.szMarkLinks, sizeof Settings.szMarkLinks, "Nein");
    icons.calls.clear();
    RefreshTrayMarks();
    ASSERT_EQ(icons.calls.size(), 2u);
    for (UINT i = 0; i < 2; ++i) {
        EXPECT_EQ(icons.calls[i].message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(icons.calls[i].uFlags, static_cast<UINT>(NIF_ICON));
        EXPECT_EQ(icons.calls[i].uID, 1000 + i);
        EXPECT_EQ(icons.calls[i].hIcon, CurrentShortcutTable.pEntries[i].hPlainIcon);
        EXPECT_NE(icons.calls[i].hIcon, CurrentShortcutTable.pEntries[i].hOverlayIcon);
    }
    SetOption(Settings.szMarkLinks, sizeof Settings.szMarkLinks, "ja");
    icons.calls.clear();
    RefreshTrayMarks();
    EXPECT_EQ(icons.calls[1].hIcon, CurrentShortcutTable.pEntries[1].hOverlayIcon);
}

// RemoveTrayIcons deletes every icon, gives back the icons and empties the
// table; a second call has nothing left to do.
TEST_F(TrayIconsTest, RemoveTwiceCallsNothingTheSecondTime) {
    Make("Alpha");
    Make("Bravo");
    RebuildTrayIcons();
    HICON plain = CurrentShortcutTable.pEntries[1].hPlainIcon;
    icons.calls.clear();
    RemoveTrayIcons();
    ASSERT_EQ(icons.calls.size(), 2u);
    EXPECT_EQ(icons.calls[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(icons.calls[1].uID, 1001u);
    EXPECT_FALSE(IconAlive(plain));
    EXPECT_EQ(CurrentShortcutTable.pEntries, nullptr);
    EXPECT_EQ(CurrentShortcutTable.nCount, 0);
    EXPECT_EQ(CurrentShortcutTable.hMem, nullptr);
    RemoveTrayIcons();
    EXPECT_EQ(icons.calls.size(), 2u);
}

// An empty folder: icons gone before the prompt; OK starts the wizard and the
// program runs on, Cancel closes it.
TEST_F(TrayIconsTest, EmptyFolderPromptsAndFollowsTheAnswer) {
    AppInstance = GetModuleHandleA(nullptr);
    Make("Alpha");
    RebuildTrayIcons();
    ASSERT_TRUE(DeleteFileA(folder.file("Alpha.lnk").c_str()));
    icons.calls.clear();

    boxes.answer = IDCANCEL;
    RebuildTrayIcons();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, EmptyFolderPrompt);
    EXPECT_EQ(boxes.boxes[0].caption, "Ombrix+");
    EXPECT_EQ(boxes.boxes[0].style, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND));
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    ASSERT_EQ(icons.calls.size(), 1u);
    EXPECT_EQ(icons.calls[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(CurrentShortcutTable.pEntries, nullptr);
    EXPECT_TRUE(CloseWasPosted());

    // OK: the wizard (here the program's own dialog) opens; no WM_CLOSE.
    boxes.answer = IDOK;
    RebuildTrayIcons();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_FALSE(CloseWasPosted());
    HWND wizard = nullptr;
    for (int i = 0; i < 100 && !wizard; ++i) {
        wizard = FindWindowA("#32770", "Neue Verknüpfung");
        if (!wizard) Sleep(50);
    }
    ASSERT_NE(wizard, nullptr) << "the new-shortcut dialog did not open";
    DWORD thread = GetWindowThreadProcessId(wizard, nullptr);
    EXPECT_NE(thread, GetCurrentThreadId()) << "the dialog must not hold up the caller";
    PostMessageA(wizard, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && IsWindow(wizard); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(wizard));
    EXPECT_EQ(boxes.boxes.size(), 2u) << "no error message where the own dialog serves";
}

// More than 100 shortcuts: only the first 100 get an icon (identifiers up to
// 1099, so that every command identifier stays unique), and the user hears
// once per change how many were left out.
TEST_F(TrayIconsTest, AtMostOneHundredIconsWithOneMessagePerChange) {
    for (int i = 0; i < 150; ++i) {
        char name[16];
        wsprintfA(name, "Link %03d", i);
        Make(name);
    }
    RebuildTrayIcons();
    auto adds = Calls(NIM_ADD);
    ASSERT_EQ(adds.size(), 100u);
    EXPECT_EQ(adds.front()->uID, 1000u);
    EXPECT_EQ(adds.back()->uID, 1099u);
    EXPECT_EQ(adds.back()->tip, "Link 099");
    EXPECT_EQ(CurrentShortcutTable.nCount, 100);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("100"), std::string::npos) << boxes.boxes[0].text;
    EXPECT_NE(boxes.boxes[0].text.find("50 "), std::string::npos) << boxes.boxes[0].text;
    EXPECT_EQ(boxes.boxes[0].caption, "Ombrix+");

    icons.calls.clear();
    RebuildTrayIcons();
    EXPECT_EQ(icons.calls.size(), 0u);
    EXPECT_EQ(boxes.boxes.size(), 1u) << "the same count is not told twice";

    Make("Link 150");
    RebuildTrayIcons();
    EXPECT_EQ(icons.calls.size(), 0u) << "the first hundred did not change";
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_NE(boxes.boxes[1].text.find("51 "), std::string::npos) << boxes.boxes[1].text;

    // Back to 100: nothing left out, nothing to tell.
    for (int i = 100; i <= 150; ++i) {
        char name[32];
        wsprintfA(name, "Link %03d.lnk", i);
        ASSERT_TRUE(DeleteFileA(folder.file(name).c_str()));
    }
    RebuildTrayIcons();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(CurrentShortcutTable.nCount, 100);
}

// After the shell's taskbar comes back, every icon is added again with its
// picture and full tooltip; the window procedure answers the registered
// "TaskbarCreated" message so.
TEST_F(TrayIconsTest, TaskbarRestartAddsEveryIconAgain) {
    RegisterTaskbarCreatedMessage();
    EXPECT_EQ(TaskbarCreatedMessage, RegisterWindowMessageA("TaskbarCreated"));
    Make("Alpha");
    Make("Bravo");
    RebuildTrayIcons();
    RefreshTrayTips();
    icons.calls.clear();

    TrayWindowProc(TrayWindow, TaskbarCreatedMessage, 0, 0);
    ASSERT_EQ(icons.calls.size(), 2u);
    for (UINT i = 0; i < 2; ++i) {
        EXPECT_EQ(icons.calls[i].message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(icons.calls[i].uID, 1000 + i);
        EXPECT_EQ(icons.calls[i].uCallbackMessage, static_cast<UINT>(WM_USER));
        EXPECT_EQ(icons.calls[i].hIcon, CurrentShortcutTable.pEntries[i].hOverlayIcon);
    }
    EXPECT_EQ(icons.calls[1].tip, "Bravo - Ombrix+");

    RemoveTrayIcons();
    icons.calls.clear();
    RestoreTrayIcons();
    EXPECT_EQ(icons.calls.size(), 0u);
}

namespace {

// Live user and GDI objects of this process. Where the system does not count
// them (GetGuiResources gives 0), the index part of a fresh user handle
// serves: freed handle slots are reused, so it only climbs when handles leak.
DWORD LiveObjectGauge() {
    DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS) +
                    GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return counted;
    HICON probe = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    DWORD index = LOWORD(reinterpret_cast<ULONG_PTR>(probe));
    DestroyIcon(probe);
    return index;
}

}  // namespace

// 200 rebuilds of a changing folder, with unchanged rescans in between, leave
// no icon or bitmap behind.
TEST_F(TrayIconsTest, TwoHundredRebuildsLeakNothing) {
    Make("Alpha");
    Make("Bravo");
    Make("Charlie");
    RebuildTrayIcons();
    RefreshTrayTips();
    DWORD first = LiveObjectGauge();
    for (int i = 0; i < 200; ++i) {
        Make("Bravo", Regedit, (i + 1) % 2);
        RebuildTrayIcons();
        RebuildTrayIcons();
        RefreshTrayTips();
    }
    DWORD last = LiveObjectGauge();
    EXPECT_EQ(icons.Count(NIM_ADD), 3u + 200u * 3u);
    // Each rebuild takes 6 new icons; a leak of even one per rebuild shows as 200.
    EXPECT_LE(last, first + 16) << "first " << first << ", after 200 rebuilds " << last;
}
