// The process environment kept in step with the registry, so that programs
// started from the tray see variables changed after logon.
#pragma once

#include <windows.h>

// Whether a WM_SETTINGCHANGE's lParam announces changed environment variables.
bool IsEnvironmentChange(LPARAM lParam);

// Notes the names the registry's environment keys hold at start-up: a
// variable the process inherited under such a name came from the logon
// environment, so a later refresh may take it out once it is deleted there.
void RememberRegistryEnvironment();

// Sets the variables as Windows does for a new logon: the system key's
// (Session Manager\Environment), then HKCU\Environment's, then the volatile
// ones; the user's Path, LibPath and Os2LibPath are appended to the system's.
// A name the registry supplied at start-up or at the last refresh and no
// longer holds is taken out of the process; names it never supplied, which the
// process inherited from its starter, stay. False when a key could not be
// read or a variable not set.
bool RefreshEnvironmentFromRegistry();
