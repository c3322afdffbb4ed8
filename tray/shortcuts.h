// The shortcuts of ProgramFolder, as the shell reports them.
#pragma once

#include <windows.h>

struct ShortcutEntry {
    HICON hOverlayIcon;            // small icon with the shell's shortcut marking; owned
    HICON hPlainIcon;              // small icon of the icon source; owned, may be null
    int iIcon;                     // icon index within the icon location
    char szName[MAX_PATH];         // display name: tooltip, caption, sort key
    char szLinkPath[MAX_PATH];     // full path of the shortcut file
    char szIconSource[MAX_PATH];   // icon location file; empty when the link names none
};

// One movable, zero-filled local block of entries, locked for its whole life.
struct ShortcutTable {
    ShortcutEntry* pEntries;
    int nCount;
    HLOCAL hMem;
};

// The table shown in the notification area: entry i is tray icon 1000 + i.
extern ShortcutTable CurrentShortcutTable;

// A fresh table of the folder's shortcuts; false when no block could be had
// (the message is already shown).
bool ScanShortcutFolder(ShortcutTable* table);
// Destroys every entry's icons, then unlocks and frees the block.
void FreeShortcutTable(ShortcutTable* table);
