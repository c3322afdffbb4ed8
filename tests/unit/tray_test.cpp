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
    const DWORD always = SLR_NO_UI | SLR_NOSEARCH | SLR_NOTRACK;
    EXPECT_EQ(ScanResolveFlags & (always | SLR_UPDATE), always);
    EXPECT_GT(ScanResolveFlags >> 16, 0u);
}

// A shortcut whose icon the shell refuses is told once and keeps its place; later scans
// leave the other icons alone. A scan that ends after the program was closed adds no icon.
TEST_F(ProgramTest, RefusedIconIsToldOnce) {
    for (const char* name : {"Alpha", "Bravo"}) AddShortcut(name);
    tray.refuse = [](DWORD message, UINT id) { return message == NIM_ADD && id == 1001; };
    Rebuild();
    int calls = tray.calls;
    RebuildTrayIcons();
    EXPECT_EQ(tray.calls, calls);
    AddShortcut("Charlie");
    Rebuild();
    EXPECT_EQ(boxes.texts, Names{"Hinzuf\xFCgen von 'Bravo' in die Task-Leiste fehlgeschlagen."});
    EXPECT_EQ(tray.shown[1002].tip, "Charlie - Ombrix+");
    SendMessageA(TrayWindow, WM_CLOSE, 0, 0);
    Rebuild();
    EXPECT_TRUE(tray.shown.empty());
}

// Before the taskbar exists (no taskbar window, or the shell does not answer in time) the
// icons wait for it without a message or an exit, and come when it does.
TEST_F(ProgramTest, IconsWaitForTheTaskbar) {
    RegisterTaskbarCreatedMessage();
    for (const char* name : {"Alpha", "Bravo"}) AddShortcut(name);
    const std::pair<const char*, DWORD> rows[] = {{"Shell_TrayWnd", ERROR_TIMEOUT}, {"Ombrix+ Ohne Leiste", 0}};
    for (const auto& [taskbar, error] : rows) {
        TaskbarWindowClass = taskbar;
        tray.refuse = [error = error](DWORD message, UINT) { SetLastError(error); return message == NIM_ADD; };
        Rebuild();
        EXPECT_EQ(boxes.texts, Names{}) << taskbar;
        EXPECT_FALSE(ClosePosted());
        tray.refuse = nullptr;
        SendMessageA(TrayWindow, TaskbarCreatedMessage, 0, 0);
        EXPECT_EQ(tray.Tips(), (Names{"Alpha - Ombrix+", "Bravo - Ombrix+"}));
        RemoveTrayIcons();
    }
    TaskbarWindowClass = "Shell_TrayWnd";
}

// The wizard offered for an empty folder ends without a shortcut: the program ends too.
TEST_F(ProgramTest, WizardEndingWithoutAShortcutEndsTheProgram) {
    Rebuild();
    HWND wizard = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (wizard = FindWindowA("#32770", "Neue Verkn\xFCpfung")) != nullptr; }));
    PostMessageA(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(PumpUntil([] { return !IsWindow(TrayWindow); }));
}
