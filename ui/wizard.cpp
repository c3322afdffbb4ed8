#include "ui/wizard.h"

// Stand-in until the add-shortcut wizard lands.
void StartAddShortcutWizard() {}
