// The process environment kept in step with the registry, so that programs
// started from the tray see variables changed after logon.
#pragma once

#include <windows.h>

// Whether a WM_SETTINGCHANGE's lParam announces changed environment variables.
bool IsEnvironmentChange(LPARAM lParam);

// Sets the variables of the system key (Session Manager\Environment), then
// those of HKCU\Environment, in this process, as Explorer does: the user's
// value wins, except that the user's Path is appended to the system's.
// Variables the process has from elsewhere stay. False when a key could not
// be read or a variable not set.
bool RefreshEnvironmentFromRegistry();
