// The rename dialog "OBPRename" of a shortcut file.
#pragma once

#include <windows.h>

// The name typed so far (the display name when the dialog opens).
extern WCHAR RenameName[MAX_PATH];
// Source and target of the rename, each a list of one path ended by an empty
// string: a path of at most 259 characters and two NULs.
extern WCHAR RenameOldPath[MAX_PATH + 1];
extern WCHAR RenameNewPath[MAX_PATH + 1];

extern const WCHAR* const RenameForbiddenCharacters;  // \/:*?"<>|

// Fills the buffers for a dialog on the shortcut with this name and path.
void PrepareRename(const WCHAR* name, const WCHAR* linkPath);
// ProgramFolder, RenameName and the old file's extension as RenameNewPath;
// false, with RenameNewPath empty, when they do not fit 259 characters.
bool ComposeRenamePath();

INT_PTR CALLBACK ShortcutRenameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
