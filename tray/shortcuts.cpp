#include "tray/shortcuts.h"

ShortcutTable CurrentShortcutTable;

// Stand-in until the folder scan lands: an empty table without a block.
bool ScanShortcutFolder(ShortcutTable* table) {
    *table = ShortcutTable{};
    return true;
}

void FreeShortcutTable(ShortcutTable* table) {
    *table = ShortcutTable{};
}
