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

// The index of the entry of this name in the table shown, or -1.
static int FindEntry(const std::wstring& name) {
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i)
        if (name == CurrentShortcutTable.pEntries[i].szName) return i;
    return -1;
}

// What the shell sends on an icon, with and without the newer notification behaviour, in the
// click mode read at that moment (compared without case): a click of that mode, a double click
// (whose NIN_SELECTs are the click's), Enter (two NIN_KEYSELECTs) and Space start the shortcut
// once, other clicks nothing; the popup opens on WM_CONTEXTMENU, or on the button's release where
// the shell refused the newer behaviour and sends no WM_CONTEXTMENU.
TEST_F(ProgramTest, WhatTheShellSendsStartsTheShortcutOrOpensThePopup) {
    const UINT click[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT, WM_LBUTTONDBLCLK, WM_LBUTTONUP, NIN_SELECT};
    const char *dbl = "Doppelklick", *single = "EINFACHER KLICK";
    struct Row { const char* mode; bool refused; std::vector<UINT> sent; int runs; } rows[] = {
        {dbl, false, {std::begin(click), std::end(click)}, 1}, {dbl, false, {WM_LBUTTONDOWN}, 0},
        {single, false, {WM_LBUTTONDOWN}, 1}, {"einfacher klick", false, {WM_LBUTTONDBLCLK}, 0},
        {dbl, false, {NIN_KEYSELECT, NIN_KEYSELECT}, 1}, {single, false, {NIN_SELECT}, 1},
        {dbl, false, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, 0}, {single, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, 0}};
    for (size_t r = 0; r < std::size(rows); ++r) {  // row r has the shortcut "Zeile r"
        AddShortcut("Zeile " + std::to_string(r));
        RemoveTrayIcons();
        tray.refuse = [refused = rows[r].refused](DWORD message, UINT) { return refused && message == NIM_SETVERSION; };
        RebuildTrayIcons();
        lstrcpyA(Settings.szClickMode, rows[r].mode);
        for (UINT m : rows[r].sent) SendMessageA(TrayWindow, WM_USER, IconId("Zeile " + std::to_string(r)), m);
        lstrcpyA(Settings.szClickMode, "");  // what was asked for is handled after the mode changed again
        FinishStarts();
    }
    for (size_t r = 0; r < std::size(rows); ++r) EXPECT_EQ(Runs("Zeile " + std::to_string(r)), rows[r].runs) << r;
    EXPECT_EQ(popups, (Names{"Zeile 6 6666", "Zeile 7 7777"}));
}

// The popup of a right-clicked icon is captioned with its shortcut's name, an "&" shown as such
// and cut at 28 characters, over that shortcut's own commands.
TEST_F(ProgramTest, ThePopupNamesTheRightClickedShortcut) {
    const std::string a27(27, 'a'), b28(28, 'b'), c28(28, 'c');
    const std::pair<std::string, std::string> rows[] = {  // in name order: row r is entry r
        {a27, a27 + " 0000"}, {b28, b28 + "... 1111"}, {c28 + "dddd", c28 + "... 2222"}, {"Tom & Jerry", "Tom && Jerry 3333"}};
    for (const auto& [name, popup] : rows) AddShortcut(name);
    RebuildTrayIcons();
    for (UINT r = 0; r < std::size(rows); ++r) {
        SendMessageA(TrayWindow, WM_USER, IconId(rows[r].first), WM_CONTEXTMENU);
        ASSERT_TRUE(PumpUntil([&] { return popups.size() == r + 1; })) << r;
        EXPECT_EQ(popups.back(), rows[r].second);
    }
}

// Commands and popups left over for entries the table no longer has, and identifiers of no
// command, do nothing.
TEST_F(ProgramTest, LeftOverCommandsDoNothing) {
    AddShortcut("Einzig");
    RebuildTrayIcons();
    for (WORD id : {99, 101, 111, 499, 501, 599, 601, 701, 801, 901, 999}) SendMessageA(TrayWindow, WM_COMMAND, id, 0);
    SendMessageA(TrayWindow, WM_TRAYMENU, IconId("Nicht da"), 0);
    FinishStarts();
    EXPECT_EQ(Runs("Einzig"), 0);
    EXPECT_TRUE(FileExists(Link("Einzig")));
    EXPECT_TRUE(popups.empty());
}

// Typed name -> file name; a refused name keeps the file and the dialog, with the number of
// messages shown.
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
    struct AtTheRoot {  // what the drive root rows leave, gone however the test ends
        ~AtTheRoot() {
            for (const char* file : {"C:\\ob.lnk", "C:\\ob2.lnk"}) DeleteFileA(file);
        }
    } leaveTheRootClean;
    AddShortcut("Platz");  // its entry is pointed at each row's file
    RebuildTrayIcons();
    for (const Row& row : rows) {
        auto at = [&](const std::string& name) { return row.dir + (row.dir.back() == '\\' ? "" : "\\") + name; };
        WriteBytes(at(row.file), "Inhalt " + row.typed);
        lstrcpyW(ProgramFolder, Wide(row.dir).c_str());
        lstrcpyW(CurrentShortcutTable.pEntries[0].szLinkPath, Wide(at(row.file)).c_str());
        boxes.texts.clear();
        DialogDriver driver([&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_RENAME_TO, row.typed.c_str());
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE, !row.typed.empty());
            Press(dialog, row.button);
            EXPECT_EQ(IsWindowVisible(dialog) != FALSE, row.button == IDOK && row.result == row.file) << row.typed;
            if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
        });
        SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_RENAME, 0);
        EXPECT_EQ(ReadBytes(at(row.result)), "Inhalt " + row.typed);
        const std::string asked = Narrow(RenameNewPath);
        EXPECT_TRUE(row.result == row.file || asked == at(row.result)) << asked;  // the path asked for
        EXPECT_EQ(FileExists(at(row.file)), row.result == row.file) << at(row.file);
        EXPECT_EQ(boxes.texts.size(), row.boxes) << row.typed;
    }
}

// The rename dialog's picture has the icon size of the dialog's DPI, also after Windows told it of
// a new one (moved to a monitor of another scaling).
TEST_F(ProgramTest, TheRenamePictureFollowsTheDialogsDpi) {
    AddShortcut("Bild");
    RebuildTrayIcons();
    DialogDriver driver([&](HWND dialog) {
        auto pictureWidth = [&] {
            return IconWidth(HICON(SendDlgItemMessageW(dialog, IDC_RENAME_PICTURE, STM_GETICON, 0, 0)));
        };
        EXPECT_EQ(pictureWidth(), 32);  // the session's 96 DPI
        for (const auto& [dpi, width] : {std::pair{192, 64}, {144, 48}, {96, 32}}) {
            RECT place = {};
            GetWindowRect(dialog, &place);
            SendMessageW(dialog, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), LPARAM(&place));
            EXPECT_EQ(pictureWidth(), width) << dpi;
        }
        Press(dialog, IDCANCEL);
    });
    SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_RENAME, 0);
    EXPECT_TRUE(driver.acted);
}

// Löschen asks first, also with Shift held: Yes then deletes the shortcut for good, No keeps it.
// (Löschen to the recycle bin: end to end.)
TEST_F(ProgramTest, DeleteAsksFirstAndWithShiftDeletesForGood) {
    struct Row { bool shift; int answer; bool kept; };
    for (const Row& row : {Row{true, IDYES, false}, Row{false, IDNO, true}}) {
        const std::string name = row.shift ? "Weg" : "Bleibt";
        AddShortcut(name);
        RebuildTrayIcons();
        DialogDriver confirm([&](HWND d) {
            EXPECT_EQ(ModalBusy, 1);
            PostMessageA(d, WM_COMMAND, row.answer, 0);
        });
        BYTE keys[256];  // Shift as this thread sees it; the last row lets it go
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = row.shift ? 0x80 : 0;
        SetKeyboardState(keys);
        ModalBusy = row.shift;  // as when another modal command runs: the busy mark stays as found
        SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_DELETE, 0);  // the only entry: the earlier row deleted its own
        EXPECT_TRUE(confirm.acted) << "deleted without asking";
        EXPECT_EQ(ModalBusy, LONG(row.shift));
        EXPECT_EQ(FileExists(Link(name)), row.kept) << name;
        // Not in the recycle bin of the session's home, named by Wine as "\??\Z:\...".
        EXPECT_FALSE(FileExists(getenv("WINEHOMEDIR") + 4 + ("\\.local\\share\\Trash\\files\\" + name + ".lnk")));
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

// Names in any script, each a shortcut of its own: its icon's tooltip is its name (cut at 127
// characters, never inside a surrogate pair), a double-click starts its own target (also for
// "Łódź" and "Lódz", which the ANSI code page would spell alike), Umbenennen gives it another
// row's kind of name, and Löschen moves it to the recycle bin.
TEST_F(ProgramTest, EveryNameKeepsItsCharacters) {
    const std::wstring emojiAtTheCut = std::wstring(126, L'w') + L"\U0001F600yy";  // 130 units
    const std::wstring names[] = {L"\u0141\u00F3d\u017A", L"L\u00F3dz",
        L"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148", L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC",
        L"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430", L"\u5FAE\u4FE1", L"\u00C4rger \U0001F600", L"Cafe\u0301",
        L"\u05E9\u05DC\u05D5\u05DD", L"Zitat \uFF02x\uFF02", L"Tom & Jerry", std::wstring(64, L'v'), emojiAtTheCut};
    auto tipOf = [&](const std::wstring& name) {  // the emoji row is cut before its pair, then after the blank
        return name == emojiAtTheCut ? std::wstring(126, L'w') + L" " : name + L" - Ombrix+";
    };
    // The recycle bin of the session's home, named by Wine as "\??\Z:\...".
    const std::wstring at = Wide(folder.path()) + L"\\", bin = Wide(getenv("WINEHOMEDIR") + 4) + L"\\.local\\share\\Trash";
    const size_t count = std::size(names);
    for (size_t r = 0; r < count; ++r)
        ASSERT_TRUE(MakeShortcut(at + names[r] + L".lnk", Wide(ToolsFolder() + "\\marker.exe"),
                                 Wide("\"" + Marker(std::to_string(r)) + "\"")));
    RebuildTrayIcons();
    ASSERT_EQ(CurrentShortcutTable.nCount, int(count));
    for (size_t r = 0; r < count; ++r) {
        const int index = FindEntry(names[r]);
        ASSERT_GE(index, 0) << r;
        const UINT id = CurrentShortcutTable.pEntries[index].uIconId;
        EXPECT_EQ(tray.shown[id].wideTip, tipOf(names[r])) << r;
        SendMessageW(TrayWindow, WM_USER, id, WM_LBUTTONDBLCLK);
        FinishStarts();
        EXPECT_EQ(Runs(std::to_string(r)), 1) << r;
        const std::wstring renamed = names[(r + 1) % count] + L" 2";
        DialogDriver driver([&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_RENAME_TO, renamed.c_str());
            Press(dialog, IDOK);
        });
        SendMessageW(TrayWindow, WM_COMMAND, ID_ITEM_RENAME + index, 0);
        EXPECT_TRUE(FileExists(at + renamed + L".lnk")) << r;
    }
    RebuildTrayIcons();
    ASSERT_EQ(CurrentShortcutTable.nCount, int(count));
    for (int index = 0; index < int(count); ++index) {
        const std::wstring name = CurrentShortcutTable.pEntries[index].szName;
        DialogDriver confirm([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDYES, 0); });
        SendMessageW(TrayWindow, WM_COMMAND, ID_ITEM_DELETE + index, 0);
        EXPECT_FALSE(FileExists(at + name + L".lnk")) << index;
        EXPECT_TRUE(FileExists(bin + L"\\files\\" + name + L".lnk")) << index;
        DeleteFileW((bin + L"\\files\\" + name + L".lnk").c_str());  // and its record, so a repeat finds the name free
        DeleteFileW((bin + L"\\info\\" + name + L".lnk.trashinfo").c_str());
    }
}

// A popup asked for from the keyboard that closes without a choice gives the keyboard focus back
// to its icon; a choice is posted as the menu's own command would be, and a popup of a click
// leaves the focus where it is.
TEST_F(ProgramTest, AKeyboardPopupClosedWithoutAChoiceGivesTheFocusBack) {
    AddShortcut("Fokus");
    RebuildTrayIcons();
    const UINT id = IconId("Fokus");
    const struct { UINT command; bool fromKeyboard; UINT focused; } rows[] = {
        {0, true, id}, {0, false, 0}, {ID_ITEM_OPEN, true, 0}};
    for (const auto& row : rows) {
        tray.focused = 0;
        FinishTrayPopup(id, row.command, row.fromKeyboard);
        EXPECT_EQ(tray.focused, row.focused) << row.command << row.fromKeyboard;
    }
    FinishStarts();
    EXPECT_EQ(Runs("Fokus"), 1) << "the choice made";
}
