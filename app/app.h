// Start-up, command-line modes, derived paths, main loop and shut-down.
#pragma once

#include <windows.h>

#include "app/handles.h"

extern HINSTANCE AppInstance;
extern HWND TrayWindow;
// Paths and commands are UTF-16: a folder the code page cannot spell is the
// program's folder all the same.
extern WCHAR ProgramFolder[MAX_PATH];
extern WCHAR RunCommand[MAX_PATH];
extern WCHAR VerbCommand[MAX_PATH];
extern WCHAR UninstallCommand[MAX_PATH];
extern WCHAR IniPath[MAX_PATH];
extern UniqueChangeNotification ChangeHandle;  // the folder watch; empty whenever there is none

extern const WCHAR* const TrayWindowClass;  // "Ombrix+WndClass"
extern const char* const InstanceGuardName;  // "Ombrix+"

// What a start does, decided from the argument text alone.
enum class LaunchMode { Normal, Uninstall, CopyShortcut };

// Wake-ups of the main loop's wait, and how many of them were folder changes
// or the timers of the program.
struct MainLoopCounters {
    volatile LONG nWakeups;
    volatile LONG nFolderChanges;
};
extern MainLoopCounters LoopCounters;

// The argument text of a command line: what follows the program's name and
// the blanks after it, as WinMain's argument receives it.
const WCHAR* CommandLineArguments(const WCHAR* commandLine);
BOOL InitApplication(HINSTANCE instance, const WCHAR* arguments);
// The folder watch on ProgramFolder (names and writes) with its rescan timer;
// a watch that cannot be opened, or breaks, is opened again on that timer.
void OpenFolderWatch();
// The rescan that a burst of folder changes leads to, once its timer is due.
void OnRescanDue();
void RunMainLoop();
// The shut-down sequence run when TrayWindow receives WM_CLOSE.
void ShutDownApplication();

// The pieces of InitApplication, each with one job.
BOOL RegisterTrayWindowClass(HINSTANCE instance);
HWND CreateTrayWindow(HINSTANCE instance);
// Writes the long form of path into longPath (MAX_PATH); false when the shell
// cannot give one, longPath is then untouched.
bool GetLongPathForm(const WCHAR* path, WCHAR* longPath);
// Fills RunCommand, VerbCommand, UninstallCommand, IniPath and ProgramFolder
// from the executable's path; false when one of them, or a command in the
// quoted form the registry holds, would not fit.
bool DeriveProgramPaths(const WCHAR* exePath);
LaunchMode DecideLaunchMode(const WCHAR* arguments);
// Copies the shortcut named by the argument text into ProgramFolder, or says
// that the text names no shortcut.
void CopyShortcutIntoFolder(const WCHAR* arguments);
// The settings, and on a first run the greeting and the options dialog.
void LoadStartupSettings();
// True when another instance holds the guard (the guard stays open).
bool AnotherInstanceRuns();
