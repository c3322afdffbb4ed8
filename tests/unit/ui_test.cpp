// The tray window as the user meets it: clicks, the popup, rename, delete,
// Eigenschaften and the program's own new-shortcut dialog, on real shortcut files.
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

// Shift as this thread sees it, held or let go.
static void HoldShift(bool held) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

// What the shell sends on an icon, with and without the newer notification behaviour, in the
// click mode read at that moment (compared without case): a click of that mode, a double click
// (whose NIN_SELECTs are the click's), Enter (two NIN_KEYSELECTs) and Space start the shortcut
// once, other clicks nothing; the popup opens on WM_CONTEXTMENU, or on the button's release where
// the shell refused the newer behaviour and sends no WM_CONTEXTMENU.
TEST_F(ProgramTest, WhatTheShellSendsStartsTheShortcutOrOpensThePopup) {
    const UINT click[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT, WM_LBUTTONDBLCLK, WM_LBUTTONUP, NIN_SELECT};
    const char* dbl = "Doppelklick";
    struct Row { const char* name; const char* mode; bool refused; std::vector<UINT> sent; int runs; } rows[] = {
        {"a double click", dbl, false, {std::begin(click), std::end(click)}, 1},
        {"a press alone", dbl, false, {WM_LBUTTONDOWN}, 0}, {"a single click", "EINFACHER KLICK", false, {WM_LBUTTONDOWN}, 1},
        {"a double click in single click mode", "einfacher klick", false, {WM_LBUTTONDBLCLK}, 0},
        {"Enter", dbl, false, {NIN_KEYSELECT, NIN_KEYSELECT}, 1}, {"Space", "Einfacher Klick", false, {NIN_SELECT}, 1},
        {"a right click", dbl, false, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, 0},
        {"a right click, the newer behaviour refused", dbl, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, 0}};
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
    for (size_t r = 0; r < std::size(rows); ++r) EXPECT_EQ(Runs("Zeile " + std::to_string(r)), rows[r].runs) << rows[r].name;
    EXPECT_EQ(popups, (std::vector<Popup>{{L"Zeile 6", 6}, {L"Zeile 7", 7}}));
}

// The popup of a right-clicked icon is captioned with its shortcut's name, an "&" shown as such
// and cut at 28 characters (never inside a surrogate pair), over that shortcut's own commands.
TEST_F(ProgramTest, ThePopupNamesTheRightClickedShortcut) {
    const std::wstring a27(27, L'a');
    const std::wstring b28(28, L'b');
    const std::wstring c28(28, L'c');
    const struct { std::wstring name, caption; } rows[] = {  // in name order: row r is entry r
        {a27, a27}, {a27 + L"\U0001F600z", a27 + L"..."}, {b28, b28 + L"..."}, {c28 + L"dddd", c28 + L"..."},
        {L"Tom & Jerry", L"Tom && Jerry"}};
    for (const auto& row : rows)
        ASSERT_TRUE(MakeShortcut(Wide(folder.path()) + L"\\" + row.name + L".lnk", Wide(ToolsFolder() + "\\marker.exe")));
    RebuildTrayIcons();
    for (int r = 0; r < int(std::size(rows)); ++r) {
        SendMessageW(TrayWindow, WM_USER, CurrentShortcutTable.pEntries[r].uIconId, WM_CONTEXTMENU);
        ASSERT_TRUE(PumpUntil([&] { return popups.size() == size_t(r) + 1; })) << r;
        EXPECT_EQ(popups.back(), (Popup{rows[r].caption, r}));
    }
}

// A popup asked for from the keyboard that closes without a choice gives the keyboard focus back
// to its icon; the popup of a click leaves the focus where it is.
TEST_F(ProgramTest, AKeyboardPopupClosedWithoutAChoiceGivesTheFocusBack) {
    AddShortcut("Fokus");
    RebuildTrayIcons();
    const UINT icon = tray.order.at(0);  // as the shell knows it
    SendMessageW(TrayWindow, WM_TRAYMENU, icon, 0);
    EXPECT_EQ(tray.focused, 0u) << "after the popup of a click";
    SendMessageW(TrayWindow, WM_TRAYMENUKEY, icon, 0);
    EXPECT_EQ(tray.focused, icon) << "after the popup of the keyboard";
    EXPECT_EQ(popups.size(), 2u);
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
    const std::string f = folder.path();
    std::string deep = f;  // folders with a dot in their names
    while (deep.size() < 200) {
        deep += "\\Ordner.v2";
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    const std::string fits(259 - deep.size() - 5, 'y');  // with the backslash and ".lnk" 259 characters
    struct Row { std::string name, dir, file, typed; int button; std::string result; size_t boxes = 0; };
    std::vector<Row> rows = {{"renamed", f, "E.lnk", "N", IDOK, "N.lnk"}, {"taken", f, "E.lnk", "N", IDOK, "E.lnk"},
        {"nothing typed", f, "E.lnk", "", IDOK, "E.lnk"}, {"cancelled", f, "E.lnk", "A", IDCANCEL, "E.lnk"},
        {"a .pif", f, "E.pif", "N", IDOK, "N.pif"}, {"an extension typed", f, "E.lnk", "N.lnk", IDOK, "N.lnk.lnk"},
        {"root", "C:\\", "ob.lnk", "ob2", IDOK, "ob2.lnk"}, {"no extension, dotted folders", deep, "E", "N", IDOK, "N"},
        {"259", deep, "E.lnk", fits, IDOK, fits + ".lnk"}, {"260", deep, "E.lnk", fits + "x", IDOK, "E.lnk", 1}};
    for (char c : std::string("\\/:*?\"<>|")) rows.push_back({std::string("with ") + c, f, "E.lnk", {'A', c}, IDOK, "E.lnk", 1});
    AddShortcut("Platz");  // its entry is pointed at each row's file
    RebuildTrayIcons();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto at = [&](const std::string& name) { return row.dir + (row.dir.back() == '\\' ? "" : "\\") + name; };
        WriteBytes(at(row.file), "Inhalt " + row.typed);
        lstrcpyW(ProgramFolder, Wide(row.dir).c_str());
        lstrcpyW(CurrentShortcutTable.pEntries[0].szLinkPath, Wide(at(row.file)).c_str());
        boxes.texts.clear();
        DialogDriver driver([&](HWND dialog) {
            EXPECT_EQ(ItemText(dialog, IDC_RENAME_FROM), L"Platz");
            SetDlgItemTextA(dialog, IDC_RENAME_TO, row.typed.c_str());
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE, !row.typed.empty());
            Press(dialog, row.button);
            EXPECT_EQ(IsWindowVisible(dialog) != FALSE, row.button == IDOK && row.result == row.file);
            if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
        });
        SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_RENAME, 0);
        EXPECT_TRUE(driver.acted);
        EXPECT_EQ(ReadBytes(at(row.result)), "Inhalt " + row.typed);
        EXPECT_EQ(FileExists(at(row.file)), row.result == row.file) << at(row.file);
        EXPECT_EQ(boxes.texts.size(), row.boxes);
    }
    for (const char* file : {"C:\\ob.lnk", "C:\\ob2.lnk"}) DeleteFileA(file);  // what the drive root row left
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
    struct Row { const char* name; bool shift; int answer; bool kept; };
    for (const Row& row : {Row{"Weg", true, IDYES, false}, Row{"Bleibt", false, IDNO, true}}) {
        AddShortcut(row.name);
        RebuildTrayIcons();
        DialogDriver confirm([&](HWND d) {
            EXPECT_EQ(ModalBusy, 1);
            PostMessageA(d, WM_COMMAND, row.answer, 0);
        });
        HoldShift(row.shift);  // the last row lets it go
        ModalBusy = row.shift;  // as when another modal command runs: the busy mark stays as found
        SendMessageA(TrayWindow, WM_COMMAND, ID_ITEM_DELETE, 0);  // the only entry: the earlier row deleted its own
        EXPECT_TRUE(confirm.acted) << "deleted without asking";
        EXPECT_EQ(ModalBusy, LONG(row.shift));
        EXPECT_EQ(FileExists(Link(row.name)), row.kept) << row.name;
        // Not in the recycle bin of the session's home, named by Wine as "\??\Z:\...".
        EXPECT_FALSE(FileExists(getenv("WINEHOMEDIR") + 4 + ("\\.local\\share\\Trash\\files\\" + std::string(row.name) + ".lnk")));
    }
}

// Eigenschaften shows the shell's property sheet of the shortcut; with Shift held the program's
// folder opens instead, through the shell's association of folders (here a batch file that
// records it).
TEST_F(ProgramTest, EigenschaftenShowsThePropertySheetOrWithShiftTheFolder) {
    const ClassesKept folders({"Folder\\shell\\open\\command"});
    const std::string log = markers.file("folders.txt");
    WriteBytes(log + ".bat", "@echo %*>>\"" + log + "\"\r\n");
    WriteRegText(HKEY_CLASSES_ROOT, folders.keys[0], nullptr, "\"" + log + ".bat\" \"%1\"");
    AddShortcut("Blatt");
    RebuildTrayIcons();
    const struct { const char* name; bool shift; const wchar_t* sheet; std::string opened; } rows[] = {
        {"Eigenschaften", false, L"Blatt", ""}, {"with Shift", true, L"", "\"" + folder.path() + "\"\r\n"}};
    for (const auto& row : rows) {
        std::wstring sheet;  // the title of the property sheet
        DialogDriver driver([&](HWND dialog) {
            sheet.resize(MAX_PATH);
            sheet.resize(size_t(GetWindowTextW(dialog, &sheet[0], MAX_PATH)));
            Press(dialog, IDCANCEL);
        });
        HoldShift(row.shift);
        SendMessageW(TrayWindow, WM_COMMAND, ID_ITEM_PROPERTIES, 0);
        HoldShift(false);
        EXPECT_TRUE(PumpUntil([&] { return ReadBytes(log) == row.opened; })) << row.name << ": " << ReadBytes(log);
        EXPECT_EQ(driver.acted, !row.shift) << row.name << ": a property sheet";
        EXPECT_NE(sheet.find(row.sheet), std::wstring::npos) << row.name;
    }
}

// The program's own dialog: an existing name is refused and kept; a name that ends like a .pif
// becomes a shortcut of that name. (A new name and Cancel: end to end.)
TEST_F(ProgramTest, NewShortcutDialogCreatesInTheProgramFolder) {
    AddShortcut("Da");
    struct Row { const char* name; INT_PTR result; };
    for (const Row& row : {Row{"Da", IDCANCEL}, {"Alt.pif", IDOK}}) {  // a link, so a link's name
        DialogDriver driver([&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, "C:\\windows\\notepad.exe");
            SetDlgItemTextA(dialog, IDC_NEWLINK_NAME, row.name);
            Press(dialog, IDOK);
            if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(RunNewLinkDialog(), row.result) << row.name;
        EXPECT_TRUE(driver.acted) << row.name;
    }
    EXPECT_EQ(FolderNames(folder.path()), (Names{"Alt.pif.lnk", "Da.lnk"}));
}

// Names in any script, each a shortcut of its own: its icon's tooltip is its name (cut at 127
// characters, never inside a surrogate pair), a double-click starts its own target (also for
// "Łódź" and "Lódz", which the ANSI code page would spell alike), Umbenennen shows it and gives it
// another row's kind of name, and Löschen moves it to the recycle bin.
TEST_F(ProgramTest, EveryNameKeepsItsCharacters) {
    const std::wstring emojiAtTheCut = std::wstring(126, L'w') + L"\U0001F600yy";  // 130 units
    const std::wstring names[] = {L"\u0141\u00F3d\u017A", L"L\u00F3dz",
        L"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148", L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC",
        L"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430", L"\u5FAE\u4FE1", L"\u00C4rger \U0001F600", L"Cafe\u0301",
        L"\u05E9\u05DC\u05D5\u05DD", L"Zitat \uFF02x\uFF02", L"Tom & Jerry", std::wstring(64, L'v'), emojiAtTheCut};
    auto tipOf = [&](const std::wstring& name) {  // the emoji row is cut before its pair, then after the blank
        return name == emojiAtTheCut ? std::wstring(126, L'w') + L" " : name + L" - Ombrix+";
    };
    const std::wstring at = Wide(folder.path()) + L"\\";
    // The recycle bin of the session's home, named by Wine as "\??\Z:\...".
    const std::wstring bin = Wide(getenv("WINEHOMEDIR") + 4) + L"\\.local\\share\\Trash";
    const size_t count = std::size(names);
    for (size_t r = 0; r < count; ++r)
        ASSERT_TRUE(MakeShortcut(at + names[r] + L".lnk", Wide(ToolsFolder() + "\\marker.exe"),
                                 Wide("\"" + Marker(std::to_string(r)) + "\"")));
    RebuildTrayIcons();
    ASSERT_EQ(CurrentShortcutTable.nCount, int(count));
    for (size_t r = 0; r < count; ++r) {
        int index = 0;  // of the entry of this name in the table shown
        while (index < int(count) && names[r] != CurrentShortcutTable.pEntries[index].szName) ++index;
        ASSERT_LT(index, int(count)) << r;
        const UINT id = CurrentShortcutTable.pEntries[index].uIconId;
        EXPECT_EQ(tray.shown[id].tip, tipOf(names[r])) << r;
        SendMessageW(TrayWindow, WM_USER, id, WM_LBUTTONDBLCLK);
        FinishStarts();
        EXPECT_EQ(Runs(std::to_string(r)), 1) << r;
        const std::wstring renamed = names[(r + 1) % count] + L" 2";
        DialogDriver driver([&](HWND dialog) {
            EXPECT_EQ(ItemText(dialog, IDC_RENAME_FROM), names[r]);
            SetDlgItemTextW(dialog, IDC_RENAME_TO, renamed.c_str());
            Press(dialog, IDOK);
        });
        SendMessageW(TrayWindow, WM_COMMAND, ID_ITEM_RENAME + index, 0);
        EXPECT_TRUE(driver.acted && FileExists(at + renamed + L".lnk")) << r;
    }
    RebuildTrayIcons();
    ASSERT_EQ(CurrentShortcutTable.nCount, int(count));
    for (int index = 0; index < int(count); ++index) {
        const std::wstring name = CurrentShortcutTable.pEntries[index].szName;
        DialogDriver confirm([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDYES, 0); });
        SendMessageW(TrayWindow, WM_COMMAND, ID_ITEM_DELETE + index, 0);
        EXPECT_TRUE(confirm.acted && !FileExists(at + name + L".lnk")) << index;
        EXPECT_TRUE(FileExists(bin + L"\\files\\" + name + L".lnk")) << index;
        DeleteFileW((bin + L"\\files\\" + name + L".lnk").c_str());  // and its record, so a repeat finds the name free
        DeleteFileW((bin + L"\\info\\" + name + L".lnk.trashinfo").c_str());
    }
}

// Options, About, Rename and the new-shortcut dialog open on the monitor that holds the pointer,
// and their owner, created off every screen, lies on a monitor then too. A tray click
// while one of them runs modal brings it to the front, not the window just above the owner.
TEST_F(ProgramTest, DialogsOpenWhereTheUserLooks) {
    AddShortcut("Platz");
    RebuildTrayIcons();
    for (UINT command : {ID_OPTIONS, ID_ABOUT, ID_ITEM_RENAME, 0u}) {  // 0: the new-shortcut dialog
        DialogDriver driver([&](HWND dialog) {
            POINT pointer;
            GetCursorPos(&pointer);
            EXPECT_EQ(MonitorFromWindow(dialog, MONITOR_DEFAULTTONULL), MonitorFromPoint(pointer, MONITOR_DEFAULTTONULL))
                << command;
            EXPECT_NE(MonitorFromWindow(GetAncestor(dialog, GA_ROOTOWNER), MONITOR_DEFAULTTONULL), nullptr) << command;
            if (ModalBusy) {  // another program's window just above the owner, in front
                HWND other = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, nullptr);
                SetWindowPos(TrayWindow, other, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                SetForegroundWindow(other);
                SendMessageA(TrayWindow, WM_USER, IconId("Platz"), WM_LBUTTONDOWN);
                EXPECT_EQ(GetForegroundWindow(), dialog) << command;
                DestroyWindow(other);
            }
            Press(dialog, IDCANCEL);
        });
        command ? void(SendMessageA(TrayWindow, WM_COMMAND, command, 0)) : void(RunNewLinkDialog());
        EXPECT_TRUE(driver.acted) << command;
    }
}
