// Registry entries the program owns, and the uninstall procedure.
#pragma once

#include <windows.h>

// The three system switches of the options dialog.
struct IntegrationState {
    bool fHideDesktop;  // the desktop icons are hidden
    bool fAutostart;    // the Run value holds our command
    bool fShellVerb;    // both shortcut verbs hold our command
};

// The machine-wide root of the autostart value, the uninstall entry and the
// shell verbs (under ClassesPath). Never HKEY_CLASSES_ROOT: that is a merged
// view, and a key the user has there would be taken for the machine's. The
// program never changes it; tests point it at a key that refuses writing, to
// see the per-user fall-back.
struct MachineRegistryRoots {
    HKEY hMachine;  // HKEY_LOCAL_MACHINE
};
extern MachineRegistryRoots MachineRoots;

extern const WCHAR* const RunKeyPath;        // "Software\Microsoft\Windows\CurrentVersion\Run"
extern const WCHAR* const UninstallKeyPath;  // "...\CurrentVersion\Uninstall\Ombrix+"
extern const WCHAR* const PolicyKeyPath;     // "...\CurrentVersion\Policies\Explorer"
extern const WCHAR* const ClassesPath;       // "Software\Classes", the file classes of either root

// The stored form of a command derived at start-up: the executable path in
// double quotes, the argument text after it unchanged. False (and stored
// empty) when it does not fit MAX_PATH or does not start with RunCommand.
bool MakeStoredCommand(const WCHAR* command, WCHAR (&stored)[MAX_PATH]);

IntegrationState ReadIntegrationState();
// Writes or removes each entry. A box unticked whose machine-wide entry this
// account may not remove (an elevated start wrote it) is told, naming it.
void ApplyIntegrationState(const IntegrationState& state);
// "/uninstall": asks, then removes every entry and tells the user to delete
// the program folder, or which entries need administrator rights to go.
void RunUninstall();
