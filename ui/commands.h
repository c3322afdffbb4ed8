// The commands on one shortcut file of ProgramFolder. They change only the
// folder; the folder watch makes the tray icons follow.
#pragma once

#include <windows.h>

#include "tray/shortcuts.h"

// Entry index of CurrentShortcutTable, or null when the table has no such
// entry (a command posted before a rebuild is handled after it).
const ShortcutEntry* FindShortcutEntry(UINT index);

// Whether Shift is held while the current message is handled.
bool IsShiftHeld();

// ID_ITEM_OPEN: the shortcut's default action.
void OpenShortcut(UINT index);
// ID_ITEM_DELETE: to the recycle bin, or for good with Shift; the shell asks first.
void DeleteShortcut(UINT index);
// ID_ITEM_RENAME: the modal rename dialog for the entry.
void RenameShortcut(UINT index);
// ID_ITEM_PROPERTIES: with Shift the folder window of ProgramFolder, otherwise
// the shortcut's property sheet.
void ShowShortcutPropertiesCommand(UINT index);
// The shell's property sheet of the entry's file, through its context menu.
// Uses the calling thread's COM (the main thread's, started in WinMain).
void ShowShortcutProperties(UINT index);
