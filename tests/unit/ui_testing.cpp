#include "ui_testing.h"

#include <cstdlib>

#include "app/app.h"
#include "app/settings.h"
#include "app/text.h"
#include "tray/shortcuts.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"

namespace {

void SetOption(char* option, size_t size, const char* value) {
    lstrcpynA(option, value, static_cast<int>(size));
}

void FreeTestTable() {
    if (CurrentShortcutTable.hMem) {
        LocalUnlock(CurrentShortcutTable.hMem);
        LocalFree(CurrentShortcutTable.hMem);
    }
    CurrentShortcutTable = ShortcutTable{};
}

// A table laid out as the scan lays it out: one locked, zero-filled block.
void AllocateTestTable(size_t count) {
    FreeTestTable();
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (count ? count : 1) * sizeof(ShortcutEntry));
    ASSERT_NE(block, nullptr);
    CurrentShortcutTable.hMem = block;
    CurrentShortcutTable.pEntries = static_cast<ShortcutEntry*>(LocalLock(block));
    CurrentShortcutTable.nCount = static_cast<int>(count);
}

}  // namespace

void TrayWindowTest::SetUp() {
    folder = std::make_unique<TempFolder>("Leiste");
    CopyText(ProgramFolder, folder->path().c_str());
    SetOption(Settings.szClickMode, sizeof Settings.szClickMode, "Doppelklick");
    SetOption(Settings.szDesktopMenu, sizeof Settings.szDesktopMenu, "Nein");
    SetOption(Settings.szCompanion, sizeof Settings.szCompanion, "Nein");
    ModalBusy = 0;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    AppInstance = instance;
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, TrayWindowClass, &wc)) {
        ASSERT_TRUE(RegisterTrayWindowClass(instance));
    }
    ASSERT_NE(CreateTrayWindow(instance), nullptr);
    ASSERT_NE(TrayMenuRoot, nullptr);
}

void TrayWindowTest::TearDown() {
    if (TrayMenuRoot) DestroyMenu(TrayMenuRoot);
    TrayMenuRoot = TrayPopup = ItemSubmenu = nullptr;
    if (TrayWindow) DestroyWindow(TrayWindow);
    TrayWindow = nullptr;
    // WM_DESTROY posted a quit message; a later modal loop must not see it.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    FreeTestTable();
    ItemCaption[0] = '\0';
    ModalBusy = 0;
    folder.reset();
}

void TrayWindowTest::UseShortcuts(const std::vector<ShortcutSpec>& specs) {
    shortcuts = specs;
    std::string marker = ToolsFolder() + "\\marker.exe";
    AllocateTestTable(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        ASSERT_TRUE(MakeShortcut(linkPath(i), marker, "\"" + markerPath(i) + "\""));
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        CopyText(entry.szName, specs[i].displayName.c_str());
        CopyText(entry.szLinkPath, linkPath(i).c_str());
    }
}

void TrayWindowTest::UseNames(const std::vector<std::string>& names) {
    AllocateTestTable(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        ASSERT_TRUE(CopyText(entry.szName, names[i].c_str()));
        CopyText(entry.szLinkPath, folder->file(names[i] + ".lnk").c_str());
    }
}

void TrayWindowTest::UseEntry(const std::string& displayName, const std::string& path) {
    AllocateTestTable(1);
    ShortcutEntry& entry = CurrentShortcutTable.pEntries[0];
    ASSERT_TRUE(CopyText(entry.szName, displayName.c_str()));
    ASSERT_TRUE(CopyText(entry.szLinkPath, path.c_str()));
}

std::string TrayWindowTest::markerPath(size_t index) const {
    return folder->path() + "\\marker" + std::to_string(index) + ".txt";
}

std::string TrayWindowTest::linkPath(size_t index) const {
    return folder->file(shortcuts[index].fileName);
}

std::vector<MSG> TrayWindowTest::TakePosted() {
    std::vector<MSG> posted;
    MSG msg;
    while (PeekMessageA(&msg, TrayWindow, 0, 0, PM_REMOVE)) posted.push_back(msg);
    return posted;
}

LRESULT TrayWindowTest::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(TrayWindow, message, wParam, lParam);
}

ShiftHeld::ShiftHeld() {
    GetKeyboardState(saved_);
    BYTE keys[256];
    memcpy(keys, saved_, sizeof keys);
    keys[VK_SHIFT] = 0x80;
    keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys);
}

ShiftHeld::~ShiftHeld() {
    SetKeyboardState(saved_);
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string DialogItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

std::string TrashFilesFolder() {
    // Wine names the Unix home folder as an NT path, "\\??\\Z:\\...".
    char home[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEHOMEDIR", home, MAX_PATH);
    std::string path = home;
    if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
    return path + "\\.local\\share\\Trash\\files";
}
