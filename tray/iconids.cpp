#include "tray/iconids.h"

#include <algorithm>
#include <vector>

#include "app/text.h"

namespace {

// A rename made in the popup, until the next scan has found its new name.
struct KeptIconId {
    WCHAR szNewPath[MAX_PATH];
    UINT uIconId;
};
KeptIconId PendingRename;

// The identifier a freshly read shortcut had before: from the last tables
// by its path, or from a rename in the popup; 0 when it is new.
UINT CarriedIconId(const WCHAR* path, const ShortcutTable& leftOut) {
    const ShortcutTable* tables[] = {&CurrentShortcutTable, &leftOut};
    for (const ShortcutTable* table : tables)
        for (int i = 0; i < table->nCount; ++i)
            if (SameLinkPath(table->pEntries[i], path)) return table->pEntries[i].uIconId;
    return lstrcmpiW(PendingRename.szNewPath, path) == 0 ? PendingRename.uIconId : 0;
}

UINT NextIconId(UINT id) {
    return id + 1 < FirstIconId + IconIdCount ? id + 1 : FirstIconId;
}

}  // namespace

ShortcutEntry* FindById(const ShortcutTable& table, UINT id) {
    for (int i = 0; i < table.nCount; ++i)
        if (table.pEntries[i].uIconId == id) return &table.pEntries[i];
    return nullptr;
}

bool SameLinkPath(const ShortcutEntry& entry, const WCHAR* path) {
    return lstrcmpiW(entry.szLinkPath, path) == 0;
}

// Gives every entry of a scanned table its identifier: the one it had, else
// the one derived from its file name. New entries whose identifiers collide
// take the next free one in the order of their file names, so the result
// does not depend on the order the folder lists them.
void AssignIconIds(ShortcutTable* scanned, const ShortcutTable& leftOut) {
    std::vector<ShortcutEntry*> open;
    for (int i = 0; i < scanned->nCount; ++i) {
        ShortcutEntry& entry = scanned->pEntries[i];
        const UINT carried = entry.fFresh ? CarriedIconId(entry.szLinkPath, leftOut) : entry.uIconId;
        entry.uIconId = 0;
        if (carried != 0 && !FindById(*scanned, carried))
            entry.uIconId = carried;
        else
            open.push_back(&entry);
    }
    std::sort(open.begin(), open.end(), [](const ShortcutEntry* a, const ShortcutEntry* b) {
        return CompareStringOrdinal(FileNameOf(a->szLinkPath), -1, FileNameOf(b->szLinkPath), -1, TRUE) ==
               CSTR_LESS_THAN;
    });
    for (ShortcutEntry* entry : open) {
        UINT id = DerivedIconId(entry->szLinkPath);
        while (FindById(*scanned, id)) id = NextIconId(id);
        entry->uIconId = id;
    }
}

UINT DerivedIconId(const WCHAR* linkPath) {
    // File names are the same whatever their case; the invariant upper case
    // keeps the identifier the same under every user locale.
    const WCHAR* name = FileNameOf(linkPath);
    WCHAR upper[MAX_PATH];
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name, -1, upper, MAX_PATH, nullptr, nullptr, 0) == 0)
        CopyText(upper, name);
    UINT hash = 2166136261u;  // FNV-1a over the UTF-16 units
    for (const WCHAR* p = upper; *p; ++p) {
        hash ^= *p;
        hash *= 16777619u;
    }
    return FirstIconId + hash % IconIdCount;
}

void KeepIconIdAcrossRename(const WCHAR* oldPath, const WCHAR* newPath) {
    for (int i = 0; i < CurrentShortcutTable.nCount; ++i) {
        const ShortcutEntry& entry = CurrentShortcutTable.pEntries[i];
        if (!SameLinkPath(entry, oldPath) || !CopyText(PendingRename.szNewPath, newPath)) continue;
        PendingRename.uIconId = entry.uIconId;
        return;
    }
}

void ForgetPendingRename() {
    PendingRename = KeptIconId{};
}
