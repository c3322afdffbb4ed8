// Starting the creation of a new shortcut in ProgramFolder.
#pragma once

#include <windows.h>

// The shell's wizard in its own process where it exists, otherwise the
// program's own dialog on a thread of its own; the caller never waits. When
// the wizard ends, TrayWindow gets WM_WIZARDENDED. False (after a message)
// when neither could be started.
bool StartAddShortcutWizard();

// "Appwiz.cpl,NewLinkHere <folder>\" for rundll32.exe.
void FormatWizardParameters(const WCHAR* folder, WCHAR (&parameters)[512]);

// The program's own new-shortcut dialog ("OBPNewLink") on the calling thread:
// IDOK when a shortcut was created in ProgramFolder, IDCANCEL, or -1 when the
// dialog could not be shown.
INT_PTR RunNewLinkDialog();
