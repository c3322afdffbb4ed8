// The tray popup: its resource, the caption rule, the re-targeted item
// commands and the tracking of the popup.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/app.h"
#include "app/settings.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"
#include "ui_testing.h"

namespace {

std::string MenuText(HMENU menu, UINT position) {
    char text[MAX_PATH] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

struct ItemSpec {
    const char* text;
    UINT id;  // 0: separator
};

void ExpectItems(HMENU menu, const std::vector<ItemSpec>& items, const char* which) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(items.size())) << which;
    for (UINT i = 0; i < items.size(); ++i) {
        if (items[i].id == 0) {
            EXPECT_EQ(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR))
                << which << " position " << i;
            continue;
        }
        EXPECT_EQ(MenuText(menu, i), items[i].text) << which << " position " << i;
        EXPECT_EQ(GetMenuItemID(menu, i), items[i].id) << which << " position " << i;
        EXPECT_EQ(GetSubMenu(menu, i), nullptr) << which << " position " << i;
    }
}

// Runs act once on the open popup (the menu window "#32768") from a timer of
// the menu's own loop.
class MenuDriver {
public:
    explicit MenuDriver(std::function<void()> act) : act_(std::move(act)) {
        active = this;
        timer_ = SetTimer(nullptr, 0, 100, Tick);
    }
    ~MenuDriver() {
        KillTimer(nullptr, timer_);
        active = nullptr;
    }
    bool acted = false;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (!active || active->acted) return;
        HWND menu = FindWindowA("#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) return;
        active->acted = true;
        active->act_();
    }
    static MenuDriver* active;
    std::function<void()> act_;
    UINT_PTR timer_;
};
MenuDriver* MenuDriver::active;

void PostKey(UINT key) {
    PostMessageA(TrayWindow, WM_KEYDOWN, key, 1);
    PostMessageA(TrayWindow, WM_KEYUP, key, 0xC0000001);
}

}  // namespace

TEST(TrayMenuResource, IsGermanAndNamedInCapitals) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    WORD german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
    EXPECT_EQ(german, 1031);
    EXPECT_NE(FindResourceExA(self, RT_MENU, "OBPMENU", german), nullptr);
    EXPECT_NE(FindResourceExA(self, RT_DIALOG, "OBPRENAME", german), nullptr);
    EXPECT_NE(FindResourceExA(self, RT_GROUP_ICON, MAKEINTRESOURCEA(1801), german), nullptr);
}

class TrayMenuTest : public TrayWindowTest {};

TEST_F(TrayMenuTest, WindowCreationBuildsTheMenuAsLaidOut) {
    ASSERT_EQ(GetMenuItemCount(TrayMenuRoot), 1);
    EXPECT_EQ(MenuText(TrayMenuRoot, 0), "");
    ASSERT_EQ(TrayPopup, GetSubMenu(TrayMenuRoot, 0));
    ASSERT_EQ(GetMenuItemCount(TrayPopup), 3);
    EXPECT_EQ(MenuText(TrayPopup, 0), "???");
    EXPECT_EQ(ItemSubmenu, GetSubMenu(TrayPopup, 0));
    EXPECT_EQ(GetMenuState(TrayPopup, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(MenuText(TrayPopup, 2), "Ombrix+");
    ExpectItems(ItemSubmenu, {{"Ö&ffnen", 500}, {"", 0}, {"&Löschen", 600}, {"&Umbenennen", 700}, {"", 0},
                              {"E&igenschaften", 800}},
                "item submenu");
    ExpectItems(GetSubMenu(TrayPopup, 2), {{"&Optionen...", 130}, {"I&nfo...", 120}, {"", 0}, {"&Hinzufügen", 110},
                                           {"", 0}, {"&Beenden", 100}},
                "program submenu");
    EXPECT_EQ(GetMenuDefaultItem(ItemSubmenu, FALSE, 0), 500u) << "Ö&ffnen is the default item";
}

// The first 28 characters and "..." once a name has 28 or more.
TEST_F(TrayMenuTest, CaptionRule) {
    std::string name27(27, 'a'), name28(28, 'b'), name40 = std::string(28, 'c') + std::string(12, 'd'),
        name259 = std::string(28, 'e') + std::string(231, 'f');
    UseNames({name27, name28, name40, name259, "Kurz & gut"});
    Send(WM_COMMAND, ID_ITEM_SELECT + 0);
    EXPECT_EQ(std::string(ItemCaption), name27);
    Send(WM_COMMAND, ID_ITEM_SELECT + 1);
    EXPECT_EQ(std::string(ItemCaption), name28 + "...");
    Send(WM_COMMAND, ID_ITEM_SELECT + 2);
    EXPECT_EQ(std::string(ItemCaption), std::string(28, 'c') + "...");
    Send(WM_COMMAND, ID_ITEM_SELECT + 3);
    EXPECT_EQ(std::string(ItemCaption), std::string(28, 'e') + "...");
    // After a long name a short one stands alone, its ampersand unchanged.
    Send(WM_COMMAND, ID_ITEM_SELECT + 4);
    EXPECT_EQ(std::string(ItemCaption), "Kurz & gut");
}

// A right-click on icon 1003: the popup shows entry 3's name over the four
// commands of entry 3, and choosing "&Löschen" sends 603.
TEST_F(TrayMenuTest, PopupOfEntryThreeCarriesItsCommands) {
    UseNames({"Editor", "Rechner", "Notizen", "Spiel", "Post"});
    MessageBoxRecorder boxes;
    Send(WM_COMMAND, ID_ITEM_SELECT + 3);

    std::string caption;
    UINT ids[4] = {};
    int popupItems = 0;
    MenuDriver driver([&] {
        caption = MenuText(TrayPopup, 0);
        popupItems = GetMenuItemCount(TrayPopup);
        ids[0] = GetMenuItemID(ItemSubmenu, 0);
        ids[1] = GetMenuItemID(ItemSubmenu, 2);
        ids[2] = GetMenuItemID(ItemSubmenu, 3);
        ids[3] = GetMenuItemID(ItemSubmenu, 5);
        // Down to the name, right into its submenu, down past the separator
        // to "&Löschen", and choose it.
        PostKey(VK_DOWN);
        PostKey(VK_RIGHT);
        PostKey(VK_DOWN);
        PostKey(VK_RETURN);
    });
    EXPECT_EQ(Send(WM_TRAYMENU, ID_TRAYICON + 3, MAKELPARAM(200, 150)), 0);
    ASSERT_TRUE(driver.acted) << "the popup did not open";
    EXPECT_EQ(caption, "Spiel");
    EXPECT_EQ(popupItems, 3);
    EXPECT_EQ(ids[0], 503u);
    EXPECT_EQ(ids[1], 603u);
    EXPECT_EQ(ids[2], 703u);
    EXPECT_EQ(ids[3], 803u);
    EXPECT_EQ(GetMenuDefaultItem(ItemSubmenu, FALSE, 0), 503u) << "the default stays with Ö&ffnen";
    EXPECT_EQ(GetSubMenu(TrayPopup, 0), ItemSubmenu);

    std::vector<MSG> posted = TakePosted();
    std::vector<UINT> commands;
    bool sawNull = false;
    for (const MSG& m : posted) {
        if (m.message == WM_COMMAND) commands.push_back(LOWORD(m.wParam));
        if (m.message == WM_NULL) sawNull = true;
    }
    EXPECT_EQ(commands, std::vector<UINT>{603});
    EXPECT_TRUE(sawNull) << "WM_NULL follows the popup";
}

TEST_F(TrayMenuTest, DismissedPopupSendsNoCommand) {
    UseNames({"Editor", "Rechner"});
    Send(WM_COMMAND, ID_ITEM_SELECT + 1);
    MenuDriver driver([] { EndMenu(); });
    Send(WM_TRAYMENU, ID_TRAYICON + 1, MAKELPARAM(100, 100));
    ASSERT_TRUE(driver.acted);
    for (const MSG& m : TakePosted()) EXPECT_NE(m.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(MenuText(TrayPopup, 0), "Rechner");
    EXPECT_EQ(GetMenuItemCount(TrayPopup), 3);
}

// A popup request for an icon whose entry a rebuild has dropped shows nothing.
TEST_F(TrayMenuTest, NoPopupForAnEntryBeyondTheTable) {
    UseNames({"Editor"});
    MenuDriver driver([] { EndMenu(); });
    Send(WM_TRAYMENU, ID_TRAYICON + 1, MAKELPARAM(100, 100));
    Send(WM_TRAYMENU, 5, MAKELPARAM(100, 100));
    PumpMessages(400);
    EXPECT_FALSE(driver.acted);
    EXPECT_EQ(GetMenuItemID(ItemSubmenu, 0), 500u) << "nothing re-targeted";
}

// Without its menu the window cannot be created, and start-up ends after the message.
TEST(TrayMenuMissing, StopsStartUpWithItsMessage) {
    HINSTANCE noMenu = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(noMenu, nullptr);
    ASSERT_EQ(FindResourceA(noMenu, "OBPMENU", RT_MENU), nullptr);
    MessageBoxRecorder boxes;
    EXPECT_FALSE(InitApplication(noMenu, ""));
    EXPECT_EQ(TrayWindow, nullptr);
    EXPECT_EQ(TrayMenuRoot, nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Fehler beim Erzeugen des Menüs.");
    EXPECT_EQ(boxes.boxes[0].caption, "Ombrix+");
    EXPECT_EQ(boxes.boxes[0].style, static_cast<UINT>(MB_SETFOREGROUND));
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    UnregisterClassA(TrayWindowClass, noMenu);
    AppInstance = GetModuleHandleA(nullptr);
}
