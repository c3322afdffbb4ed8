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
// Destroys every entry's icons, then unlocks and frees the block; the table
// is left empty.
void FreeShortcutTable(ShortcutTable* table);
// The target of the link at linkPath in its short form; false when any step
// of loading or resolving fails. The shell may show its own search dialog.
bool ResolveLinkTarget(const char* linkPath, char (&target)[MAX_PATH]);
// The entry's picture without the shell's marking into hPlainIcon: from its
// icon location, or when that is empty icon 0 of its resolved target; null
// when nothing can be extracted.
void ExtractPlainIcon(ShortcutEntry* entry);
// Drops entry index with its icons; the later entries move down one place.
void RemoveShortcutEntry(ShortcutTable* table, int index);
// Drops every entry from index count on, with its icons.
void KeepFirstShortcutEntries(ShortcutTable* table, int count);
