// The icons follow the folder: which files become icons, in which order, with
// which tooltip and picture, and what happens when the taskbar refuses.
#include "app/app.h"
#include "app/settings.h"
#include "res/resource.h"
#include "support/support.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"

using TrayIcons = ProgramTest;

// Shortcut files of any spelling become icons in name order, their tooltips cut at 127
// characters; other files, folders and paths beyond 259 characters do not, and none of them is
// touched. (Names in other scripts: the table of names in the window tests.)
TEST_F(TrayIcons, OnlyShortcutsBecomeIconsInNameOrder) {
    AddShortcut("Zwei", "Zwei.LNK");
    AddShortcut("Drei", "Drei.Pif");
    AddShortcut("Tom & Jerry");
    AddShortcut("\xC4rger");  // "Ärger" sorts with the A, before "beta"
    AddShortcut("beta");
    std::string bytes = ReadBytes(Link("beta"));
    std::string fits(MAX_PATH - 1 - folder.path().size() - 1 - 4, 'F');
    WriteBytes(folder.file(fits + ".lnk"), bytes);
    WriteBytes(L"\\\\?\\" + Wide(folder.file(std::string(251, 'L') + ".lnk")), bytes);
    WriteBytes(folder.file("notiz.txt"), "text");
    WriteBytes(folder.file("x.lnkx"), bytes);
    ASSERT_TRUE(CreateDirectoryA(folder.file("Ordner.lnk").c_str(), nullptr));
    RebuildTrayIcons();
    Names tips = tray.Tips();
    for (std::string& tip : tips) {  // Windows hides the ".pif" of the name, Wine shows it
        if (tip == "Drei.Pif - Ombrix+") tip = "Drei - Ombrix+";
    }
    EXPECT_EQ(tips, (Names{"\xC4rger - Ombrix+", "beta - Ombrix+", "Drei - Ombrix+", fits.substr(0, 127),
                           "Tom & Jerry - Ombrix+", "Zwei - Ombrix+"}));
    EXPECT_EQ(FolderNames(folder.path()).size(), 10u) << "a file was lost";
    EXPECT_EQ(boxes.texts, Names{"1 Verkn\xFCpfungen des Ordners werden nicht angezeigt:\n"
                                 "ihr Pfad ist l\xE4nger als 259 Zeichen."});
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
            EXPECT_EQ(PictureOf(tray.At(i).icon), IsOptionOn(GetParam()) ? marked : plain) << order[i];
        }
    };
    RebuildTrayIcons();
    expectPictures({"A", "B", "C"});
    ASSERT_TRUE(MoveFileA(Link("A").c_str(), Link("D").c_str()));
    RebuildTrayIcons();
    expectPictures({"B", "C", "D"});
}
INSTANTIATE_TEST_SUITE_P(Kennzeichnen, TrayPictures, ::testing::Values("Ja", "Nein"));

// A shortcut whose icon file is gone still shows the shell's picture of it, marked or not: an icon
// without one would be an invisible hole.
TEST_F(TrayIcons, AShortcutWhoseIconFileIsGoneStillShowsAPicture) {
    ASSERT_TRUE(MakeShortcut(Link("Weg"), "C:\\nirgends\\weg.exe", "", "C:\\nirgends\\weg.exe"));
    const Picture shells = MarkedPicture(Link("Weg"));
    ASSERT_NE(shells, PictureOf(nullptr));
    lstrcpyA(Settings.szMarkLinks, "Nein");
    RebuildTrayIcons();
    EXPECT_EQ(PictureOf(tray.At(0).icon), shells);
    lstrcpyA(Settings.szMarkLinks, "Ja");
    RefreshTrayMarks();
    EXPECT_EQ(PictureOf(tray.At(0).icon), shells);
}

// Each icon keeps its identifier, and the shell's memory of it, while a shortcut sorting before
// it is added, renamed in the popup (which keeps that shortcut's identifier too), kept across a
// restart and deleted; the icons stay in name order.
TEST_F(TrayIcons, EachIconKeepsItsIdentifierWhateverHappensBeforeIt) {
    for (const char* name : {"Bravo", "Charlie", "Delta"}) AddShortcut(name);
    RebuildTrayIcons();
    auto idOf = [&](const std::string& name) {  // the identifier of the icon with this name
        const Names tips = tray.Tips();
        return tray.order.at(std::find(tips.begin(), tips.end(), name + " - Ombrix+") - tips.begin());
    };
    const UINT bravo = idOf("Bravo"), charlie = idOf("Charlie"), delta = idOf("Delta");
    UINT alpha = 0;
    const std::function<void()> steps[] = {
        [&] { AddShortcut("Alpha"); },
        [&] {
            alpha = idOf("Alpha");
            DialogDriver driver([](HWND dialog) {
                SetDlgItemTextA(dialog, IDC_RENAME_TO, "Aaron");
                Press(dialog, IDOK);
            });
            SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_RENAME, 0);
        },
        [&] { RemoveTrayIcons(); },
        [&] { ASSERT_TRUE(DeleteFileA(Link("Aaron").c_str())); }};
    const Names tips[] = {{"Alpha - Ombrix+", "Bravo - Ombrix+", "Charlie - Ombrix+", "Delta - Ombrix+"},
                          {"Aaron - Ombrix+", "Bravo - Ombrix+", "Charlie - Ombrix+", "Delta - Ombrix+"},
                          {"Aaron - Ombrix+", "Bravo - Ombrix+", "Charlie - Ombrix+", "Delta - Ombrix+"},
                          {"Bravo - Ombrix+", "Charlie - Ombrix+", "Delta - Ombrix+"}};
    for (size_t step = 0; step < std::size(steps); ++step) {
        steps[step]();
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), tips[step]) << step;
        EXPECT_EQ(std::vector<UINT>(tray.order.end() - 3, tray.order.end()), (std::vector<UINT>{bravo, charlie, delta}))
            << step;
        if (step == 1) {
            EXPECT_EQ(idOf("Aaron"), alpha) << "renamed in the popup";
        }
    }
    EXPECT_EQ(tray.shown.count(alpha), 0u) << "Aaron's icon went with Aaron";
}

// A shortcut read again because it was written just before the last scan shows the picture it
// has now, even where nothing it records has changed (its icon file rewritten within one tick of
// the file system's clock); also where the shell refuses the change and the icon is added again.
TEST_F(TrayIcons, AShortcutReadAgainShowsItsNewPicture) {
    lstrcpyA(Settings.szMarkLinks, "Nein");  // the icon file's own picture, which the shell keeps no copy of
    TempFolder pictures("bilder");
    const std::string source = pictures.file("Bild.exe");
    for (bool refuseChange : {false, true}) {
        const std::string name = refuseChange ? "Refused" : "Taken";
        ASSERT_TRUE(CopyFileA("C:\\windows\\notepad.exe", source.c_str(), FALSE));
        ASSERT_TRUE(MakeShortcut(Link(name), "C:\\windows\\notepad.exe", "", source, 0));
        RemoveTrayIcons();
        RebuildTrayIcons();
        WIN32_FILE_ATTRIBUTE_DATA was = {};
        ASSERT_TRUE(GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &was));
        ASSERT_TRUE(CopyFileA("C:\\windows\\regedit.exe", source.c_str(), FALSE));
        UniqueKernelHandle file(CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &was.ftLastWriteTime));
        file.reset();
        ASSERT_NE(PlainPicture(source, 0), PictureOf(tray.At(0).icon));
        tray.refuse = [refuseChange](DWORD message, UINT) { return refuseChange && message == NIM_MODIFY; };
        RebuildTrayIcons();
        EXPECT_EQ(PictureOf(tray.At(0).icon), PlainPicture(source, 0)) << name;
        ASSERT_TRUE(DeleteFileA(Link(name).c_str()));
    }
}

// Runs the program's main loop until done() holds (looked at every 20 ms), the program closes
// itself or 20 s have passed; whether done() holds then.
bool RunLoopUntil(const std::function<bool()>& done) {
    static const std::function<bool()>* check;
    static DWORD start;
    check = &done;
    start = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if ((*check)() || GetTickCount() - start > 20000) PostQuitMessage(0);
    });
    RunMainLoop();
    KillTimer(nullptr, timer);
    return done();
}

bool RetryStopped() { return TrayRetryTimer() == nullptr; }

std::string Refused(const std::string& name) {
    return "Hinzuf\xFCgen von '" + name + "' in die Task-Leiste fehlgeschlagen.";
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
// user is told once the retries have run out, and once while it keeps being refused.
TEST_F(RefusingTaskbar, ARefusedIconIsToldOnceAndTheOthersStay) {
    tray.refuse = [bravo = IconId("Bravo")](DWORD message, UINT id) { return message == NIM_ADD && id == bravo; };
    RebuildTrayIcons();
    ASSERT_TRUE(RunLoopUntil(RetryStopped));
    AddShortcut("Delta");  // a rescan, which tries Bravo again
    RebuildTrayIcons();
    ASSERT_TRUE(RunLoopUntil(RetryStopped));
    EXPECT_EQ(tray.Tips(), (Names{"Alpha - Ombrix+", "Charlie - Ombrix+", "Delta - Ombrix+"}));
    EXPECT_EQ(boxes.texts, Names{Refused("Bravo")});
    EXPECT_TRUE(IsWindow(TrayWindow));
}

// At logon the taskbar can refuse adds for a while, with any error or none: the icons are tried
// again on a timer without a message, and come in order once it takes them.
TEST_F(RefusingTaskbar, AddsRefusedAtLogonAreTriedUntilTheyGetThrough) {
    for (DWORD error : {DWORD(0), DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_TIMEOUT)}) {
        int refusals = 2;  // Alpha's and Bravo's first adds
        tray.refuse = [&refusals, error](DWORD message, UINT) {
            if (message != NIM_ADD || refusals == 0) return false;
            --refusals;
            SetLastError(error);
            return true;
        };
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), Names{"Charlie - Ombrix+"}) << error;
        EXPECT_TRUE(RunLoopUntil([&] { return tray.shown.size() == 3; })) << error;
        EXPECT_EQ(tray.Tips(), (Names{"Alpha - Ombrix+", "Bravo - Ombrix+", "Charlie - Ombrix+"})) << error;
        EXPECT_TRUE(boxes.texts.empty()) << error;
        EXPECT_TRUE(IsWindow(TrayWindow)) << error;
        RemoveTrayIcons();
    }
}

// When the taskbar refuses every icon until the retries have run out, the user is told of each
// once, and then the program closes; not before.
TEST_F(RefusingTaskbar, EveryIconRefusedToTheEndClosesTheProgram) {
    tray.refuse = [](DWORD message, UINT) {
        SetLastError(0);
        return message == NIM_ADD;
    };
    RebuildTrayIcons();
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_FALSE(ClosePosted());
    EXPECT_TRUE(RunLoopUntil([] { return !IsWindow(TrayWindow); }));
    EXPECT_EQ(boxes.texts, (Names{Refused("Alpha"), Refused("Bravo"), Refused("Charlie")}));
}

// Before the taskbar is there (no taskbar window, or the shell does not answer in time) the icons
// wait for it without a message or an exit; a new taskbar ("TaskbarCreated") takes every icon at
// once with its picture and the keyboard behaviour, also where it still shows them (sent again on
// some display changes); they stay through the next rescan.
TEST_F(RefusingTaskbar, WithoutATaskbarTheIconsWaitForTheNextOne) {
    RegisterTaskbarCreatedMessage();
    const std::tuple<const char*, DWORD, bool> rows[] = {
        {"Shell_TrayWnd", ERROR_TIMEOUT, true}, {"Ombrix+ Ohne Leiste", 0, true}, {"Shell_TrayWnd", 0, false}};
    for (const auto& [taskbar, error, refused] : rows) {
        TaskbarWindowClass = taskbar;
        tray.refuse = [error = error, refused = refused](DWORD message, UINT) {
            SetLastError(error);
            return refused && message == NIM_ADD;
        };
        RebuildTrayIcons();
        tray.refuse = nullptr;
        SendMessageA(TrayWindow, TaskbarCreatedMessage, 0, 0);
        EXPECT_TRUE(RetryStopped()) << taskbar << refused << ": an icon waits, its add was refused";
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), (Names{"Alpha - Ombrix+", "Bravo - Ombrix+", "Charlie - Ombrix+"})) << taskbar;
        EXPECT_EQ(PictureOf(tray.At(1).icon), MarkedPicture(Link("Bravo"))) << taskbar;
        EXPECT_TRUE(tray.At(1).keyboard) << taskbar;
        EXPECT_TRUE(boxes.texts.empty()) << taskbar;
        EXPECT_FALSE(ClosePosted()) << taskbar;
        RemoveTrayIcons();
    }
}

// A folder that cannot be listed (a share that dropped, a drive asleep) is not an empty one, at
// start-up or later: the icons stay as they were, nothing is told, and once the folder can be
// listed again the retry timer shows a shortcut added meanwhile.
TEST_F(TrayIcons, AFolderThatCannotBeListedKeepsItsIcons) {
    for (const char* name : {"Alpha", "Bravo"}) AddShortcut(name);
    const std::wstring reachable = ProgramFolder;
    for (const Names& shown : {Names{"Alpha - Ombrix+", "Bravo - Ombrix+"}, Names{}}) {
        RemoveTrayIcons();
        if (!shown.empty()) RebuildTrayIcons();  // else the start-up scan meets the folder gone
        lstrcpyW(ProgramFolder, L"C:\\Ombrix+ nicht erreichbar");
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), shown);
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_FALSE(ClosePosted());
        lstrcpyW(ProgramFolder, reachable.c_str());
        AddShortcut("Charlie");
        EXPECT_TRUE(RunLoopUntil([&] { return tray.shown.size() == 3; })) << shown.size();
        ASSERT_TRUE(DeleteFileA(Link("Charlie").c_str()));
    }
}

// A folder watch that breaks (it cannot be armed again, or stays signalled) neither keeps the
// loop busy nor leaves it deaf: it is opened again, and a shortcut added meanwhile gets its icon.
TEST_F(TrayIcons, ABrokenFolderWatchIsOpenedAgain) {
    AddShortcut("Alpha");
    RebuildTrayIcons();
    OpenFolderWatch();
    ChangeHandle.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));  // signalled for good, no watch
    AddShortcut("Bravo");
    const LONG runs = LoopCounters.nFolderChanges;
    EXPECT_TRUE(RunLoopUntil([&] { return tray.shown.size() == 2; }));
    EXPECT_LT(LoopCounters.nFolderChanges - runs, 10) << "woken by the broken watch again and again";
    AddShortcut("Charlie");
    EXPECT_TRUE(RunLoopUntil([&] { return tray.shown.size() == 3; })) << "deaf to the folder";
}

// A scan that ends after the program was closed adds no icon.
TEST_F(TrayIcons, AScanEndingAfterTheProgramClosedAddsNoIcon) {
    AddShortcut("Alpha");
    SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
    RebuildTrayIcons();
    EXPECT_TRUE(tray.shown.empty());
}

// Closed from within the first tray call of the start-up scan (a message the shell sends), the
// program answers and takes back every icon it had added.
TEST_F(TrayIcons, ClosedWhileTheFirstIconsAreAddedLeavesNoIcon) {
    for (const char* name : {"Alpha", "Bravo", "Charlie"}) AddShortcut(name);
    tray.refuse = [](DWORD message, UINT) {
        if (message == NIM_ADD && IsWindow(TrayWindow)) SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
        return false;
    };
    RebuildTrayIcons();
    EXPECT_FALSE(IsWindow(TrayWindow));
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
    EXPECT_EQ(tray.At(99).tip, "Link 1099 - Ombrix+");
    ASSERT_TRUE(DeleteFileA(Link("Link 1005").c_str()));
    RebuildTrayIcons();
    EXPECT_EQ(tray.At(99).tip, "Link 1100 - Ombrix+");
    EXPECT_EQ(PictureOf(tray.At(99).icon), MarkedPicture(Link("Link 1100")));
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

// Of 300 shortcuts only the 100 shown hold pictures, two each at the most besides the program's
// own: after the first scan, and after a rescan in which one of them went and the 101st moved up.
TEST_F(TrayIcons, OnlyTheShownShortcutsHoldPictures) {
    AddShortcut("Link 1000");
    const std::string bytes = ReadBytes(Link("Link 1000"));
    for (int i = 1; i < 300; ++i) WriteBytes(Link("Link " + std::to_string(1000 + i)), bytes);
    MarkedPicture(Link("Link 1000"));  // what the shell sets up once is not the program's
    const DWORD before = ReadOwnObjectCounts().icons;
    // The recorder keeps a copy of each icon shown, as the shell does.
    auto held = [&] { return ReadOwnObjectCounts().icons - before - tray.shown.size(); };
    RebuildTrayIcons();
    EXPECT_LE(held(), 2 * 100 + 1u);
    ASSERT_TRUE(DeleteFileA(Link("Link 1005").c_str()));
    RebuildTrayIcons();
    EXPECT_EQ(tray.At(99).tip, "Link 1100 - Ombrix+");
    EXPECT_LE(held(), 2 * 100 + 1u);
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
        OpenFolderWatch();
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
