#include "ui/traywindow.h"

#include <shellapi.h>

#include "about/about.h"
#include "app/app.h"
#include "app/dpi.h"
#include "app/environment.h"
#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "options/options.h"
#include "tray/trayicons.h"
#include "ui/commands.h"
#include "ui/traymenu.h"
#include "ui/wizard.h"

LONG ModalBusy;

namespace {

// The highest identifier that goes to the desktop menu; it fills only 1 to 28.
constexpr WORD LastDesktopCommand = 98;

// Marks a modal activity started from the tray for as long as it runs, so
// that tray clicks meanwhile start nothing. One started inside another gives
// the mark back as it found it: the outer one still runs.
template <typename Activity>
void RunModal(Activity activity) {
    LONG outer = ModalBusy;
    ModalBusy = 1;
    activity();
    ModalBusy = outer;
}

bool IsClickMode(const char* mode) {
    return lstrcmpiA(Settings.szClickMode, mode) == 0;
}

// The program's own window that was active last over TrayWindow: the open
// dialog, or a message box over it. The window just above TrayWindow in the
// Z-order may be any program's.
void BringModalToFront() {
    HWND popup = GetLastActivePopup(TrayWindow);
    if (popup != TrayWindow && IsWindowEnabled(popup)) SetForegroundWindow(popup);
}

// Icons are found by their identifiers; the commands they post name the
// entry's position, as the popup's commands do. An icon whose shortcut is
// gone posts nothing.
void PostItemCommand(WPARAM iconId, UINT base) {
    const int index = FindIconIndex(static_cast<UINT>(iconId));
    if (index >= 0) PostMessageW(TrayWindow, WM_COMMAND, static_cast<WORD>(base + static_cast<UINT>(index)), 0);
}

void PostOpenCommand(WPARAM iconId) {
    PostItemCommand(iconId, ID_ITEM_OPEN);
}

struct PopupRequest {
    POINT point;
    bool fromKeyboard;
};

// The popup of a mouse click opens at the pointer; one asked for with the
// keyboard (menu key, Shift+F10) at the icon, where the shell can tell: the
// pointer is then off the icon.
PopupRequest RequestedPopup(WPARAM iconId) {
    PopupRequest request = {};
    GetCursorPos(&request.point);
    RECT rect = {};
    if (GetTrayIconRect(iconId, rect) && !PtInRect(&rect, request.point)) {
        request.point.x = (rect.left + rect.right) / 2;
        request.point.y = (rect.top + rect.bottom) / 2;
        request.fromKeyboard = true;
    }
    return request;
}

// The caption first, then the popup: both through the queue, in this order.
void PostPopupRequest(WPARAM iconId) {
    PostItemCommand(iconId, ID_ITEM_SELECT);
    const PopupRequest request = RequestedPopup(iconId);
    PostMessageW(TrayWindow, request.fromKeyboard ? WM_TRAYMENUKEY : WM_TRAYMENU, iconId,
                 MAKELPARAM(request.point.x, request.point.y));
}

// The callback before the current one, to tell a selection by keyboard from
// the one the shell adds to a mouse click, and Enter's second NIN_KEYSELECT
// from a new key press.
struct CallbackRecord {
    WPARAM iconId;
    LPARAM message;
    DWORD time;
};
CallbackRecord PreviousCallback;

bool Follows(WPARAM iconId, LPARAM message) {
    return PreviousCallback.iconId == iconId && PreviousCallback.message == message;
}

// A selection with Enter or Space starts the shortcut like the click the
// settings name. NIN_SELECT right after a button release is that click's.
bool IsKeyboardSelection(WPARAM iconId, LPARAM message) {
    if (message == NIN_SELECT) return !Follows(iconId, WM_LBUTTONUP);
    if (message != NIN_KEYSELECT) return false;
    return !Follows(iconId, NIN_KEYSELECT) || GetTickCount() - PreviousCallback.time > GetDoubleClickTime();
}

void HandleCallbackWhileBusy(WPARAM iconId, LPARAM mouseMessage) {
    if (IsKeyboardSelection(iconId, mouseMessage)) mouseMessage = WM_LBUTTONDOWN;
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        BringModalToFront();
        MessageBeep(0);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_CONTEXTMENU:
        BringModalToFront();
        break;
    default:
        break;
    }
}

void HandleCallback(WPARAM iconId, LPARAM mouseMessage) {
    if (IsKeyboardSelection(iconId, mouseMessage)) {
        PostOpenCommand(iconId);
        return;
    }
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        if (IsClickMode("Einfacher Klick")) PostOpenCommand(iconId);
        break;
    case WM_LBUTTONDBLCLK:
        if (IsClickMode("Doppelklick")) PostOpenCommand(iconId);
        break;
    case WM_RBUTTONUP:
        // An icon whose shell took the newer version gets WM_CONTEXTMENU next.
        if (!IconHasKeyboardVersion(static_cast<UINT>(iconId))) PostPopupRequest(iconId);
        break;
    case WM_CONTEXTMENU:
        PostPopupRequest(iconId);
        break;
    default:
        break;
    }
}

LRESULT OnDesktopMenuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsOptionOn(Settings.szDesktopMenu)) return 0;
    switch (message) {
    case WM_DRAWITEM:
        DrawDesktopItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 0;
    case WM_MEASUREITEM:
        MeasureDesktopItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return 0;
    case WM_INITMENUPOPUP:
        // The popup opens at the pointer, on its monitor, whose DPI may not be the system's.
        BuildDesktopMenu(reinterpret_cast<HMENU>(wParam), lParam, PointerDpi());
        return 0;
    default:  // WM_MENUCHAR
        return MatchDesktopMenuChar(wParam, reinterpret_cast<HMENU>(lParam));
    }
}

}  // namespace

TrayCommandTarget ClassifyTrayCommand(WORD id) {
    // Entry indices by 16-bit subtraction, as the identifiers were formed.
    auto item = [id](TrayCommand command, WORD base) {
        return TrayCommandTarget{command, static_cast<WORD>(id - base)};
    };
    if (id >= ID_ITEM_SELECT) return item(TrayCommand::SelectItem, ID_ITEM_SELECT);
    if (id >= ID_ITEM_PROPERTIES) return item(TrayCommand::ItemProperties, ID_ITEM_PROPERTIES);
    if (id >= ID_ITEM_RENAME) return item(TrayCommand::RenameItem, ID_ITEM_RENAME);
    if (id >= ID_ITEM_DELETE) return item(TrayCommand::DeleteItem, ID_ITEM_DELETE);
    if (id >= ID_ITEM_OPEN) return item(TrayCommand::OpenItem, ID_ITEM_OPEN);
    if (id >= 1 && id <= LastDesktopCommand) return {TrayCommand::DesktopItem, id};
    switch (id) {
    case ID_EXIT:
        return {TrayCommand::Exit, 0};
    case ID_ADD:
        return {TrayCommand::AddShortcut, 0};
    case ID_ABOUT:
        return {TrayCommand::About, 0};
    case ID_OPTIONS:
        return {TrayCommand::Options, 0};
    default:
        return {TrayCommand::Ignored, 0};
    }
}

void DispatchTrayCommand(WORD id) {
    TrayCommandTarget target = ClassifyTrayCommand(id);
    UINT index = target.index;
    switch (target.command) {
    case TrayCommand::SelectItem:
        SelectTrayItem(index);
        break;
    case TrayCommand::ItemProperties:
        ShowShortcutPropertiesCommand(index);
        break;
    case TrayCommand::RenameItem:
        if (FindShortcutEntry(index)) RunModal([index] { RenameShortcut(index); });
        break;
    case TrayCommand::DeleteItem:
        if (FindShortcutEntry(index)) RunModal([index] { DeleteShortcut(index); });
        break;
    case TrayCommand::OpenItem:
        OpenShortcut(index);
        break;
    case TrayCommand::DesktopItem:
        LaunchDesktopItem(index);
        break;
    case TrayCommand::Exit:
        PostMessageA(TrayWindow, WM_CLOSE, 0, 0);
        break;
    case TrayCommand::AddShortcut:
        StartAddShortcutWizard();
        break;
    case TrayCommand::About:
        ShowAboutDialog();
        break;
    case TrayCommand::Options:
        RunModal([] { ShowOptionsDialog(); });
        break;
    case TrayCommand::Ignored:
        break;
    }
}

void HandleTrayIconCallback(WPARAM iconId, LPARAM mouseMessage) {
    if (ModalBusy == 1)
        HandleCallbackWhileBusy(iconId, mouseMessage);
    else
        HandleCallback(iconId, mouseMessage);
    PreviousCallback = {iconId, mouseMessage, GetTickCount()};
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return CreateTrayMenu(reinterpret_cast<CREATESTRUCTW*>(lParam)->hInstance);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        ShutDownApplication();
        return 0;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR:
        return OnDesktopMenuMessage(message, wParam, lParam);
    case WM_COMMAND:
        DispatchTrayCommand(LOWORD(wParam));
        return 0;
    case WM_USER:
        HandleTrayIconCallback(wParam, lParam);
        return 0;
    case WM_TRAYMENU:
    case WM_TRAYMENUKEY:
        ShowTrayMenu(wParam, lParam, message == WM_TRAYMENUKEY);
        return 0;
    case WM_WIZARDENDED:
        CloseWithoutShortcuts();
        return 0;
    // A change of the displays or of their scaling may change the taskbar's DPI.
    case WM_DISPLAYCHANGE:
        RemakeTrayPictures(true);
        return 0;
    case WM_SETTINGCHANGE:
        if (IsEnvironmentChange(lParam)) RefreshEnvironmentFromRegistry();
        RemakeTrayPictures(true);
        return 0;
    default:
        // The shell's new taskbar has none of our icons, and it may be on another monitor.
        if (TaskbarCreatedMessage != 0 && message == TaskbarCreatedMessage) {
            RemakeTrayPictures(false);
            RestoreTrayIcons();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
