// The Desktop's items at the top of the tray popup, built from the session's
// real Desktop folder, through the tray window as the popup's menu reaches it.
#include "support/support.h"

#include "app/app.h"
#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"

// A system colour as a pixel of a picture.
static DWORD Pixel(int color) {
    const COLORREF c = GetSysColor(color);
    return RGB(GetBValue(c), GetGValue(c), GetRValue(c));
}

// The program with the Desktop menu on, over the session's Desktop, which belongs to the tests:
// emptied before and after each test, however an earlier one ended.
class DesktopMenu : public ProgramTest {
protected:
    void SetUp() override {
        EmptyFolder(desk);
        ProgramTest::SetUp();
        lstrcpyA(Settings.szDesktopMenu, "Ja");
    }
    void TearDown() override {
        ClearDesktopMenu(TrayPopup);
        EmptyFolder(desk);
        ProgramTest::TearDown();
    }
    void Place(const Texts& folders) {
        for (const std::wstring& name : folders) CreateDirectoryW((Wide(desk) + L"\\" + name).c_str(), nullptr);
    }
    // The menu's WM_INITMENUPOPUP as the popup opens.
    void Open() { SendMessageW(TrayWindow, WM_INITMENUPOPUP, WPARAM(TrayPopup), 0); }
    // The popup top down as the user reads it: a Desktop item (id = position + 1) by the label
    // drawn for it, any other item by its text ("" for a separator).
    Texts Shown() {
        Texts shown;
        for (int position = 0; position < GetMenuItemCount(TrayPopup); ++position) {
            WCHAR text[64] = {};
            GetMenuStringW(TrayPopup, UINT(position), text, 64, MF_BYPOSITION);
            const bool desktopItem = GetMenuItemID(TrayPopup, position) == UINT(position + 1);
            shown.push_back(desktopItem ? CurrentDesktopTable.aEntries[position].szLabel : text);
        }
        return shown;
    }
    const std::string desk = std::string(getenv("USERPROFILE")) + "\\Desktop";
    const int dpi = atoi(getenv("SESSION_DPI"));
};

// An empty Desktop shows as such. Items come in label order, compared as the user reads them (by
// character codes "Zoo" would come first and "Ärger" last), names of 28 characters or more cut to
// 28 and "..."; when the popup closes they go, and the popup's own items stay. At most 28 items.
TEST_F(DesktopMenu, ItemsInLabelOrderCutAt28Characters) {
    Open();
    EXPECT_EQ(Shown(), (Texts{L" (Leer)", L"", L"???", L"", L"Ombrix+"})) << "an empty Desktop";
    ClearDesktopMenu(TrayPopup);
    const std::wstring a27(27, L'a');
    const std::wstring b28(28, L'b');
    const std::wstring c28(28, L'c');
    Place({L"Zoo", L"\u00C4rger", L"_x", b28, a27, c28 + L"ccc", L"\u0141\u00F3d\u017A"});
    Open();
    EXPECT_EQ(Shown(), (Texts{L"_x", a27, L"\u00C4rger", b28 + L"...", c28 + L"...", L"\u0141\u00F3d\u017A", L"Zoo", L"",
                              L"???", L"", L"Ombrix+"}));
    ClearDesktopMenu(TrayPopup);
    EXPECT_EQ(Shown(), (Texts{L"???", L"", L"Ombrix+"}));
    for (int i = 0; i < 30; ++i) Place({L"Ordner " + std::to_wstring(i)});
    Open();
    EXPECT_EQ(Shown().size(), 28u + 4) << "at most 28 items";
}

// The item chosen opens, and no other, although its command arrives after the popup closed.
TEST_F(DesktopMenu, TheChosenItemOpens) {
    for (const std::string name : {"Anna", "Berta", "Cesar"})  // each a shortcut that counts its starts in Runs(name)
        ASSERT_TRUE(MakeShortcut(desk + "\\" + name + ".lnk", ToolsFolder() + "\\marker.exe", "\"" + Marker(name) + "\""));
    AddShortcut("Leiste");
    RebuildTrayIcons();
    SendMessageW(TrayWindow, WM_TRAYMENU, IconId("Leiste"), 0);
    ASSERT_EQ(popups.size(), 1u) << "the popup opened and closed";
    SendMessageW(TrayWindow, WM_COMMAND, 2, 0);  // the second item
    FinishStarts();
    EXPECT_EQ(Runs("Berta"), 1);
    EXPECT_EQ(Runs("Anna") + Runs("Cesar"), 0) << "another item opened";
}

// At the display's scaling, which the manifest lets the program see unstretched, the tray icons'
// pictures, marked and plain, have the display's small icon size.
TEST_F(DesktopMenu, TrayPicturesFollowTheDisplaysScaling) {
    ASSERT_TRUE(IsProcessDPIAware() && GetSystemMetrics(SM_CXSMICON) == MulDiv(16, dpi, 96));
    AddShortcut("Bild");
    RebuildTrayIcons();
    for (const char* marks : {"Ja", "Nein"}) {
        lstrcpyA(Settings.szMarkLinks, marks);
        RefreshTrayMarks();
        EXPECT_EQ(IconWidth(tray.At(0).icon), GetSystemMetrics(SM_CXSMICON)) << marks;
    }
}

// Built for the DPI of the monitor the popup opens on, whatever the system's: an item is as high
// as that DPI's small icon and its padding, its icon drawn that large left of its label, which
// grows with the font. An item shows on the menu's colour with its label in the menu's text
// colour; selected, on the highlight colour with its label in the highlighted text colour.
TEST_F(DesktopMenu, ItemsAreMeasuredAndDrawnForTheMonitorsDpi) {
    ASSERT_NE(GetSysColor(COLOR_MENU), GetSysColor(COLOR_HIGHLIGHT));
    Place({L"Ordner"});
    const struct { UINT dpi, state; int height, iconAtLeast, labelFrom, background, text; } rows[] = {
        {96, 0, 19, 11, 24, COLOR_MENU, COLOR_MENUTEXT},
        {144, ODS_SELECTED, 28, 17, 36, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
        {192, 0, 38, 22, 48, COLOR_MENU, COLOR_MENUTEXT}};
    UINT lastWidth = 0;
    for (const auto& row : rows) {
        BuildDesktopMenu(TrayPopup, 0, row.dpi);
        MEASUREITEMSTRUCT size = {ODT_MENU, 0, 1, 0, 0, 0};
        SendMessageW(TrayWindow, WM_MEASUREITEM, 0, LPARAM(&size));
        EXPECT_GE(int(size.itemHeight), row.height) << row.dpi;
        EXPECT_GT(size.itemWidth, lastWidth) << row.dpi;
        const int w = int(size.itemWidth);
        const int h = int(size.itemHeight);
        const Picture item = Drawn(w, h, [&](HDC dc) {
            const DRAWITEMSTRUCT draw = {ODT_MENU, 0, 1, ODA_DRAWENTIRE, row.state, nullptr, dc, {0, 0, w, h}, 0};
            SendMessageW(TrayWindow, WM_DRAWITEM, 0, LPARAM(&draw));
        });
        int left = w;  // the columns of the icon: left of the label, not the background
        int right = -1;
        int label = 0;  // pixels of the text colour in the label
        for (size_t i = 0; i < item.size(); ++i) {
            const int x = int(i % size_t(w));
            if (x < row.labelFrom && item[i] != Pixel(row.background)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
            if (x >= row.labelFrom && item[i] == Pixel(row.text)) ++label;
        }
        EXPECT_EQ(item[0], Pixel(row.background)) << row.dpi;
        EXPECT_GE(right - left + 1, row.iconAtLeast) << row.dpi;
        EXPECT_GT(label, 0) << row.dpi;
        lastWidth = size.itemWidth;
        ClearDesktopMenu(TrayPopup);
    }
}

// A hundred openings, each drawing an item, leave no font or icon behind (the first creates what
// the system keeps for good).
TEST_F(DesktopMenu, OpeningAHundredTimesLeavesNothingBehind) {
    Place({L"Zoo", L"\u00C4rger", L"_x"});
    ObjectCounts before = {};
    for (int i = 0; i <= 100 && !HasFailure(); ++i) {
        if (i == 1) before = ReadOwnObjectCounts();
        Open();
        EXPECT_EQ(Shown().size(), 3u + 4);
        MEASUREITEMSTRUCT size = {ODT_MENU, 0, 1, 0, 0, 0};
        SendMessageW(TrayWindow, WM_MEASUREITEM, 0, LPARAM(&size));
        Drawn(100, 24, [](HDC dc) {
            const DRAWITEMSTRUCT draw = {ODT_MENU, 0, 1, ODA_DRAWENTIRE, ODS_SELECTED, nullptr, dc, {0, 0, 100, 24}, 0};
            SendMessageW(TrayWindow, WM_DRAWITEM, 0, LPARAM(&draw));
        });
        ClearDesktopMenu(TrayPopup);
    }
    EXPECT_EQ(ReadOwnObjectCounts().gdiObjects, before.gdiObjects) << "fonts or icons left behind";
}

// A typed letter selects the next Desktop item whose label starts with it, case ignored, after
// the highlighted one and round again: the owner-drawn items have no text the menu could match.
TEST_F(DesktopMenu, ATypedLetterSelectsTheNextItemStartingWithIt) {
    Place({L"Zoo", L"zebra", L"\u00C4rger", L"Xylophon"});  // in label order: Ärger, Xylophon, zebra, Zoo
    Open();
    // The window's answer to the letter; the item it selects is highlighted, as the menu does.
    auto type = [](WCHAR letter) {
        const LRESULT answer = SendMessageW(TrayWindow, WM_MENUCHAR, MAKEWPARAM(letter, MF_POPUP), LPARAM(TrayPopup));
        for (UINT position = 0; position < 4; ++position) {
            MENUITEMINFOW state = {};
            state.cbSize = sizeof state;
            state.fMask = MIIM_STATE;
            state.fState = HIWORD(answer) == MNC_SELECT && position == LOWORD(answer) ? MFS_HILITE : 0;
            SetMenuItemInfoW(TrayPopup, position, TRUE, &state);
        }
        return answer;
    };
    EXPECT_EQ(type(L'z'), MAKELRESULT(2, MNC_SELECT)) << "zebra";
    EXPECT_EQ(type(L'Z'), MAKELRESULT(3, MNC_SELECT)) << "Zoo";
    EXPECT_EQ(type(L'z'), MAKELRESULT(2, MNC_SELECT)) << "zebra again";
    EXPECT_EQ(type(L'\u00E4'), MAKELRESULT(0, MNC_SELECT)) << "Aerger";
    EXPECT_EQ(type(L'q'), MNC_IGNORE) << "none";
}
