// The process environment kept in step with the registry, so that programs
// started from the tray see variables changed after logon.
#pragma once

#include <windows.h>

// Whether a WM_SETTINGCHANGE's lParam announces changed environment variables.
bool IsEnvironmentChange(LPARAM lParam);

// Sets the variables as Windows does for a new logon: the system key's
// (Session Manager\Environment), then HKCU\Environment's, then the volatile
// ones; the user's Path, LibPath and Os2LibPath are appended to the system's.
// Variables the process has from elsewhere stay. False when a key could not
// be read or a variable not set.
bool RefreshEnvironmentFromRegistry();
