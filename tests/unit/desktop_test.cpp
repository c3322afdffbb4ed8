// The Desktop's items at the top of the tray popup, built from the session's
// real Desktop folder, which the test leaves as empty as it found it.
#include "support/support.h"

#include "desktopmenu/desktopmenu.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"

// The tray popup top down, opened first when asked: a Desktop item (id = position + 1) by its slot's label,
// any other by its text; "~" marks a grayed item (as separators are).
Names Shown(bool open = false) {
    if (open) BuildDesktopMenu(TrayPopup, 0);
    Names shown(GetMenuItemCount(TrayPopup), std::string(64, '\0'));
    for (UINT i = 0; i < shown.size(); ++i) {
        shown[i].resize(GetMenuStringA(TrayPopup, i, &shown[i][0], 64, MF_BYPOSITION));
        if (GetMenuItemID(TrayPopup, i) == i + 1) shown[i] = CurrentDesktopTable.aEntries[i].szLabel;
        if (GetMenuState(TrayPopup, i, MF_BYPOSITION) & MF_GRAYED) shown[i] += "~";
    }
    return shown;
}

TEST_F(ProgramTest, DesktopItemsInLabelOrderAtMost28OpenedAfterThePopupClosedNothingLeftBehind) {
    const std::string desk = std::string(getenv("USERPROFILE")) + "\\Desktop", a(27, 'a'), b(28, 'b'), c(28, 'c');
    ASSERT_EQ(Shown(true), (Names{" (Leer)~", "~", "???", "~", "Ombrix+"})) << "the session's Desktop must start empty";
    // The session's display scaling, which the manifest lets the program see unstretched; items grow with it.
    const int dpi = atoi(getenv("SESSION_DPI"));
    const int least = GetSystemMetrics(SM_CYSMICON) + MulDiv(kDesktopIconPad, dpi, 96);
    ASSERT_TRUE(IsProcessDPIAware() && GetSystemMetrics(SM_CXSMICON) == MulDiv(16, dpi, 96));
    AddShortcut("Bild");  // the tray icons' pictures too
    RebuildTrayIcons();
    for (HICON icon : {CurrentShortcutTable.pEntries[0].hOverlayIcon, CurrentShortcutTable.pEntries[0].hPlainIcon}) {
        ICONINFO info = {};
        BITMAP mask = {};
        EXPECT_TRUE(GetIconInfo(icon, &info) && GetObjectA(info.hbmMask, sizeof mask, &mask));
        EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXSMICON));
        DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
    }
    // By character codes "Zoo" would come first and "Ärger" last.
    for (const std::string& name : Names{"Zoo", "\xC4rger", "_x", b, a, c + "ccc"})
        CreateDirectoryA((desk + "\\" + name).c_str(), nullptr);
    ObjectCounts before = {};
    for (int i = 0; i <= 100 && !HasFailure(); ++i) {
        if (i == 1) before = ReadOwnObjectCounts();  // the first opening creates what the system keeps for good
        EXPECT_EQ(Shown(true), (Names{"_x", a, "\xC4rger", b + "...", c + "...", "Zoo", "~", "???", "~", "Ombrix+"}));
        MEASUREITEMSTRUCT size = {ODT_MENU, 0, 1, 0, 0, 0};
        EXPECT_TRUE(MeasureDesktopItem(&size) && int(size.itemHeight) >= least);
        ClearDesktopMenu(TrayPopup);
        EXPECT_EQ(Shown(), (Names{"???", "~", "Ombrix+"})) << "the popup's own items stay";
    }
    EXPECT_EQ(ReadOwnObjectCounts().gdiObjects, before.gdiObjects) << "fonts or icons left behind";
    for (int i = 6; i < 30; ++i)  // shortcuts that come after the folders in label order
        MakeShortcut(desk + "\\zz" + std::to_string(i) + ".lnk", ToolsFolder() + "\\marker.exe", Marker("zz"));
    EXPECT_EQ(Shown(true).size(), 28u + 4) << "at most 28 Desktop items";
    ClearDesktopMenu(TrayPopup);
    LaunchDesktopItem(28);  // the popup's command arrives after it closed
    EXPECT_TRUE(PumpUntil([&] { return Runs("zz") == 1; }));
    for (const std::string& n : FolderNames(desk)) DeleteFileA((desk + "\\" + n).c_str()), RemoveTree(desk + "\\" + n);
}
