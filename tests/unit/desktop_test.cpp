// The Desktop's items at the top of the tray popup, built from the session's
// real Desktop folder, which each test leaves as it found it.
#include "support/support.h"

#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"

// The tray popup top down, opened first when asked: a Desktop item (id = position + 1) by its slot's label,
// any other by its text; "~" marks a grayed item (as separators are).
static Names Shown(bool open = false) {
    if (open) BuildDesktopMenu(TrayPopup, 0, atoi(getenv("SESSION_DPI")));
    Names shown(GetMenuItemCount(TrayPopup), std::string(64, '\0'));
    for (UINT i = 0; i < shown.size(); ++i) {
        shown[i].resize(GetMenuStringA(TrayPopup, i, &shown[i][0], 64, MF_BYPOSITION));
        if (GetMenuItemID(TrayPopup, i) == i + 1) shown[i] = Narrow(CurrentDesktopTable.aEntries[i].szLabel);
        if (GetMenuState(TrayPopup, i, MF_BYPOSITION) & MF_GRAYED) shown[i] += "~";
    }
    return shown;
}

// A system colour as a pixel of a picture.
static DWORD Pixel(int color) {
    const COLORREF c = GetSysColor(color);
    return RGB(GetBValue(c), GetGValue(c), GetRValue(c));
}

// The program over the session's Desktop, which belongs to the tests: it must start empty, and
// is emptied again however a test ends.
class DesktopMenu : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_EQ(Shown(true), (Names{" (Leer)~", "~", "???", "~", "Ombrix+"})) << "the session's Desktop must start empty";
        ClearDesktopMenu(TrayPopup);
    }
    void TearDown() override {
        ClearDesktopMenu(TrayPopup);
        for (const std::string& name : FolderNames(desk)) {
            DeleteFileA((desk + "\\" + name).c_str());
            RemoveTree(desk + "\\" + name);
        }
        ProgramTest::TearDown();
    }
    void Place(const Names& folders) {
        for (const std::string& name : folders) CreateDirectoryA((desk + "\\" + name).c_str(), nullptr);
    }
    const std::string desk = std::string(getenv("USERPROFILE")) + "\\Desktop";
    const int dpi = atoi(getenv("SESSION_DPI"));
};

// Items come in label order, compared as the user reads them (by character codes "Zoo" would come
// first and "Ärger" last), names of 28 characters or more cut to 28 and "..."; when the popup
// closes they go, and the popup's own items stay.
TEST_F(DesktopMenu, ItemsInLabelOrderCutAt28Characters) {
    const std::string a(27, 'a'), b(28, 'b'), c(28, 'c');
    Place({"Zoo", "\xC4rger", "_x", b, a, c + "ccc"});
    EXPECT_EQ(Shown(true), (Names{"_x", a, "\xC4rger", b + "...", c + "...", "Zoo", "~", "???", "~", "Ombrix+"}));
    ClearDesktopMenu(TrayPopup);
    EXPECT_EQ(Shown(), (Names{"???", "~", "Ombrix+"}));
}

// At most 28 Desktop items; the one chosen opens, although its command arrives after the popup closed.
TEST_F(DesktopMenu, AtMost28ItemsAndTheChosenOneOpens) {
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(MakeShortcut(desk + "\\zz" + std::to_string(i) + ".lnk", ToolsFolder() + "\\marker.exe", Marker("zz")));
    EXPECT_EQ(Shown(true).size(), 28u + 4);
    ClearDesktopMenu(TrayPopup);
    LaunchDesktopItem(28);
    FinishStarts();
    EXPECT_EQ(Runs("zz"), 1);
}

// At the display's scaling, which the manifest lets the program see unstretched, the tray icons'
// pictures, marked and plain, have the display's small icon size, and Desktop items are at least
// as high as it and its scaled padding.
TEST_F(DesktopMenu, PicturesAndItemsFollowTheDisplaysScaling) {
    ASSERT_TRUE(IsProcessDPIAware() && GetSystemMetrics(SM_CXSMICON) == MulDiv(16, dpi, 96));
    AddShortcut("Bild");
    RebuildTrayIcons();
    for (const char* marks : {"Ja", "Nein"}) {
        lstrcpyA(Settings.szMarkLinks, marks);
        RefreshTrayMarks();
        EXPECT_EQ(IconWidth(tray.At(0).icon), GetSystemMetrics(SM_CXSMICON)) << marks;
    }
    Place({"Ordner"});
    Shown(true);
    MEASUREITEMSTRUCT size = {ODT_MENU, 0, 1, 0, 0, 0};
    EXPECT_TRUE(MeasureDesktopItem(&size));
    EXPECT_GE(int(size.itemHeight), GetSystemMetrics(SM_CYSMICON) + MulDiv(kDesktopIconPad, dpi, 96));
}

// Built for the DPI of the monitor the popup opens on, whatever the system's: an item is as high
// as that DPI's small icon and its padding, its icon drawn that large left of its label, which
// grows with the font.
TEST_F(DesktopMenu, ItemsAreMeasuredAndDrawnForTheMonitorsDpi) {
    Place({"Ordner"});
    const struct { UINT dpi; int height, iconAtLeast, labelFrom; } rows[] = {
        {96, 19, 11, 24}, {144, 28, 17, 36}, {192, 38, 22, 48}};
    UINT lastWidth = 0;
    for (const auto& row : rows) {
        BuildDesktopMenu(TrayPopup, 0, row.dpi);
        MEASUREITEMSTRUCT size = {ODT_MENU, 0, 1, 0, 0, 0};
        EXPECT_TRUE(MeasureDesktopItem(&size));
        EXPECT_GE(int(size.itemHeight), row.height) << row.dpi;
        EXPECT_GT(size.itemWidth, lastWidth) << row.dpi;
        const int w = int(size.itemWidth), h = int(size.itemHeight);
        const Picture item = Drawn(w, h, [&](HDC dc) {
            const DRAWITEMSTRUCT draw = {ODT_MENU, 0, 1, ODA_DRAWENTIRE, 0, nullptr, dc, {0, 0, w, h}, 0};
            DrawDesktopItem(&draw);
        });
        int left = w, right = -1;  // the columns of the icon: left of the label, not the menu's colour
        for (size_t i = 0; i < item.size(); ++i) {
            const int x = int(i % size_t(w));
            if (x < row.labelFrom && item[i] != Pixel(COLOR_MENU)) left = std::min(left, x), right = std::max(right, x);
        }
        EXPECT_GE(right - left + 1, row.iconAtLeast) << row.dpi;
        lastWidth = size.itemWidth;
        ClearDesktopMenu(TrayPopup);
    }
}

// An item shows on the menu's colour with its label in the menu's text colour; selected, on the
// highlight colour with its label in the highlighted text colour.
TEST_F(DesktopMenu, ASelectedItemIsDrawnHighlighted) {
    ASSERT_NE(GetSysColor(COLOR_MENU), GetSysColor(COLOR_HIGHLIGHT));
    Place({"Ordner"});
    Shown(true);
    const int w = 100, h = 24;
    const struct { UINT state; int background, text; } rows[] = {
        {0, COLOR_MENU, COLOR_MENUTEXT}, {ODS_SELECTED, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT}};
    for (const auto& row : rows) {
        const Picture item = Drawn(w, h, [&](HDC dc) {
            const DRAWITEMSTRUCT draw = {ODT_MENU, 0, 1, ODA_DRAWENTIRE, row.state, nullptr, dc, {0, 0, w, h}, 0};
            DrawDesktopItem(&draw);
        });
        int label = 0;  // pixels of the text colour right of the icon
        for (size_t i = 0; i < item.size(); ++i) {
            if (int(i % w) > w / 2 && item[i] == Pixel(row.text)) ++label;
        }
        EXPECT_EQ(item[0], Pixel(row.background)) << row.state;
        EXPECT_GT(label, 0) << row.state;
    }
}

// A hundred openings, each drawing an item, leave no font or icon behind (the first creates what
// the system keeps for good).
TEST_F(DesktopMenu, OpeningAHundredTimesLeavesNothingBehind) {
    Place({"Zoo", "\xC4rger", "_x"});
    ObjectCounts before = {};
    for (int i = 0; i <= 100 && !HasFailure(); ++i) {
        if (i == 1) before = ReadOwnObjectCounts();
        EXPECT_EQ(Shown(true).size(), 3u + 4);
        MEASUREITEMSTRUCT size = {ODT_MENU, 0, 1, 0, 0, 0};
        EXPECT_TRUE(MeasureDesktopItem(&size));
        Drawn(100, 24, [](HDC dc) {
            const DRAWITEMSTRUCT draw = {ODT_MENU, 0, 1, ODA_DRAWENTIRE, ODS_SELECTED, nullptr, dc, {0, 0, 100, 24}, 0};
            DrawDesktopItem(&draw);
        });
        ClearDesktopMenu(TrayPopup);
    }
    EXPECT_EQ(ReadOwnObjectCounts().gdiObjects, before.gdiObjects) << "fonts or icons left behind";
}

// A typed letter selects the next Desktop item whose label starts with it, case ignored, after
// the highlighted one and round again: the owner-drawn items have no text the menu could match.
TEST_F(DesktopMenu, ATypedLetterSelectsTheNextItemStartingWithIt) {
    Place({"Zoo", "zebra", "\xC4rger", "Xylophon"});  // in label order: Ärger, Xylophon, zebra, Zoo
    Shown(true);
    const struct { int highlighted; WCHAR typed; int selected; } rows[] = {
        {-1, L'z', 2}, {2, L'Z', 3}, {3, L'z', 2}, {1, L'\x00E4', 0}};  // ä for Ärger
    for (const auto& row : rows) {
        for (int position = 0; position < 4; ++position) {
            MENUITEMINFOW state = {};
            state.cbSize = sizeof state;
            state.fMask = MIIM_STATE;
            state.fState = position == row.highlighted ? MFS_HILITE : 0;
            SetMenuItemInfoW(TrayPopup, position, TRUE, &state);
        }
        EXPECT_EQ(MatchDesktopMenuChar(MAKEWPARAM(row.typed, MF_POPUP), TrayPopup), MAKELRESULT(row.selected, MNC_SELECT))
            << row.highlighted;
    }
}
