// Starting the creation of a new shortcut in ProgramFolder.
#pragma once

void StartAddShortcutWizard();
