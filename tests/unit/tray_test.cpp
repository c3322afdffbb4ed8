// The icons follow the folder: which files become icons, in which order, with
// which tooltip and picture, and what happens when the taskbar refuses.
#include "app/app.h"
#include "app/settings.h"
#include "res/resource.h"
#include "support/support.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"

class TrayIcons : public ProgramTest {
protected:
    // A file the program's code page cannot name, or a path beyond MAX_PATH.
    std::wstring WriteWide(const std::wstring& name, const std::string& bytes) {
        std::wstring path = L"\\\\?\\" + std::wstring(folder.path().begin(), folder.path().end()) + L"\\" + name;
        FILE* file = _wfopen(path.c_str(), L"wb");
        EXPECT_TRUE(file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && !fclose(file));
        return path;
    }
};

// Shortcut files of any spelling become icons in name order; other files,
// folders, names the code page cannot spell and paths beyond 259 characters
// do not, and none of them is touched.
TEST_F(TrayIcons, OnlyShortcutsBecomeIconsInNameOrder) {
    AddShortcut("Zwei", "Zwei.LNK");
    AddShortcut("Drei", "Drei.Pif");
    AddShortcut("Tom & Jerry");
    AddShortcut("\xC4rger");  // "Ärger" sorts with the A, before "beta"
    AddShortcut("beta");
    std::string bytes = ReadBytes(Link("beta"));
    std::string fits(MAX_PATH - 1 - folder.path().size() - 1 - 4, 'F');
    WriteBytes(folder.file(fits + ".lnk"), bytes);
    WriteWide(std::wstring(251, L'L') + L".lnk", bytes);
    WriteWide(L"\x65E5\x672C\x03A9.lnk", bytes);
    WriteBytes(folder.file("notiz.txt"), "text");
    WriteBytes(folder.file("x.lnkx"), bytes);
    ASSERT_TRUE(CreateDirectoryA(folder.file("Ordner.lnk").c_str(), nullptr));
    RebuildTrayIcons();
    Names tips = tray.Tips();
    for (std::string& tip : tips) {  // Windows hides the ".pif" of the name, Wine shows it
        if (tip == "Drei.Pif - Ombrix+") tip = "Drei - Ombrix+";
    }
    EXPECT_EQ(tips, (Names{"\xC4rger - Ombrix+", "beta - Ombrix+", "Drei - Ombrix+", fits.substr(0, 63),
                           "Tom & Jerry - Ombrix+", "Zwei - Ombrix+"}));
    EXPECT_EQ(FolderNames(folder.path()).size(), 11u) << "a file was lost";
    EXPECT_TRUE(boxes.texts.empty());
}

// A rescan takes an entry over, icons and all, only while its shortcut file (name, size, last
// write) and its icon source are as the last scan found them, written well before that scan;
// every other shortcut is read again. The icons taken over outlive the old table.
TEST_F(TrayIcons, RescanReadsAgainWhatMayHaveChanged) {
    enum Change { None, EditedInPlace, IconSourceWritten, Replaced, JustWritten };
    const struct { Change change; int indexAfter; bool reused; } rows[] = {
        {None, 1, true}, {EditedInPlace, 2, false}, {IconSourceWritten, 1, false}, {Replaced, 2, false},
        {JustWritten, 1, false}};
    TempFolder pictures("bilder");
    const std::string source = pictures.file("Bild.exe"), written = pictures.file("Bild2.exe");
    auto age = [](const std::string& path, ULONGLONG hours) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t = {{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= hours * 36000000000ull;
        const FILETIME then = {t.LowPart, t.HighPart};
        UniqueKernelHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &then)) << path;
    };
    auto make = [&](const std::string& path, const std::string& icon, int index, ULONGLONG hours) {
        ASSERT_TRUE(MakeShortcut(path, "C:\\windows\\notepad.exe", "", icon, index));
        if (hours) age(path, hours);
    };
    for (const std::string& copy : {source, written}) {
        ASSERT_TRUE(CopyFileA("C:\\windows\\notepad.exe", copy.c_str(), FALSE));
        age(copy, 2);
    }
    for (const auto& row : rows)
        make(Link("R" + std::to_string(row.change)), row.change == IconSourceWritten ? written : source, 1,
             row.change == JustWritten ? 0 : 2);
    RebuildTrayIcons();
    std::vector<HICON> before;
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) before.push_back(CurrentShortcutTable.pEntries[i].hOverlayIcon);
    make(pictures.file("R.lnk"), source, 2, 3);  // the same size as the others
    const std::string other = ReadBytes(pictures.file("R.lnk"));
    ASSERT_EQ(other.size(), ReadBytes(Link("R1")).size());
    WriteBytes(Link("R1"), other);
    WriteBytes(written, ReadBytes(written));
    ASSERT_TRUE(MoveFileExA(pictures.file("R.lnk").c_str(), Link("R3").c_str(), MOVEFILE_REPLACE_EXISTING));
    RebuildTrayIcons();
    ASSERT_EQ(CurrentShortcutTable.nCount, int(std::size(rows)));
    for (const auto& row : rows) {
        const ShortcutEntry& entry = CurrentShortcutTable.pEntries[row.change];
        EXPECT_EQ(entry.hOverlayIcon == before[row.change], row.reused) << row.change;
        EXPECT_EQ(entry.iIcon, row.indexAfter) << row.change;
        ICONINFO info = {};
        EXPECT_TRUE(GetIconInfo(entry.hOverlayIcon, &info)) << row.change;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

// Tooltips keep to the 63 characters the notification area shows, with " - Ombrix+" behind the
// name while "QuickInfo" is on.
TEST_F(TrayIcons, TooltipsKeepTo63Characters) {
    const std::string n60(60, 'b'), n70(70, 'd');
    AddShortcut(n60);
    AddShortcut(n70);
    const std::pair<const char*, Names> rows[] = {{"Ja", {n60 + " - ", n70.substr(0, 63)}},
                                                  {"NEIN", {n60, n70.substr(0, 63)}}};
    for (const auto& [quickInfo, tips] : rows) {
        lstrcpyA(Settings.szQuickInfo, quickInfo);
        RemoveTrayIcons();
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), tips) << quickInfo;
    }
}

// "Kennzeichnen" Ja or Nein.
class TrayPictures : public ProgramTest, public ::testing::WithParamInterface<const char*> {};

// Each icon shows the picture of its own shortcut: the shell's with "Kennzeichnen", else the one
// of its icon file; also after a rename moved every shortcut into another slot.
TEST_P(TrayPictures, EachIconShowsItsOwnShortcutsPicture) {
    std::map<std::string, int> pictureOf = {{"A", 3}, {"B", 4}, {"C", 12}, {"D", 3}};
    for (const char* name : {"A", "B", "C"}) AddShortcut(name, "", pictureOf[name]);
    ASSERT_NE(MarkedPicture(Link("A")), MarkedPicture(Link("B")));
    ASSERT_NE(MarkedPicture(Link("B")), MarkedPicture(Link("C")));
    lstrcpyA(Settings.szMarkLinks, GetParam());
    auto expectPictures = [&](const Names& order) {
        for (UINT i = 0; i < order.size(); ++i) {
            const Picture marked = MarkedPicture(Link(order[i])), plain = PlainPicture(Shell32, pictureOf[order[i]]);
            EXPECT_EQ(PictureOf(tray.shown[ID_TRAYICON + i].icon), IsOptionOn(GetParam()) ? marked : plain) << order[i];
        }
    };
    RebuildTrayIcons();
    expectPictures({"A", "B", "C"});
    ASSERT_TRUE(MoveFileA(Link("A").c_str(), Link("D").c_str()));
    RebuildTrayIcons();
    expectPictures({"B", "C", "D"});
}
INSTANTIATE_TEST_SUITE_P(Kennzeichnen, TrayPictures, ::testing::Values("Ja", "Nein"));

// A shortcut whose icon file is gone still shows a picture, marked or not: an icon without one
// would be an invisible hole.
TEST_F(TrayIcons, AShortcutWhoseIconFileIsGoneStillShowsAPicture) {
    ASSERT_TRUE(MakeShortcut(Link("Weg"), "C:\\nirgends\\weg.exe", "", "C:\\nirgends\\weg.exe"));
    RebuildTrayIcons();
    EXPECT_NE(PictureOf(tray.shown[ID_TRAYICON].icon), PictureOf(nullptr));
    lstrcpyA(Settings.szMarkLinks, "Nein");
    RefreshTrayMarks();
    EXPECT_NE(PictureOf(tray.shown[ID_TRAYICON].icon), PictureOf(nullptr));
}

// The taskbar refuses icons of the shortcuts Alpha, Bravo and Charlie.
class RefusingTaskbar : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        for (const char* name : {"Alpha", "Bravo", "Charlie"}) AddShortcut(name);
    }
};

// A refused icon leaves only its shortcut without one, the others keep their identifiers; the
// user is told once while it keeps being refused.
TEST_F(RefusingTaskbar, ARefusedIconIsToldOnceAndTheOthersStay) {
    tray.refuse = [](DWORD message, UINT id) { return message == NIM_ADD && id == 1001; };
    RebuildTrayIcons();
    AddShortcut("Delta");  // a rescan, which tries Bravo again
    RebuildTrayIcons();
    EXPECT_EQ(tray.shown.count(1001), 0u);
    EXPECT_EQ(tray.shown[1000].tip, "Alpha - Ombrix+");
    EXPECT_EQ(tray.shown[1002].tip, "Charlie - Ombrix+");
    EXPECT_EQ(tray.shown[1003].tip, "Delta - Ombrix+");
    EXPECT_EQ(boxes.texts, Names{"Hinzuf\xFCgen von 'Bravo' in die Task-Leiste fehlgeschlagen."});
    EXPECT_FALSE(ClosePosted());
}

// When the taskbar refuses every icon, the user is told of each and the program closes.
TEST_F(RefusingTaskbar, EveryIconRefusedClosesTheProgram) {
    tray.refuse = [](DWORD message, UINT) { return message == NIM_ADD; };
    RebuildTrayIcons();
    EXPECT_EQ(boxes.texts.size(), 3u);
    EXPECT_TRUE(ClosePosted());
}

// Before the taskbar is there (no taskbar window, or the shell does not answer in time) the icons
// wait for it without a message or an exit; a new taskbar ("TaskbarCreated") gets every icon with
// its picture and the keyboard behaviour.
TEST_F(RefusingTaskbar, WithoutATaskbarTheIconsWaitForTheNextOne) {
    RegisterTaskbarCreatedMessage();
    const std::pair<const char*, DWORD> rows[] = {{"Shell_TrayWnd", ERROR_TIMEOUT}, {"Ombrix+ Ohne Leiste", 0}};
    for (const auto& [taskbar, error] : rows) {
        TaskbarWindowClass = taskbar;
        tray.refuse = [error = error](DWORD message, UINT) {
            SetLastError(error);
            return message == NIM_ADD;
        };
        RebuildTrayIcons();
        EXPECT_TRUE(boxes.texts.empty()) << taskbar;
        EXPECT_FALSE(ClosePosted()) << taskbar;
        tray.refuse = nullptr;
        SendMessageA(TrayWindow, TaskbarCreatedMessage, 0, 0);
        EXPECT_EQ(tray.Tips(), (Names{"Alpha - Ombrix+", "Bravo - Ombrix+", "Charlie - Ombrix+"})) << taskbar;
        EXPECT_EQ(PictureOf(tray.shown[1001].icon), MarkedPicture(Link("Bravo"))) << taskbar;
        EXPECT_TRUE(tray.shown[1001].keyboard) << taskbar;
        RemoveTrayIcons();
    }
}

// A scan that ends after the program was closed adds no icon.
TEST_F(TrayIcons, AScanEndingAfterTheProgramClosedAddsNoIcon) {
    AddShortcut("Alpha");
    SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
    RebuildTrayIcons();
    EXPECT_TRUE(tray.shown.empty());
}

// Of more than 100 shortcuts the first 100 are shown (so that the item commands 500 + i to 900 + i
// never collide), and the user is told how many are left out, once while that stays. When one of
// the first hundred goes, the 101st moves up as itself: its tooltip, its picture, its Öffnen; and
// the user is told again.
TEST_F(TrayIcons, WhenOneOfTheHundredGoesTheNextMovesUpAsItself) {
    AddShortcut("Link 1000");
    const std::string bytes = ReadBytes(Link("Link 1000"));
    for (int i = 1; i < 100; ++i) WriteBytes(Link("Link " + std::to_string(1000 + i)), bytes);
    RebuildTrayIcons();  // exactly 100: nothing to tell, whatever was told before
    AddShortcut("Link 1100", "", 4);
    AddShortcut("Link 1101", "", 12);
    RebuildTrayIcons();
    RebuildTrayIcons();
    EXPECT_EQ(tray.shown.size(), 100u);
    EXPECT_EQ(tray.shown[1099].tip, "Link 1099 - Ombrix+");
    ASSERT_TRUE(DeleteFileA(Link("Link 1005").c_str()));
    RebuildTrayIcons();
    EXPECT_EQ(tray.shown[1099].tip, "Link 1100 - Ombrix+");
    EXPECT_EQ(PictureOf(tray.shown[1099].icon), MarkedPicture(Link("Link 1100")));
    SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_OPEN + 99, 0);
    FinishStarts();
    EXPECT_EQ(Runs("Link 1100"), 1);
    EXPECT_EQ(Runs("Link 1000") + Runs("Link 1101"), 0) << "another shortcut started";
    auto told = [](int leftOut) {
        return "Ombrix+ kann h\xF6" "chstens 100 Verkn\xFCpfungen in der Task-Leiste anzeigen.\n\n" +
               std::to_string(leftOut) + " Verkn\xFCpfungen des Ordners werden nicht angezeigt.";
    };
    EXPECT_EQ(boxes.texts, (Names{told(2), told(1)}));
}

// The main loop while another thread creates, renames and deletes files in the folder: the
// shortcuts "Anker A" and "Anker B" stay, "Sturm n" and "Wind n" (shortcuts or text files) come
// and go.
class Storms : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        for (const char* name : {"Anker A", "Anker B"}) AddShortcut(name);
        bytes = ReadBytes(Link("Anker A"));
        RebuildTrayIcons();
        ChangeHandle.reset(FindFirstChangeNotificationA(ProgramFolder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
        KillTimer(nullptr, popupTimer);  // no popup opens here, and no timer may wake the sleeping loop
    }
    // Runs the main loop under `total` operations; once the folder has been quiet for a while, `end`
    // is posted to the window. Between changes the loop sleeps without a single wake-up.
    void Storm(int total, UINT end) {
        HWND window = TrayWindow;
        LONG woken = 0;
        std::function<void()> storm = [&, total, end] {
            for (unsigned seed = 7, op = 0; op < unsigned(total); ++op) {
                seed = seed * 1103515245u + 12345u;
                std::string ext = (seed >> 8) % 3 ? ".lnk" : ".txt", n = std::to_string((seed >> 16) % 12);
                std::string sturm = folder.file("Sturm " + n + ext), wind = folder.file("Wind " + n + ext);
                switch ((seed >> 24) % 3) {
                case 0: WriteBytes(sturm, bytes); break;
                case 1: MoveFileA(sturm.c_str(), wind.c_str()); break;
                default: DeleteFileA((seed & 1 ? sturm : wind).c_str());
                }
                if (op % 100 == 99) Sleep(20);
            }
            LONG seen = -1;
            while (seen != LoopCounters.nFolderChanges) {
                seen = LoopCounters.nFolderChanges;
                woken = LoopCounters.nWakeups;
                Sleep(1500);
            }
            PostMessageA(window, end, 0, 0);
        };
        // A thread of the system's own: now and then the C++ library keeps a handle after its threads.
        auto run = [](void* body) -> DWORD {
            (*static_cast<std::function<void()>*>(body))();
            return 0;
        };
        UniqueKernelHandle stormer(CreateThread(nullptr, 0, run, &storm, 0, nullptr));
        RunMainLoop();
        WaitForSingleObject(stormer.get(), INFINITE);
        // Checked on the test's own thread, where the test framework's assertions belong.
        EXPECT_EQ(LoopCounters.nWakeups, woken + 1) << "woken while nothing changed, besides for `end`";
    }
    std::string bytes;
};

// 2,000 file operations, one of them made while a rebuild adds its icons: the tray ends showing
// exactly the folder's shortcuts.
TEST_F(Storms, AfterAStormTheIconsShowExactlyTheFolder) {
    RemoveTrayIcons();  // the storm's first rebuild adds every icon
    tray.refuse = [&](DWORD message, UINT) {
        if (message == NIM_ADD && !FileExists(Link("Nachz\xFCgler"))) WriteBytes(Link("Nachz\xFCgler"), bytes);
        return false;
    };
    Storm(2000, WM_QUIT);
    Names want;
    for (std::string name : FolderNames(folder.path()))
        if (name.size() > 4 && !name.compare(name.size() - 4, 4, ".lnk")) want.push_back(name.erase(name.size() - 4));
    std::sort(want.begin(), want.end(), [](auto& a, auto& b) { return lstrcmpA(a.c_str(), b.c_str()) < 0; });
    for (std::string& name : want) name += " - Ombrix+";
    EXPECT_EQ(tray.Tips(), want);
    EXPECT_TRUE(FileExists(Link("Nachz\xFCgler"))) << "the change made during a rebuild";
}

// Storm after storm the process holds what it held: counted after two storms that follow a
// warm-up (what the shell loads once is not growth), each time with the folder back as it was.
TEST_F(Storms, StormsLeaveNoTrace) {
    auto countAfterStorm = [&](int total) {
        Storm(total, WM_QUIT);
        for (const std::string& name : FolderNames(folder.path()))
            if (name.rfind("Anker", 0) != 0) DeleteFileA(folder.file(name).c_str());
        RemoveTrayIcons();
        return ReadOwnObjectCounts();
    };
    countAfterStorm(200);
    const ObjectCounts first = countAfterStorm(1000);
    const ObjectCounts second = countAfterStorm(1000);
    EXPECT_EQ(second.kernelHandles, first.kernelHandles);
    EXPECT_EQ(second.gdiObjects, first.gdiObjects);
    EXPECT_EQ(second.icons, first.icons);
    EXPECT_LT(second.committedKb, first.committedKb + 4096);
}
