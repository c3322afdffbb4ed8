// Registry entries the program owns, and the uninstall procedure.
#pragma once

#include <windows.h>

struct IntegrationState {
    bool fHideDesktop;
    bool fAutostart;
    bool fShellVerb;
};

IntegrationState ReadIntegrationState();
void ApplyIntegrationState(const IntegrationState& state);
void RunUninstall();
