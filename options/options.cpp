#include "options/options.h"

// Stand-in until the options dialog lands.
void ShowOptionsDialog() {}
