#include "options/integration.h"

// Stand-ins until the system integration lands.
IntegrationState ReadIntegrationState() {
    return IntegrationState{};
}
void ApplyIntegrationState(const IntegrationState&) {}
void RunUninstall() {}
