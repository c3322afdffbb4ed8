// Measuring and drawing the owner-drawn Desktop items, and typed characters.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "desktop_support.h"
#include "desktopmenu/desktopmenu.h"
#include "support/testsupport.h"

namespace {

const COLORREF kUntouched = RGB(1, 2, 3);
const COLORREF kIconColour = RGB(255, 0, 0);
const int kLeft = 10, kTop = 5;
// A text height below the icon's 16 + 3 that the session's font has.
const int kSmallText = 14;

// A built list of one item, "Editor", with a red 16 x 16 icon, in a font of
// known height.
class DesktopItemDrawing : public ::testing::Test {
protected:
    // A font whose text is textHeight pixels high; false when the system has none.
    bool FindFont(int textHeight) {
        for (int height = textHeight - 4; height <= textHeight + 4; ++height) {
            font.reset(CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma"));
            if (LabelSize().cy == textHeight) return true;
        }
        return false;
    }
    void UseFont(int textHeight) {
        ASSERT_TRUE(FindFont(textHeight)) << "no font with text " << textHeight << " pixels high";
        CurrentDesktopTable.hMenuFont = static_cast<HFONT>(font.get());
        CurrentDesktopTable.cxSmIcon = 16;
        CurrentDesktopTable.cySmIcon = 16;
        DesktopEntry& entry = CurrentDesktopTable.aEntries[0];
        SetDesktopLabel(entry, "Editor");
        entry.hIcon = SolidIcon(16, kIconColour);
        ASSERT_TRUE(entry.hIcon);
    }
    void TearDown() override {
        CurrentDesktopTable.hMenuFont = nullptr;
        ResetDesktopIcons();
    }
    // The label's extent in the font, measured here independently.
    SIZE LabelSize() {
        Canvas canvas(1, 1, kUntouched);
        SelectedObject selected(canvas.dc(), font.get());
        SIZE size = {};
        GetTextExtentPoint32A(canvas.dc(), "Editor", 6, &size);
        return size;
    }
    MEASUREITEMSTRUCT Measure() {
        MEASUREITEMSTRUCT item = {ODT_MENU, 0, 1, 777, 777, 0};
        EXPECT_TRUE(MeasureDesktopItem(&item));
        return item;
    }
    DRAWITEMSTRUCT DrawItemFor(HDC dc, int width, int height, UINT state) {
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemID = 1;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hDC = dc;
        item.rcItem = RECT{kLeft, kTop, kLeft + width, kTop + height};
        item.itemData = 0;
        return item;
    }

    UniqueGdiObject font;
};

RECT Whole(int width, int height) { return RECT{0, 0, width, height}; }

// Background and text colours of a drawn item; the icon at its place.
void ExpectItemPicture(const Canvas& canvas, const MEASUREITEMSTRUCT& size, COLORREF background, COLORREF text) {
    const int w = static_cast<int>(size.itemWidth), h = static_cast<int>(size.itemHeight);
    const RECT item = {kLeft, kTop, kLeft + w, kTop + h};
    const int iconTop = kTop + (h - 16) / 2;
    const RECT icon = {kLeft + 4, iconTop, kLeft + 20, iconTop + 16};
    const RECT label = {kLeft + 24, kTop, kLeft + w, kTop + h};
    EXPECT_EQ(canvas.Count(icon, kIconColour), 256) << "the icon fills its 16 x 16 place";
    EXPECT_EQ(canvas.Count(item, kIconColour), 256) << "and nothing else is red";
    EXPECT_GT(canvas.Count(label, text), 10) << "the label is drawn in the text colour";
    // The corners and the strip left of the icon are background.
    for (POINT p : {POINT{kLeft, kTop}, POINT{kLeft + w - 1, kTop}, POINT{kLeft, kTop + h - 1},
                    POINT{kLeft + w - 1, kTop + h - 1}, POINT{kLeft + 2, kTop + h / 2}})
        EXPECT_EQ(canvas.Pixel(p.x, p.y), background) << p.x << "," << p.y;
    const RECT leftStrip = {kLeft, kTop, kLeft + 4, kTop + h};
    EXPECT_EQ(canvas.Count(leftStrip, background), 4 * h);
    const int outside = 200 * 60 - w * h;
    EXPECT_EQ(canvas.Count(Whole(200, 60), kUntouched), outside) << "nothing drawn outside the item";
}

}  // namespace

TEST_F(DesktopItemDrawing, SmallFontGivesIconHeightPlusThree) {
    // The session's only font has no 13-pixel size; 12 and 14 stand either side.
    for (int textHeight : {13, 12, 14, 19}) {
        if (!FindFont(textHeight)) continue;
        UseFont(textHeight);
        SIZE label = LabelSize();
        MEASUREITEMSTRUCT item = Measure();
        EXPECT_EQ(item.itemHeight, 19u) << "text " << textHeight;
        EXPECT_EQ(item.itemWidth, static_cast<UINT>(24 + label.cx)) << "text " << textHeight;
    }
    ASSERT_TRUE(FindFont(12) || FindFont(13) || FindFont(14)) << "no small font to measure with";
}

TEST_F(DesktopItemDrawing, TextOnePixelTallerThanIconPlusThreeSetsTheHeight) {
    UseFont(20);
    MEASUREITEMSTRUCT item = Measure();
    EXPECT_EQ(item.itemHeight, 20u);
}

TEST_F(DesktopItemDrawing, TallFontGivesTextHeightWithTheIconCentred) {
    UseFont(30);
    SIZE label = LabelSize();
    ASSERT_GT(label.cy, 19);
    MEASUREITEMSTRUCT size = Measure();
    EXPECT_EQ(size.itemHeight, static_cast<UINT>(label.cy));
    EXPECT_EQ(size.itemWidth, static_cast<UINT>(24 + label.cx));

    Canvas canvas(200, 60, kUntouched);
    DRAWITEMSTRUCT draw = DrawItemFor(canvas.dc(), static_cast<int>(size.itemWidth), label.cy, 0);
    ASSERT_TRUE(DrawDesktopItem(&draw));
    ExpectItemPicture(canvas, size, GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT));
    const int iconTop = kTop + (label.cy - 16) / 2;
    EXPECT_EQ(canvas.Pixel(kLeft + 4, iconTop), kIconColour);
    EXPECT_NE(canvas.Pixel(kLeft + 4, iconTop - 1), kIconColour);
    EXPECT_EQ(canvas.Pixel(kLeft + 19, iconTop + 15), kIconColour);
    EXPECT_NE(canvas.Pixel(kLeft + 19, iconTop + 16), kIconColour);
}

TEST_F(DesktopItemDrawing, SelectedItemIsHighlightedWholeAndRestoredWhenLeft) {
    UseFont(kSmallText);
    MEASUREITEMSTRUCT size = Measure();
    const int w = static_cast<int>(size.itemWidth), h = static_cast<int>(size.itemHeight);
    Canvas canvas(200, 60, kUntouched);
    DRAWITEMSTRUCT selected = DrawItemFor(canvas.dc(), w, h, ODS_SELECTED | ODS_FOCUS);
    ASSERT_TRUE(DrawDesktopItem(&selected));
    ExpectItemPicture(canvas, size, GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT));
    const RECT item = {kLeft, kTop, kLeft + w, kTop + h};
    // Every column of the item, top row and bottom row, carries the highlight.
    const RECT top = {kLeft, kTop, kLeft + w, kTop + 1}, bottom = {kLeft, kTop + h - 1, kLeft + w, kTop + h};
    EXPECT_EQ(canvas.Count(top, GetSysColor(COLOR_HIGHLIGHT)), w);
    EXPECT_EQ(canvas.Count(bottom, GetSysColor(COLOR_HIGHLIGHT)), w);

    DRAWITEMSTRUCT left = DrawItemFor(canvas.dc(), w, h, ODS_GRAYED | ODS_CHECKED);
    ASSERT_TRUE(DrawDesktopItem(&left));
    ExpectItemPicture(canvas, size, GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT));
    EXPECT_EQ(canvas.Count(item, GetSysColor(COLOR_HIGHLIGHT)), 0) << "no highlight is left";
}

TEST_F(DesktopItemDrawing, ItemWithoutAnIconDrawsTheLabelOnly) {
    UseFont(kSmallText);
    CurrentDesktopTable.aEntries[0].hIcon.reset();
    MEASUREITEMSTRUCT size = Measure();
    Canvas canvas(200, 60, kUntouched);
    const int w = static_cast<int>(size.itemWidth), h = static_cast<int>(size.itemHeight);
    DRAWITEMSTRUCT draw = DrawItemFor(canvas.dc(), w, h, 0);
    ASSERT_TRUE(DrawDesktopItem(&draw));
    EXPECT_EQ(canvas.Count(Whole(200, 60), kIconColour), 0);
    EXPECT_GT(canvas.Count(Whole(200, 60), GetSysColor(COLOR_MENUTEXT)), 10);
}

TEST_F(DesktopItemDrawing, WithoutAnOffscreenBitmapItDrawsStraightIntoTheItemDc) {
    UseFont(kSmallText);
    Canvas canvas(200, 60, kUntouched);
    SetTextColor(canvas.dc(), RGB(9, 9, 9));
    SetBkMode(canvas.dc(), OPAQUE);
    // No bitmap of this size can be had, so the picture goes straight to the DC.
    DRAWITEMSTRUCT huge = DrawItemFor(canvas.dc(), 60000, 60000, ODS_SELECTED);
    ASSERT_TRUE(DrawDesktopItem(&huge));
    const RECT inside = {kLeft, kTop, 200, 60};
    EXPECT_EQ(canvas.Count(inside, GetSysColor(COLOR_HIGHLIGHT)), (200 - kLeft) * (60 - kTop));
    EXPECT_EQ(canvas.Count(Whole(200, 60), kUntouched), 200 * 60 - (200 - kLeft) * (60 - kTop));
    EXPECT_EQ(GetTextColor(canvas.dc()), RGB(9, 9, 9)) << "the item DC is left as it was";
    EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);
}

TEST_F(DesktopItemDrawing, GuardsTurnAwayWhatIsNoBuiltDesktopItem) {
    UseFont(kSmallText);
    Canvas canvas(200, 60, kUntouched);
    struct Case {
        UINT type;
        ULONG_PTR data;
    };
    for (Case c : {Case{ODT_MENU, 28}, Case{ODT_MENU, 1000}, Case{ODT_LISTBOX, 0}, Case{ODT_BUTTON, 1}}) {
        MEASUREITEMSTRUCT measure = {c.type, 0, 1, 777, 777, c.data};
        EXPECT_FALSE(MeasureDesktopItem(&measure)) << c.type << "/" << c.data;
        EXPECT_EQ(measure.itemWidth, 777u);
        EXPECT_EQ(measure.itemHeight, 777u);
        DRAWITEMSTRUCT draw = DrawItemFor(canvas.dc(), 100, 20, ODS_SELECTED);
        draw.CtlType = c.type;
        draw.itemData = c.data;
        EXPECT_FALSE(DrawDesktopItem(&draw));
    }
    EXPECT_EQ(canvas.Count(Whole(200, 60), kUntouched), 200 * 60);
}

TEST_F(DesktopItemDrawing, LateMessagesAfterThePopupClosedDoNothing) {
    UseFont(kSmallText);
    TestPopup popup;
    ClearDesktopMenu(popup.get());
    MEASUREITEMSTRUCT measure = {ODT_MENU, 0, 1, 777, 777, 0};
    EXPECT_FALSE(MeasureDesktopItem(&measure));
    EXPECT_EQ(measure.itemHeight, 777u);
    Canvas canvas(200, 60, kUntouched);
    DRAWITEMSTRUCT draw = DrawItemFor(canvas.dc(), 100, 20, ODS_SELECTED);
    EXPECT_FALSE(DrawDesktopItem(&draw));
    EXPECT_EQ(canvas.Count(Whole(200, 60), kUntouched), 200 * 60);
}

TEST(DesktopMenuChar, FirstItemWhoseTextStartsWithTheCharacterIsSelected) {
    UniqueMenu menu(CreatePopupMenu());
    HMENU m = menu.get();
    AppendMenuA(m, MF_OWNERDRAW, 1, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(0)));
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, 500, "Editor");
    AppendMenuA(m, MF_STRING, 501, "&\xD6" "ffnen");
    AppendMenuA(m, MF_STRING, 502, "Ombrix+");
    AppendMenuA(m, MF_STRING, 503, "Eins");
    AppendMenuA(m, MF_STRING, 504, "\xDC" "bersicht");
    AppendMenuA(m, MF_STRING, 505, "O");

    EXPECT_EQ(MatchDesktopMenuChar('E', m), 0x30002) << "the first of two";
    EXPECT_EQ(MatchDesktopMenuChar(MAKEWPARAM('O', MF_POPUP), m), 0x30004) << "the menu flag does not count";
    EXPECT_EQ(MatchDesktopMenuChar('&', m), 0x30003) << "the text as the menu holds it";
    EXPECT_EQ(MatchDesktopMenuChar(0xDC, m), 0x30006) << "Windows-1252 characters byte for byte";
    EXPECT_EQ(MatchDesktopMenuChar('e', m), 0) << "case counts";
    EXPECT_EQ(MatchDesktopMenuChar(0xD6, m), 0);
    EXPECT_EQ(MatchDesktopMenuChar('x', m), 0);
    EXPECT_EQ(MatchDesktopMenuChar(0, m), 0) << "items without text never match";
    EXPECT_EQ(MatchDesktopMenuChar('E', nullptr), 0);
}

TEST(DesktopMenuCycles, HundredOpeningsLeaveNoGdiObjectsOrIconsBehind) {
    ASSERT_TRUE(DesktopNamesInSearchOrder().empty()) << "the session's Desktop must start empty";
    DesktopItems items;
    items.AddFile("notiz.txt");
    items.AddFolder("Ordner");
    items.AddShortcut("Markierer.lnk", ToolsFolder() + "\\marker.exe", "unused");
    TestPopup popup;
    Canvas canvas(300, 40, kUntouched);
    auto cycle = [&](bool checkIcons) {
        BuildDesktopMenu(popup.get(), 0);
        ASSERT_EQ(GetMenuItemCount(popup.get()), 7);
        HICON icons[3];
        for (ULONG_PTR slot = 0; slot < 3; ++slot) {
            MEASUREITEMSTRUCT measure = {ODT_MENU, 0, static_cast<UINT>(slot + 1), 0, 0, slot};
            ASSERT_TRUE(MeasureDesktopItem(&measure));
            DRAWITEMSTRUCT draw = {};
            draw.CtlType = ODT_MENU;
            draw.itemState = slot == 1 ? ODS_SELECTED : 0;
            draw.hDC = canvas.dc();
            draw.rcItem = RECT{0, 0, static_cast<LONG>(measure.itemWidth), static_cast<LONG>(measure.itemHeight)};
            draw.itemData = slot;
            ASSERT_TRUE(DrawDesktopItem(&draw));
            icons[slot] = CurrentDesktopTable.aEntries[slot].hIcon.get();
            ASSERT_NE(icons[slot], nullptr);
        }
        ClearDesktopMenu(popup.get());
        if (!checkIcons) return;
        for (HICON icon : icons) {
            ICONINFO info = {};
            ASSERT_FALSE(GetIconInfo(icon, &info)) << "an icon outlived the popup";
        }
    };
    cycle(false);  // the first opening creates what the system keeps for good
    const int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 100; ++i) {
        cycle(true);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(CountGdiObjects(), before);
}
