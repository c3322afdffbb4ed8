// One notification-area icon per entry of CurrentShortcutTable.
#pragma once

#include <windows.h>

#include "tray/iconids.h"

// The class of the shell's taskbar window, "Shell_TrayWnd": while none is
// there, refused icons wait for a new taskbar however long it takes. The
// program never changes it; tests name a class no window has.
extern const char* TaskbarWindowClass;

// Rescans the folder and brings the icons in step with it, in table order.
// Unchanged icons are not touched; where an icon must go between others,
// the ones after it are added again with their own identifiers. False when
// the folder could not be listed: the icons stay as they were, nothing is
// said, and the retry timer scans again.
bool RebuildTrayIcons();
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

// The message the shell broadcasts when the taskbar is created anew
// ("TaskbarCreated"), registered at start-up; on it every icon of
// CurrentShortcutTable is added again.
extern UINT TaskbarCreatedMessage;
void RegisterTaskbarCreatedMessage();
void RestoreTrayIcons();

// Refused adds are tried again when a one-shot timer fires, after a delay
// that doubles from the first to the last (1 s to 64 s: about two minutes in
// all; tests shorten it). An add still refused then is told to the user as
// refused; none is while others wait. A folder that could not be listed is
// scanned again on the same timer, as long as it takes. The timer while it is
// armed, else null; the main loop waits on it and then calls RetryWaitingIcons.
struct RetryBackOff {
    DWORD firstMs;
    DWORD lastMs;
};
extern RetryBackOff TrayRetryBackOff;
HANDLE TrayRetryTimer();
void RetryWaitingIcons();
