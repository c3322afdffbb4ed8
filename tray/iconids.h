// The identifiers of the shortcuts' icons.
#pragma once

#include <windows.h>

#include "tray/shortcuts.h"

// Each shortcut's icon has an identifier of its own, derived from its file
// name, so that what Windows remembers per identifier (whether the user shows
// the icon beside the clock) follows the shortcut. Derived identifiers lie in
// this range.
constexpr UINT FirstIconId = 0x10000;
constexpr UINT IconIdCount = 0x7FFF0000;
// The identifier a shortcut file of this path gets before collisions.
UINT DerivedIconId(const WCHAR* linkPath);

// Gives every entry of a scanned table its identifier: the one it had in
// CurrentShortcutTable or leftOut, or from a rename in the popup, else the
// one derived from its file name; collisions are settled by file name.
void AssignIconIds(ShortcutTable* scanned, const ShortcutTable& leftOut);
// A rename made in the program's own popup: the shortcut at newPath keeps the
// identifier of the one at oldPath (it is the same launcher).
void KeepIconIdAcrossRename(const WCHAR* oldPath, const WCHAR* newPath);
// Once a scan has found the new name, the rename is no longer needed.
void ForgetPendingRename();

// The entry of the table with this identifier, or null.
ShortcutEntry* FindById(const ShortcutTable& table, UINT id);
bool SameLinkPath(const ShortcutEntry& entry, const WCHAR* path);
