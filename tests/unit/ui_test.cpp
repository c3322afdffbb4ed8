// The tray window as the user meets it: clicks, the popup, rename, delete and
// the program's own new-shortcut dialog, on real shortcut files.
#include "app/app.h"
#include "app/settings.h"
#include "res/resource.h"
#include "support/support.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/rename.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"
#include "ui/wizard.h"

static int Icon(const std::string& name) {  // the tray icon of the shortcut of this name
    int i = 0;
    while (i < CurrentShortcutTable.nCount && name != CurrentShortcutTable.pEntries[i].szName) ++i;
    return 1000 + i;
}

// Every popup that opens: its caption, then for each command of its shortcut submenu the entry
// it is for; then it is closed.
static Names popups;
static void CALLBACK RecordPopup(HWND, UINT, UINT_PTR, DWORD) {
    char caption[64] = {};
    if (!IsWindowVisible(FindWindowA("#32768", nullptr))) return;
    GetMenuStringA(TrayPopup, 0, caption, sizeof caption, MF_BYPOSITION);
    popups.push_back(caption + std::string(" "));
    for (auto [position, base] : {std::pair{0, 500}, {2, 600}, {3, 700}, {5, 800}})
        popups.back() += char('0' + GetMenuItemID(ItemSubmenu, position) - base);
    EndMenu();
}
[[maybe_unused]] static const UINT_PTR popupTimer = SetTimer(nullptr, 0, 50, RecordPopup);

// A click starts its shortcut in the mode read at that click (compared without case); the popup
// names the right-clicked entry, cut at 28 characters, over that entry's commands. Commands and
// popups left over for entries the table no longer has do nothing.
TEST_F(ProgramTest, ClicksAndThePopupReachTheirEntryOnly) {
    const std::string a27(27, 'a'), b28(28, 'b'), c28(28, 'c');
    struct Row { std::string name, caption; const char* mode; UINT mouse; int runs; } rows[] = {
        {a27, a27, "Doppelklick", WM_LBUTTONDBLCLK, 1}, {b28, b28 + "...", "Doppelklick", WM_LBUTTONDOWN, 0},
        {c28 + "dddd", c28 + "...", "EINFACHER KLICK", WM_LBUTTONDOWN, 1},
        {"Tom & Jerry", "Tom && Jerry", "einfacher klick", WM_LBUTTONDBLCLK, 0}};
    for (const Row& row : rows) AddShortcut(row.name);
    RebuildTrayIcons();
    Names shown;
    for (const Row& row : rows) {
        lstrcpyA(Settings.szClickMode, row.mode);
        for (UINT m : {row.mouse, UINT(WM_CONTEXTMENU)}) SendMessageA(TrayWindow, WM_USER, Icon(row.name), m);
        shown.push_back(row.caption + " " + std::string(4, char('0' + Icon(row.name) - 1000)));
        ASSERT_TRUE(PumpUntil([&] { return popups.size() == shown.size(); }));
    }
    for (WORD id : {99, 101, 111, 499, 504, 599, 604, 704, 804, 904, 999}) SendMessageA(TrayWindow, WM_COMMAND, id, 0);
    SendMessageA(TrayWindow, WM_TRAYMENU, 1004, 0);
    PumpUntil([] { return false; }, 1500);  // time for a wrong start to show; a right one is waited for
    for (const Row& row : rows) EXPECT_TRUE(PumpUntil([&] { return Runs(row.name) == row.runs; })) << row.mode;
    EXPECT_EQ(popups, shown);
}

// What the shell sends, with and without the newer notification behaviour: a double click
// (whose NIN_SELECTs are the click's), Enter (two NIN_KEYSELECTs) and Space on a focused icon
// start the shortcut once; the popup opens on WM_CONTEXTMENU, or on the button's release where
// the shell refused the newer behaviour and sends no WM_CONTEXTMENU.
TEST_F(ProgramTest, KeyboardAndMouseAsTheShellSendsThem) {
    const UINT click[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT, WM_LBUTTONDBLCLK, WM_LBUTTONUP, NIN_SELECT};
    struct Row { bool refused; std::vector<UINT> sent; int runs; size_t popups; } rows[] = {
        {false, {std::begin(click), std::end(click)}, 1, 0}, {false, {NIN_KEYSELECT, NIN_KEYSELECT}, 1, 0},
        {false, {NIN_SELECT}, 1, 0}, {false, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, 0, 1},
        {true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, 0, 1}};
    lstrcpyA(Settings.szClickMode, "Doppelklick");
    for (size_t r = 0; r < std::size(rows); ++r) {
        const Row& row = rows[r];
        const std::string name = "Zeile " + std::to_string(r);
        AddShortcut(name);
        RemoveTrayIcons();
        tray.refuse = [&row](DWORD message, UINT) { return row.refused && message == NIM_SETVERSION; };
        RebuildTrayIcons();
        const size_t opened = popups.size() + row.popups;
        for (UINT m : row.sent) SendMessageA(TrayWindow, WM_USER, Icon(name), m);
        EXPECT_TRUE(PumpUntil([&] { return Runs(name) == row.runs && popups.size() == opened; })) << r;
    }
    const size_t opened = popups.size();
    PumpUntil([] { return false; }, 1500);  // time for a second start or popup to show
    for (size_t r = 0; r < std::size(rows); ++r) EXPECT_EQ(Runs("Zeile " + std::to_string(r)), rows[r].runs) << r;
    EXPECT_EQ(popups.size(), opened);
}

// Typed name -> file name; a refused name keeps the file and the dialog, with the number of
// messages shown. While the dialog is open a click on an icon only brings it to the front.
TEST_F(ProgramTest, RenameMakesTheTypedNameTheFileName) {
    std::string f = folder.path(), deep = f;  // folders with a dot in their names
    while (deep.size() < 200) CreateDirectoryA((deep += "\\Ordner.v2").c_str(), nullptr);
    const std::string fits(259 - deep.size() - 5, 'y');  // with the backslash and ".lnk" 259 characters
    struct Row { std::string dir, file, typed; int button; std::string result; size_t boxes = 0; };
    // The second row finds "N.lnk" taken; the drive root rows rename there and back.
    std::vector<Row> rows = {{f, "E.lnk", "N", IDOK, "N.lnk"}, {f, "E.lnk", "N", IDOK, "E.lnk"},
        {f, "E.lnk", "", IDOK, "E.lnk"}, {f, "E.lnk", "A", IDCANCEL, "E.lnk"}, {f, "E.pif", "N", IDOK, "N.pif"},
        {f, "E.lnk", "N.lnk", IDOK, "N.lnk.lnk"}, {"C:\\", "ob.lnk", "ob2", IDOK, "ob2.lnk"},
        {"C:\\", "ob2.lnk", "ob", IDOK, "ob.lnk"}, {deep, "E", "N", IDOK, "N"},
        {deep, "E.lnk", fits, IDOK, fits + ".lnk"}, {deep, "E.lnk", fits + "x", IDOK, "E.lnk", 1}};
    for (char c : std::string("\\/:*?\"<>|")) rows.push_back({f, "E.lnk", {'A', c}, IDOK, "E.lnk", 1});
    AddShortcut("Platz");
    AddShortcut("Start");
    RebuildTrayIcons();
    const int start = Icon("Start"), renamed = 1001 - start;  // the other entry is pointed at each row's file
    for (const Row& row : rows) {
        auto at = [&](const std::string& name) { return row.dir + (row.dir.back() == '\\' ? "" : "\\") + name; };
        WriteBytes(at(row.file), "Inhalt " + row.typed);
        lstrcpyA(ProgramFolder, row.dir.c_str());
        lstrcpyA(CurrentShortcutTable.pEntries[renamed].szLinkPath, at(row.file).c_str());
        boxes.texts.clear();
        DialogDriver driver([&](HWND dialog) {
            HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 99, 99, nullptr, 0, 0, 0);
            EXPECT_EQ(GetForegroundWindow(), other);
            EXPECT_TRUE(PumpUntil([&] {  // clicks until one brings the dialog back: the window manager may lag
                for (UINT m : {WM_LBUTTONDBLCLK, WM_RBUTTONUP}) SendMessageA(TrayWindow, WM_USER, start, m);
                return GetForegroundWindow() == dialog;
            }, 5000));
            DestroyWindow(other);
            SetDlgItemTextA(dialog, IDC_RENAME_TO, row.typed.c_str());
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE, !row.typed.empty());
            Press(dialog, row.button);
            EXPECT_EQ(IsWindowVisible(dialog), row.button == IDOK && row.result == row.file) << row.typed;
            if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
        });
        SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_RENAME + renamed, 0);
        EXPECT_EQ(ReadBytes(at(row.result)), "Inhalt " + row.typed);
        EXPECT_TRUE(row.result == row.file || RenameNewPath == at(row.result)) << RenameNewPath;  // the path asked for
        EXPECT_EQ(FileExists(at(row.file)), row.result == row.file) << at(row.file);
        EXPECT_EQ(boxes.texts.size(), row.boxes) << row.typed;
    }
    EXPECT_EQ(Runs("Start"), 0);  // the clicks while the dialog was open
}

// Delete asks first; Yes moves the file to the recycle bin, with Shift deletes it for good.
TEST_F(ProgramTest, DeleteGoesToTheRecycleBinOrWithShiftForGood) {
    struct Row { bool shift; int answer; bool kept, bin; };
    for (const Row& row : {Row{false, IDYES, false, true}, {true, IDYES, false, false}, {false, IDNO, true, false}}) {
        const std::string name = "Weg " + std::to_string(GetTickCount() * 10 + row.answer) + (row.shift ? "S" : "");
        AddShortcut(name);
        RebuildTrayIcons();
        DialogDriver confirm([&](HWND d) { EXPECT_EQ(ModalBusy, 1); PostMessageA(d, WM_COMMAND, row.answer, 0); });
        BYTE keys[256];  // Shift as this thread sees it; the last row lets it go
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = row.shift ? 0x80 : 0;
        SetKeyboardState(keys);
        ModalBusy = row.shift;  // as when another modal command runs: the busy mark stays as found
        SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_DELETE, 0);  // the only entry: the earlier rows deleted theirs
        EXPECT_EQ(ModalBusy, LONG(row.shift));
        EXPECT_EQ(FileExists(Link(name)), row.kept) << name;
        // The recycle bin of the session's home, named by Wine as "\??\Z:\...".
        EXPECT_EQ(FileExists(getenv("WINEHOMEDIR") + 4 + ("\\.local\\share\\Trash\\files\\" + name + ".lnk")), row.bin);
    }
}

// The program's own dialog: a new name becomes a shortcut in the folder; an existing name is
// refused and kept, Cancel creates nothing.
TEST_F(ProgramTest, NewShortcutDialogCreatesInTheProgramFolder) {
    AddShortcut("Da");
    struct Row { const char* name; int button; INT_PTR result; };
    for (const Row& row : {Row{"Da", IDOK, IDCANCEL}, {"Nicht", IDCANCEL, IDCANCEL}, {"Neu", IDOK, IDOK},
                           {"Alt.pif", IDOK, IDOK}}) {  // a link, so a link's name
        DialogDriver driver([&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, "C:\\windows\\notepad.exe");
            SetDlgItemTextA(dialog, IDC_NEWLINK_NAME, row.name);
            Press(dialog, row.button);
            if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(RunNewLinkDialog(), row.result) << row.name;
    }
    EXPECT_EQ(FolderNames(folder.path()), (Names{"Alt.pif.lnk", "Da.lnk", "Neu.lnk"}));
}
