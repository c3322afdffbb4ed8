// Registry entries the program owns, and the uninstall procedure.
#pragma once

#include <windows.h>

// The three system switches of the options dialog.
struct IntegrationState {
    bool fHideDesktop;  // the desktop icons are hidden
    bool fAutostart;    // the Run value holds our command
    bool fShellVerb;    // both shortcut verbs hold our command
};

// The machine-wide roots of the autostart value, the uninstall entry
// (hMachine) and the shell verbs (hClasses). The program never changes them;
// tests point them at keys that refuse writing, to see the per-user fall-back.
struct MachineRegistryRoots {
    HKEY hMachine;  // HKEY_LOCAL_MACHINE
    HKEY hClasses;  // HKEY_CLASSES_ROOT
};
extern MachineRegistryRoots MachineRoots;

extern const char* const RunKeyPath;        // "Software\Microsoft\Windows\CurrentVersion\Run"
extern const char* const UninstallKeyPath;  // "...\CurrentVersion\Uninstall\Ombrix+"
extern const char* const PolicyKeyPath;     // "...\CurrentVersion\Policies\Explorer"
extern const char* const UserClassesPath;   // "Software\Classes", the per-user HKEY_CLASSES_ROOT

// The stored form of a command derived at start-up: the executable path in
// double quotes, the argument text after it unchanged. False (and stored
// empty) when it does not fit MAX_PATH or does not start with RunCommand.
bool MakeStoredCommand(const char* command, char (&stored)[MAX_PATH]);

IntegrationState ReadIntegrationState();
void ApplyIntegrationState(const IntegrationState& state);
// "/uninstall": asks, then removes every entry and tells the user to delete
// the program folder.
void RunUninstall();
