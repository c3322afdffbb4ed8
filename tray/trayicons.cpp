#include "tray/trayicons.h"

// Stand-ins until the icon set lands.
void RebuildTrayIcons() {}
void RefreshTrayMarks() {}
void RefreshTrayTips() {}
void RemoveTrayIcons() {}

UINT TaskbarCreatedMessage;
void RegisterTaskbarCreatedMessage() {}
void RestoreTrayIcons() {}
