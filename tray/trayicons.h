// One notification-area icon per entry of CurrentShortcutTable.
#pragma once

#include <windows.h>

constexpr UINT ID_TRAYICON = 1000;

void RebuildTrayIcons();
void RefreshTrayMarks();
void RefreshTrayTips();
void RemoveTrayIcons();
