// The hidden window that receives every tray callback, menu command and
// owner-draw request.
#pragma once

#include <windows.h>

constexpr UINT WM_TRAYMENU = WM_USER + 1;  // wParam icon id, lParam screen point
constexpr UINT WM_WIZARDENDED = WM_USER + 2;  // the new-shortcut wizard has ended
constexpr UINT WM_TRAYMENUKEY = WM_USER + 3;  // as WM_TRAYMENU, for a popup asked for from the keyboard

// 1 while the rename dialog, the options dialog or a delete runs.
extern LONG ModalBusy;

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What a WM_COMMAND identifier asks for, tested in this order.
enum class TrayCommand {
    SelectItem,      // 900 and up: caption for entry id - 900
    ItemProperties,  // 800 and up
    RenameItem,      // 700 and up
    DeleteItem,      // 600 and up
    OpenItem,        // 500 and up
    DesktopItem,     // 1 to 98
    Exit,            // 100
    AddShortcut,     // 110
    About,           // 120
    Options,         // 130
    Ignored,         // everything else
};

struct TrayCommandTarget {
    TrayCommand command;
    UINT index;  // entry index of an item command, the id itself for a desktop item
};

TrayCommandTarget ClassifyTrayCommand(WORD id);
// WM_COMMAND: runs the command of identifier id.
void DispatchTrayCommand(WORD id);
// WM_USER: the mouse message mouseMessage on the tray icon iconId.
void HandleTrayIconCallback(WPARAM iconId, LPARAM mouseMessage);
