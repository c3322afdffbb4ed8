// One notification-area icon per entry of CurrentShortcutTable.
#pragma once

#include <windows.h>

// The class of the shell's taskbar window, "Shell_TrayWnd". The program never
// changes it; tests name a class no window has, to see a missing taskbar.
extern const char* TaskbarWindowClass;

// Each shortcut's icon has an identifier of its own, derived from its file
// name, so that what Windows remembers per identifier (whether the user shows
// the icon beside the clock) follows the shortcut. Derived identifiers lie in
// this range.
constexpr UINT FirstIconId = 0x10000;
constexpr UINT IconIdCount = 0x7FFF0000;
// The identifier a shortcut file of this path gets before collisions.
UINT DerivedIconId(const WCHAR* linkPath);

// Rescans the folder and brings the icons in step with it, in table order.
// Unchanged icons are not touched; where an icon must go between others,
// the ones after it are added again with their own identifiers.
void RebuildTrayIcons();
void RefreshTrayMarks();
void RefreshTrayTips();
void RemoveTrayIcons();
// Makes every icon's pictures again when the taskbar's DPI changed, and
// shows them when asked to; false when it had not changed.
bool RemakeTrayPictures(bool show);
// Ends the program when its folder holds no shortcut: after the wizard, which
// was offered for an empty folder, nothing would be left to show or click.
void CloseWithoutShortcuts();

// The index in CurrentShortcutTable of the shortcut whose icon has this
// identifier, or -1.
int FindIconIndex(UINT iconId);
// Whether the shell took NOTIFYICON_VERSION for this icon: it then sends
// WM_CONTEXTMENU for the popup (mouse or keyboard) and NIN_SELECT or
// NIN_KEYSELECT for a selection, besides the mouse messages.
bool IconHasKeyboardVersion(UINT iconId);

// A rename made in the program's own popup: the shortcut at newPath keeps the
// identifier of the one at oldPath (it is the same launcher).
void KeepIconIdAcrossRename(const WCHAR* oldPath, const WCHAR* newPath);

// The message the shell broadcasts when the taskbar is created anew
// ("TaskbarCreated"), registered at start-up; on it every icon of
// CurrentShortcutTable is added again.
extern UINT TaskbarCreatedMessage;
void RegisterTaskbarCreatedMessage();
void RestoreTrayIcons();

// Adds that timed out, or found no taskbar, are tried again when this
// one-shot timer fires, after a delay that grows with each try; the main
// loop waits on it and then calls RetryWaitingIcons.
HANDLE TrayRetryTimer();
void RetryWaitingIcons();
