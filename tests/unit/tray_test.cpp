#include "app/app.h"
#include "app/settings.h"
#include "support/support.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"

// Every icon has a picture, with or without the shell's marking, also where the shortcut's
// icon file is gone; resolving a target for its picture never shows a dialog nor searches
// (the bench's shell never does either way, so the flags are checked).
TEST_F(ProgramTest, EveryIconHasAPicture) {
    ASSERT_TRUE(MakeShortcut(Link("Verschwunden"), "C:\\nirgends\\weg.exe", "", "C:\\nirgends\\weg.exe"));
    lstrcpyA(Settings.szMarkLinks, "Nein");
    Rebuild();
    EXPECT_NE(tray.shown[1000].icon, nullptr);
    EXPECT_EQ(ScanResolveFlags & (SLR_NO_UI | SLR_NOSEARCH | SLR_NOTRACK | SLR_UPDATE), SLR_NO_UI | SLR_NOSEARCH | SLR_NOTRACK);
    EXPECT_GT(ScanResolveFlags >> 16, 0u);
}
