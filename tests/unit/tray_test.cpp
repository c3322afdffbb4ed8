// The icons follow the folder: which files become icons, in which order, with
// which tooltip and picture, and what happens when the taskbar refuses.
#include "app/app.h"
#include "app/settings.h"
#include "options/companion.h"
#include "res/resource.h"
#include "support/support.h"
#include "tray/linkoverlay.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"

using TrayIcons = ProgramTest;

namespace {

// What Windows keys the user's choice of where an icon shows on (worked out by hand from the file name).
constexpr UINT BravoId = 0x37D15C42;
constexpr UINT CharlieId = 0x0FCCDCB4;

// Runs the main loop until done() holds, at most 30 s; every 10 ms step() runs within it.
bool RunMainLoopUntil(const std::function<bool()>& done, const std::function<void()>& step = [] {}) {
    static std::function<void()> tick;
    const DWORD start = GetTickCount();
    tick = [&] {
        step();
        if (done() || GetTickCount() - start > 30000) PostQuitMessage(0);
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { tick(); });
    RunMainLoop();
    KillTimer(nullptr, timer);
    return done();
}

}  // namespace

// Shortcut files of any spelling become icons in name order, their tooltips cut at 127
// characters; other files and folders do not, and none of them is touched. (Names in other
// scripts: the table of names in the window tests; names too long: the bad contents below.)
TEST_F(TrayIcons, OnlyShortcutsBecomeIconsInNameOrder) {
    AddShortcut("Zwei", "Zwei.LNK");
    AddShortcut("Drei", "Drei.Pif");
    AddShortcut("Tom & Jerry");
    AddShortcut("\xC4rger");  // "Ärger" sorts with the A, before "beta"
    AddShortcut("beta");
    std::string bytes = ReadBytes(Link("beta"));
    std::string fits(MAX_PATH - 1 - folder.path().size() - 1 - 4, 'F');
    WriteBytes(folder.file(fits + ".lnk"), bytes);
    WriteBytes(folder.file("notiz.txt"), "text");
    WriteBytes(folder.file("x.lnkx"), bytes);
    ASSERT_TRUE(CreateDirectoryA(folder.file("Ordner.lnk").c_str(), nullptr));
    RebuildTrayIcons();
    Texts tips = tray.Tips();
    for (std::wstring& tip : tips) {  // Windows hides the ".pif" of the name, Wine shows it
        if (tip == L"Drei.Pif - Ombrix+") tip = L"Drei - Ombrix+";
    }
    EXPECT_EQ(tips, (Texts{L"\u00C4rger - Ombrix+", L"beta - Ombrix+", L"Drei - Ombrix+", Wide(fits.substr(0, 127)),
                           L"Tom & Jerry - Ombrix+", L"Zwei - Ombrix+"}));
    EXPECT_EQ(FolderNames(folder.path()).size(), 9u) << "a file was lost";
    EXPECT_TRUE(boxes.texts.empty());
}

// "Kennzeichnen" Ja or Nein.
class TrayPictures : public ProgramTest, public ::testing::WithParamInterface<const char*> {};

// Each icon shows the picture of its own shortcut: with "Kennzeichnen" the shell's with the shortcut
// arrow drawn over it, else the one of its icon file; also after a rename moved every shortcut into
// another slot. A shortcut whose icon file is gone shows the shell's picture either way: an icon
// without one would be a hole.
TEST_P(TrayPictures, EachIconShowsItsOwnShortcutsPicture) {
    std::map<std::string, int> pictureOf = {{"A", 3}, {"B", 4}, {"C", 12}, {"D", 3}};
    for (const char* name : {"A", "B", "C"}) AddShortcut(name, "", pictureOf[name]);
    ASSERT_TRUE(MakeShortcut(Link("Weg"), "C:\\nirgends\\weg.exe", "", "C:\\nirgends\\weg.exe"));
    ASSERT_NE(ShellPicture(Link("A")), ShellPicture(Link("B")));
    ASSERT_NE(ShellPicture(Link("B")), ShellPicture(Link("C")));
    lstrcpyA(Settings.szMarkLinks, GetParam());
    auto expectPictures = [&](const Names& order) {
        for (UINT i = 0; i < order.size(); ++i) {
            const Picture shown = PictureOf(tray.At(i).icon);
            if (GetParam() == std::string("Ja"))
                EXPECT_TRUE(ArrowOver(shown, ShellPicture(Link(order[i])))) << order[i];
            else if (order[i] == "Weg")
                EXPECT_EQ(shown, ShellPicture(Link(order[i]))) << order[i];
            else
                EXPECT_EQ(shown, PlainPicture(Shell32, pictureOf[order[i]])) << order[i];
        }
    };
    RebuildTrayIcons();
    expectPictures({"A", "B", "C", "Weg"});
    ASSERT_TRUE(MoveFileA(Link("A").c_str(), Link("D").c_str()));
    RebuildTrayIcons();
    expectPictures({"B", "C", "D", "Weg"});
}
INSTANTIATE_TEST_SUITE_P(Kennzeichnen, TrayPictures, ::testing::Values("Ja", "Nein"));

// Whatever else lies in the folder, the shortcuts beside it dock, at the first scan and every
// later one, without a dialog (such as the shell's search for a moved target) and without a
// message, except once for a name too long to be shown.
TEST_F(TrayIcons, BadFolderContentsLeaveTheOtherShortcutsDocked) {
    const std::wstring tooLong = L"\\\\?\\" + Wide(folder.file(std::string(251, 'L') + ".lnk"));
    const struct {
        const char* what;
        std::function<void()> put;
        Texts told;
    } rows[] = {
        {"an empty shortcut", [&] { WriteBytes(Link("Leer"), ""); }, {}},
        {"random bytes", [&] { WriteBytes(Link("Zufall"), std::string("L\0\0\0\x01\x14\x02\0\xFF\xFE\x93\x17", 12)); }, {}},
        {"a gone target and no icon file", [&] { MakeShortcut(Link("Weg"), "C:\\nirgends\\weg.exe"); }, {}},
        {"a name too long for 260 characters", [&] { WriteBytes(tooLong, ReadBytes(Link("Alpha"))); },
         {L"1 Verkn\u00FCpfungen des Ordners werden nicht angezeigt:\nihr Pfad ist l\u00E4nger als 259 Zeichen."}},
    };
    for (const auto& row : rows) {
        AddShortcut("Alpha");  // made before and after it: the folder may list in either order
        row.put();
        AddShortcut("Zulu");
        DialogDriver anyDialog([](HWND dialog) { Press(dialog, IDCANCEL); });
        for (int scan = 0; scan < 2; ++scan) {
            RebuildTrayIcons();
            ASSERT_FALSE(tray.order.empty()) << row.what;
            EXPECT_EQ(tray.Tips().front() + L", " + tray.Tips().back(), L"Alpha - Ombrix+, Zulu - Ombrix+") << row.what;
            AddShortcut("Mitte");  // the next scan is a rescan that reads again what it could not
        }
        EXPECT_EQ(boxes.texts, row.told) << row.what;
        EXPECT_FALSE(anyDialog.acted) << row.what;
        boxes.texts.clear();
        RemoveTrayIcons();
        for (const std::string& name : FolderNames(folder.path())) DeleteFileA(folder.file(name).c_str());
        DeleteFileW(tooLong.c_str());
    }
}

// The pictures are made at the small icon size of the taskbar's DPI, and made again when Windows
// tells the program's window of a change of the displays or of a setting, or of a new taskbar.
TEST_F(TrayIcons, PicturesFollowTheTaskbarsDpi) {
    static UINT taskbarDpi;
    ReadTaskbarDpi = [] { return taskbarDpi; };
    RegisterTaskbarCreatedMessage();
    AddShortcut("Bild", "", 3);
    RebuildTrayIcons();
    const struct { UINT dpi, message; const char* marks; LONG size; } rows[] = {{192, WM_DISPLAYCHANGE, "Ja", 32},
        {144, WM_SETTINGCHANGE, "Nein", 24}, {192, TaskbarCreatedMessage, "Ja", 32}, {96, WM_DISPLAYCHANGE, "Nein", 16}};
    for (const auto& row : rows) {
        taskbarDpi = row.dpi;
        lstrcpyA(Settings.szMarkLinks, row.marks);
        if (row.message == TaskbarCreatedMessage) tray.shown.clear(), tray.order.clear();
        SendMessageW(TrayWindow, row.message, 0, 0);
        EXPECT_EQ(IconWidth(tray.At(0).icon), row.size) << row.dpi << " " << row.marks;
    }
}

// Each icon keeps its identifier, and the shell's memory of it, while a shortcut sorting before
// it is added, renamed in the popup (which keeps that shortcut's identifier too) and deleted; the
// icons stay in name order.
TEST_F(TrayIcons, EachIconKeepsItsIdentifierWhateverHappensBeforeIt) {
    for (const char* name : {"Bravo", "Charlie"}) AddShortcut(name);
    RebuildTrayIcons();
    AddShortcut("Alpha");
    RebuildTrayIcons();
    const UINT alpha = tray.order.at(0);
    EXPECT_EQ(tray.order, (std::vector<UINT>{alpha, BravoId, CharlieId}));
    DialogDriver driver([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_RENAME_TO, "Aaron");
        Press(dialog, IDOK);
    });
    SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_RENAME, 0);
    RebuildTrayIcons();
    EXPECT_EQ(tray.Tips(), (Texts{L"Aaron - Ombrix+", L"Bravo - Ombrix+", L"Charlie - Ombrix+"}));
    EXPECT_EQ(tray.order, (std::vector<UINT>{alpha, BravoId, CharlieId})) << "renamed in the popup";
    ASSERT_TRUE(DeleteFileA(Link("Aaron").c_str()));
    RebuildTrayIcons();
    EXPECT_EQ(tray.order, (std::vector<UINT>{BravoId, CharlieId}));
}

// The identifiers come from the file names alone, the same in any process and after a restart;
// of two names whose identifiers collide, the later in file-name order takes the next one.
TEST_F(TrayIcons, IdentifiersFollowTheFileNamesAcrossARestart) {
    for (const char* name : {"Kollision 77714", "Charlie", "Bravo", "Kollision 283700"}) AddShortcut(name);
    for (int start = 0; start < 2; ++start) {
        RemoveTrayIcons();  // nothing shown and no table, as after a restart
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), (Texts{L"Bravo - Ombrix+", L"Charlie - Ombrix+", L"Kollision 283700 - Ombrix+",
                                      L"Kollision 77714 - Ombrix+"}));
        EXPECT_EQ(tray.order, (std::vector<UINT>{BravoId, CharlieId, 0x40A8922C, 0x40A8922D})) << start;
    }
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

bool RetryStopped() { return TrayRetryTimer() == nullptr; }

std::wstring Refused(const std::string& name) {
    return L"Hinzuf\u00FCgen von '" + Wide(name) + L"' in die Task-Leiste fehlgeschlagen.";
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
    tray.refuse = [](DWORD message, UINT id) { return message == NIM_ADD && id == BravoId; };
    RebuildTrayIcons();
    ASSERT_TRUE(RunMainLoopUntil(RetryStopped));
    AddShortcut("Delta");  // a rescan, which tries Bravo again
    RebuildTrayIcons();
    ASSERT_TRUE(RunMainLoopUntil(RetryStopped));
    EXPECT_EQ(tray.Tips(), (Texts{L"Alpha - Ombrix+", L"Charlie - Ombrix+", L"Delta - Ombrix+"}));
    EXPECT_EQ(boxes.texts, Texts{Refused("Bravo")});
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
        EXPECT_EQ(tray.Tips(), Texts{L"Charlie - Ombrix+"}) << error;
        EXPECT_TRUE(RunMainLoopUntil([&] { return tray.shown.size() == 3; })) << error;
        EXPECT_EQ(tray.Tips(), (Texts{L"Alpha - Ombrix+", L"Bravo - Ombrix+", L"Charlie - Ombrix+"})) << error;
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
    EXPECT_TRUE(RunMainLoopUntil([] { return !IsWindow(TrayWindow); }));
    EXPECT_EQ(boxes.texts, (Texts{Refused("Alpha"), Refused("Bravo"), Refused("Charlie")}));
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
        EXPECT_EQ(tray.Tips(), (Texts{L"Alpha - Ombrix+", L"Bravo - Ombrix+", L"Charlie - Ombrix+"})) << taskbar;
        EXPECT_TRUE(ArrowOver(PictureOf(tray.At(1).icon), ShellPicture(Link("Bravo")))) << taskbar;
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
    for (const Texts& shown : {Texts{L"Alpha - Ombrix+", L"Bravo - Ombrix+"}, Texts{}}) {
        RemoveTrayIcons();
        if (!shown.empty()) RebuildTrayIcons();  // else the start-up scan meets the folder gone
        lstrcpyW(ProgramFolder, L"C:\\Ombrix+ nicht erreichbar");
        RebuildTrayIcons();
        EXPECT_EQ(tray.Tips(), shown);
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_FALSE(ClosePosted());
        lstrcpyW(ProgramFolder, reachable.c_str());
        AddShortcut("Charlie");
        EXPECT_TRUE(RunMainLoopUntil([&] { return tray.shown.size() == 3; })) << shown.size();
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
    EXPECT_TRUE(RunMainLoopUntil([&] { return tray.shown.size() == 2; }));
    EXPECT_LT(LoopCounters.nFolderChanges - runs, 10) << "woken by the broken watch again and again";
    AddShortcut("Charlie");
    EXPECT_TRUE(RunMainLoopUntil([&] { return tray.shown.size() == 3; })) << "deaf to the folder";
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

// Of more than 100 shortcuts at start-up the first 100 are shown (so that the item commands
// 500 + i to 900 + i never collide), and the user is told how many are left out, once while that
// stays; only the shown ones hold pictures, two each at the most besides the program's own. When
// one of the first hundred goes, the 101st moves up as itself: its tooltip, its picture, its
// Öffnen; and the user is told again.
TEST_F(TrayIcons, OfMoreThanAHundredTheFirstHundredShowAndTheNextMovesUpAsItself) {
    AddShortcut("Link 1000");
    const std::string bytes = ReadBytes(Link("Link 1000"));
    for (int i = 1; i < 300; ++i) WriteBytes(Link("Link " + std::to_string(1000 + i)), bytes);
    AddShortcut("Link 1100", "", 4);
    AddShortcut("Link 1101", "", 12);
    auto told = [](int leftOut) {
        return L"Ombrix+ kann h\u00F6chstens 100 Verkn\u00FCpfungen in der Task-Leiste anzeigen.\n\n" +
               std::to_wstring(leftOut) + L" Verkn\u00FCpfungen des Ordners werden nicht angezeigt.";
    };
    ShellPicture(Link("Link 1000"));  // what the shell sets up once is not the program's
    const DWORD before = ReadOwnObjectCounts().icons;
    // The recorder keeps a copy of each icon shown, as the shell does.
    auto held = [&] { return ReadOwnObjectCounts().icons - before - tray.shown.size(); };
    RebuildTrayIcons();  // the first scan, as at start-up
    EXPECT_EQ(tray.shown.size(), 100u);
    EXPECT_EQ(tray.At(99).tip, L"Link 1099 - Ombrix+");
    EXPECT_LE(held(), 2 * 100 + 1u);
    EXPECT_EQ(boxes.texts, Texts{told(200)});
    RebuildTrayIcons();
    EXPECT_EQ(boxes.texts, Texts{told(200)}) << "told once";
    ASSERT_TRUE(DeleteFileA(Link("Link 1005").c_str()));
    RebuildTrayIcons();
    EXPECT_EQ(tray.At(99).tip, L"Link 1100 - Ombrix+");
    EXPECT_TRUE(ArrowOver(PictureOf(tray.At(99).icon), ShellPicture(Link("Link 1100"))));
    EXPECT_LE(held(), 2 * 100 + 1u);
    SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_OPEN + 99, 0);
    FinishStarts();
    EXPECT_EQ(Runs("Link 1100"), 1);
    EXPECT_EQ(Runs("Link 1000") + Runs("Link 1101"), 0) << "another shortcut started";
    EXPECT_EQ(boxes.texts, (Texts{told(200), told(199)}));
}

// The main loop over a watched folder that holds "Anker", with the companion on: a window of its
// class on this thread, which keeps the tooltips shown at each rescan's notice to it.
class MainLoop : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        AddShortcut("Anker");
        bytes = ReadBytes(Link("Anker"));
        RebuildTrayIcons();
        OpenFolderWatch();
        lstrcpyA(Settings.szCompanion, "Ja");
        RegisterCompanionMessages();
        WNDCLASSW companionClass = {};
        companionClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == CompanionAddTrayIconMessage) live->rescans.push_back(live->tray.Tips());
            return DefWindowProcW(window, message, wParam, lParam);
        };
        companionClass.lpszClassName = CompanionWindowClass;
        RegisterClassW(&companionClass);  // once a process
        // Owned by the program's window, it goes with it at the end of the test.
        CreateWindowW(CompanionWindowClass, CompanionWindowTitle, WS_POPUP, 0, 0, 0, 0, TrayWindow, nullptr, nullptr,
                      nullptr);
        live = this;
    }
    // The tooltips the folder's shortcuts should have now.
    Texts FolderTips() {
        Names want;
        for (std::string name : FolderNames(folder.path()))
            if (name.size() > 4 && !name.compare(name.size() - 4, 4, ".lnk"))
                want.push_back(name.erase(name.size() - 4));
        std::sort(want.begin(), want.end(), [](auto& a, auto& b) { return lstrcmpA(a.c_str(), b.c_str()) < 0; });
        Texts tips;
        for (const std::string& name : want) tips.push_back(Wide(name + " - Ombrix+"));
        return tips;
    }
    // Creates, renames and deletes stormOps times in the folder: "Sturm n" and "Wind n", shortcuts
    // or text files.
    static DWORD WINAPI StormThread(void* test) {
        MainLoop& self = *static_cast<MainLoop*>(test);
        for (unsigned seed = 7, op = 0; op < self.stormOps; ++op) {
            seed = seed * 1103515245u + 12345u;
            const std::string ext = (seed >> 8) % 3 ? ".lnk" : ".txt";
            const std::string n = std::to_string((seed >> 16) % 12);
            const std::string sturm = self.folder.file("Sturm " + n + ext);
            const std::string wind = self.folder.file("Wind " + n + ext);
            switch ((seed >> 24) % 3) {
            case 0: WriteBytes(sturm, self.bytes); break;
            case 1: MoveFileA(sturm.c_str(), wind.c_str()); break;
            default: DeleteFileA((seed & 1 ? sturm : wind).c_str());
            }
        }
        return 0;
    }
    // Runs the main loop during a storm on a thread of the system's own (now and then the C++
    // library keeps a handle after its threads), until the icons show the folder.
    void Storm(unsigned ops) {
        stormOps = ops;
        UniqueKernelHandle stormer(CreateThread(nullptr, 0, StormThread, this, 0, nullptr));
        EXPECT_TRUE(RunMainLoopUntil(
            [&] { return WaitForSingleObject(stormer.get(), 0) == WAIT_OBJECT_0 && tray.Tips() == FolderTips(); }));
        WaitForSingleObject(stormer.get(), INFINITE);
    }
    static MainLoop* live;
    std::vector<Texts> rescans;  // the tooltips at each rescan
    std::string bytes;           // those of a shortcut to marker.exe
    unsigned stormOps = 0;
};
MainLoop* MainLoop::live;

// A burst of changes (three shortcuts saved one after another) brings one rescan, which finds them all.
TEST_F(MainLoop, ABurstOfChangesGivesOneRescan) {
    int saved = 0;
    EXPECT_TRUE(RunMainLoopUntil([&] { return !rescans.empty() && rescans.back().size() == 4; }, [&] {
        if (saved < 3) WriteBytes(Link("B\xF6" "e " + std::to_string(++saved)), bytes);
    }));
    EXPECT_EQ(rescans.size(), 1u);
}

// A writer that keeps changing the folder still gets a rescan about every delay: the delay runs
// from the first change on and is not put off by the later ones.
TEST_F(MainLoop, ASteadyWriterStillGetsItsRescans) {
    const DWORD start = GetTickCount();
    bool there = false;
    RunMainLoopUntil([&] { return GetTickCount() - start > 3000; }, [&] {
        there = !there;
        there ? WriteBytes(folder.file("Wind.txt"), "Wind") : void(DeleteFileA(folder.file("Wind.txt").c_str()));
    });
    EXPECT_GE(rescans.size(), 5u) << "in 3 s of changes, each rescan due 0.2 s after one";
}

// After each storm of file operations, one of them made while a rebuild adds its icons, the tray
// shows exactly the folder's shortcuts; and the process holds what it held: counted after two
// storms that follow a warm-up (what the shell loads once is not growth), each time with the
// folder back as it was.
TEST_F(MainLoop, AfterEachStormTheIconsShowTheFolderAndNothingIsLeft) {
    tray.refuse = [&](DWORD message, UINT) {
        if (message == NIM_ADD && !FileExists(Link("Nachz\xFCgler"))) WriteBytes(Link("Nachz\xFCgler"), bytes);
        return false;
    };
    auto countAfterStorm = [&](unsigned total) {
        Storm(total);
        EXPECT_TRUE(FileExists(Link("Nachz\xFCgler"))) << "the change made during a rebuild";
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
