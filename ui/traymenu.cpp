#include "ui/traymenu.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/app.h"
#include "app/platform.h"
#include "app/text.h"
#include "desktopmenu/desktopmenu.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/commands.h"

HMENU TrayMenuRoot;
HMENU TrayPopup;
HMENU ItemSubmenu;
WCHAR ItemCaption[MAX_PATH];

namespace {

// Positions in ItemSubmenu of the four commands; 1 and 4 are separators.
constexpr UINT OpenPosition = 0;
constexpr UINT DeletePosition = 2;
constexpr UINT RenamePosition = 3;
constexpr UINT PropertiesPosition = 5;

void SetItemId(UINT position, UINT id) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    info.wID = id;
    SetMenuItemInfoW(ItemSubmenu, position, TRUE, &info);
}

// "Ö&ffnen" in bold; the state stays with the item when its id changes.
void MarkOpenAsDefault() {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    info.fState = MFS_DEFAULT;
    SetMenuItemInfoW(ItemSubmenu, ID_ITEM_OPEN, FALSE, &info);
}

void RetargetItemSubmenu(UINT index) {
    SetItemId(OpenPosition, ID_ITEM_OPEN + index);
    SetItemId(DeletePosition, ID_ITEM_DELETE + index);
    SetItemId(RenamePosition, ID_ITEM_RENAME + index);
    SetItemId(PropertiesPosition, ID_ITEM_PROPERTIES + index);
}

void SetPopupCaption() {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_SUBMENU;
    info.fType = MFT_STRING;
    info.dwTypeData = ItemCaption;
    info.cch = MAX_PATH;
    info.hSubMenu = ItemSubmenu;
    SetMenuItemInfoW(TrayPopup, 0, TRUE, &info);
}

}  // namespace

LRESULT CreateTrayMenu(HINSTANCE instance) {
    TrayMenuRoot = LoadMenuW(instance, L"OBPMenu");
    TrayPopup = TrayMenuRoot ? GetSubMenu(TrayMenuRoot, 0) : nullptr;
    ItemSubmenu = TrayPopup ? GetSubMenu(TrayPopup, 0) : nullptr;
    if (!ItemSubmenu) {
        if (TrayMenuRoot) DestroyMenu(TrayMenuRoot);
        TrayMenuRoot = TrayPopup = nullptr;
        ShowProgramMessage(L"Fehler beim Erzeugen des Menüs.", 0);
        return -1;
    }
    MarkOpenAsDefault();
    return 0;
}

void SelectTrayItem(UINT index) {
    const ShortcutEntry* entry = FindShortcutEntry(index);
    if (!entry) return;
    // A menu takes "&" for an access key; "&&" shows one "&". The cut counts
    // the name's UTF-16 units and never splits a surrogate pair, so the
    // caption needs at most 2 * 28 + 4 units.
    WCHAR* out = ItemCaption;
    const WCHAR* name = entry->szName;
    const size_t kept = CutLength(name, ItemCaptionLimit);
    for (size_t i = 0; i < kept; ++i) {
        if (name[i] == L'&') *out++ = L'&';
        *out++ = name[i];
    }
    lstrcpyW(out, lstrlenW(name) >= ItemCaptionLimit ? L"..." : L"");
}

TrayPopupPlacement PlaceTrayPopup(const RECT* iconRect) {
    TrayPopupPlacement placement = {};
    placement.flags = TPM_RIGHTBUTTON | TPM_RETURNCMD;
    if (iconRect) {
        placement.exclude.cbSize = sizeof placement.exclude;
        placement.exclude.rcExclude = *iconRect;
    }
    return placement;
}

bool GetTrayIconRect(WPARAM iconId, RECT& rect) {
    NOTIFYICONIDENTIFIER icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = TrayWindow;
    icon.uID = static_cast<UINT>(iconId);
    return SUCCEEDED(Shell_NotifyIconGetRect(&icon, &rect));
}

void ReturnFocusToTrayIcon(WPARAM iconId) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;  // NIM_SETFOCUS came with this version
    data.hWnd = TrayWindow;
    data.uID = static_cast<UINT>(iconId);
    CallNotifyIcon(NIM_SETFOCUS, &data);
}

void FinishTrayPopup(WPARAM iconId, UINT command, bool fromKeyboard) {
    if (command != 0)
        PostMessageW(TrayWindow, WM_COMMAND, command, 0);
    else if (fromKeyboard)
        ReturnFocusToTrayIcon(iconId);
}

void ShowTrayMenu(WPARAM iconId, LPARAM point, bool fromKeyboard) {
    // The icon may belong to a table that a rebuild has replaced since the click.
    const int found = FindIconIndex(static_cast<UINT>(iconId));
    if (!TrayPopup || found < 0) return;
    const UINT index = static_cast<UINT>(found);
    RetargetItemSubmenu(index);
    SetPopupCaption();
    // One asked for from the keyboard opens beside its icon, not over it; one
    // of a click opens at the pointer, as any context menu.
    RECT iconRect = {};
    const bool besideIcon = fromKeyboard && GetTrayIconRect(iconId, iconRect);
    TrayPopupPlacement placement = PlaceTrayPopup(besideIcon ? &iconRect : nullptr);
    SetForegroundWindow(TrayWindow);
    const BOOL command = TrackPopupMenuEx(TrayPopup, placement.flags, GET_X_LPARAM(point), GET_Y_LPARAM(point),
                                          TrayWindow, placement.params());
    FinishTrayPopup(iconId, static_cast<UINT>(command), fromKeyboard);
    // Without this the menu of a notification-area icon may not close when the
    // user clicks elsewhere.
    PostMessageA(TrayWindow, WM_NULL, 0, 0);
    ClearDesktopMenu(TrayPopup);
}
