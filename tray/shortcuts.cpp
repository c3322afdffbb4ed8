#include "tray/shortcuts.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>
#include <cwchar>

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/text.h"
#include "app/trace.h"
#include "res/resource.h"

ShortcutTable CurrentShortcutTable;

namespace {

// The block grows by this many entries whenever it is full.
constexpr int TableGrowth = 4;
// Movable and zero-filled, so that new room holds null icons and empty names.
constexpr UINT TableBlockFlags = LMEM_MOVEABLE | LMEM_ZEROINIT;

void ShowMemoryError(DWORD error) {
    wsprintfW(MessageText, L"Speicherfehler: %d.", static_cast<int>(error));
    ShowProgramMessage(MessageText, 0);
}

SIZE_T BlockSize(int entries) {
    return static_cast<SIZE_T>(entries) * sizeof(ShortcutEntry);
}

bool AllocateTable(ShortcutTable* table) {
    HLOCAL block = LocalAlloc(TableBlockFlags, BlockSize(TableGrowth));
    if (!block) return false;
    table->hMem = block;
    table->pEntries = static_cast<ShortcutEntry*>(LocalLock(block));
    table->nCount = 0;
    return true;
}

// Makes room for TableGrowth more entries. On failure the block keeps its
// size, place and entries, and the result is the error code (0 on success).
DWORD GrowTable(ShortcutTable* table, int* capacity) {
    LocalUnlock(table->hMem);
    HLOCAL grown = LocalReAlloc(table->hMem, BlockSize(*capacity + TableGrowth), TableBlockFlags);
    DWORD error = grown ? 0 : GetLastError();
    if (grown) {
        table->hMem = grown;
        *capacity += TableGrowth;
    }
    table->pEntries = static_cast<ShortcutEntry*>(LocalLock(table->hMem));
    return error;
}

// "<folder>\*.*" in path; nameStart points behind the backslash, where each
// found name is put to form its full path.
bool BuildSearchPath(WCHAR (&path)[MAX_PATH], WCHAR** nameStart) {
    if (!CopyText(path, ProgramFolder)) return false;
    int len = lstrlenW(path);
    if ((len == 0 || path[len - 1] != L'\\') && !AppendText(path, L"\\")) return false;
    *nameStart = path + lstrlenW(path);
    return AppendText(path, L"*.*");
}

// Whether the shell calls the files of an extension links follows from the
// extension's file type, so each is asked about once while the program runs.
constexpr int MaxKnownExtensions = 16;
struct ExtensionAnswer {
    WCHAR szExtension[16];
    bool fLink;
};
ExtensionAnswer KnownExtensions[MaxKnownExtensions];
int KnownExtensionCount;

const ExtensionAnswer* FindExtensionAnswer(const WCHAR* extension) {
    for (int i = 0; i < KnownExtensionCount; ++i)
        if (lstrcmpiW(KnownExtensions[i].szExtension, extension) == 0) return &KnownExtensions[i];
    return nullptr;
}

void RememberExtensionAnswer(const WCHAR* extension, bool link) {
    if (KnownExtensionCount == MaxKnownExtensions) return;
    ExtensionAnswer& answer = KnownExtensions[KnownExtensionCount];
    if (!CopyText(answer.szExtension, extension)) return;  // too long to keep: asked each time
    answer.fLink = link;
    ++KnownExtensionCount;
}

// Admitted are names ending in .lnk or .pif, and what the shell calls a link;
// only for other extensions is the shell asked.
bool IsShortcutFile(const WCHAR* fullPath, const WCHAR* fileName) {
    if (EndsWithNoCase(fileName, L".lnk") || EndsWithNoCase(fileName, L".pif")) return true;
    const WCHAR* dot = wcsrchr(fileName, L'.');
    if (const ExtensionAnswer* known = dot ? FindExtensionAnswer(dot) : nullptr) return known->fLink;
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(fullPath, 0, &info, sizeof info, SHGFI_ATTRIBUTES)) return false;
    const bool link = (info.dwAttributes & SFGAO_LINK) != 0;
    if (dot) RememberExtensionAnswer(dot, link);
    return link;
}

ULONGLONG FileTimeValue(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return FileTimeValue(a) == FileTimeValue(b);
}

ULONGLONG FoundSize(const WIN32_FIND_DATAW& item) {
    return (static_cast<ULONGLONG>(item.nFileSizeHigh) << 32) | item.nFileSizeLow;
}

// The last write of an icon source; zero when there is none or it cannot be read.
FILETIME IconSourceWritten(const WCHAR* source) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (source[0] == L'\0' || !GetFileAttributesExW(source, GetFileExInfoStandard, &data)) return FILETIME{};
    return data.ftLastWriteTime;
}

// A file written this close before a scan may be written again within the
// same tick of the file system's clock (two seconds on FAT) after the shell
// read it, and look unchanged: such an entry is read again next time.
constexpr ULONGLONG SettleTime = 4ull * 10000000;  // in 100 ns units

bool WrittenBefore(const FILETIME& written, ULONGLONG scanStart) {
    return FileTimeValue(written) + SettleTime < scanStart;
}

// Notes the files' state in a freshly read entry.
void RecordFileState(const WIN32_FIND_DATAW& item, ULONGLONG scanStart, ShortcutEntry* entry) {
    entry->qwLinkSize = FoundSize(item);
    entry->ftLinkWritten = item.ftLastWriteTime;
    entry->ftIconWritten = IconSourceWritten(entry->szIconSource);
    entry->fSettled = WrittenBefore(entry->ftLinkWritten, scanStart) && WrittenBefore(entry->ftIconWritten, scanStart);
}

// The settled entry of `reuse` for this path whose files are as found now, or
// null. The search starts behind the last match: both listings mostly run in
// the same order.
ShortcutEntry* FindUnchangedEntry(ShortcutTable* reuse, const WCHAR* path, const WIN32_FIND_DATAW& item,
                                  int* hint) {
    if (!reuse) return nullptr;
    const ULONGLONG size = FoundSize(item);
    for (int k = 0; k < reuse->nCount; ++k) {
        const int j = (*hint + k) % reuse->nCount;
        ShortcutEntry& old = reuse->pEntries[j];
        // The numbers first: they tell most entries apart at once.
        if (old.qwLinkSize != size || !SameTime(old.ftLinkWritten, item.ftLastWriteTime)) continue;
        if (wcscmp(old.szLinkPath, path) != 0) continue;
        *hint = j + 1;
        bool unchanged = old.fSettled && old.hOverlayIcon &&
                         SameTime(old.ftIconWritten, IconSourceWritten(old.szIconSource));
        return unchanged ? &old : nullptr;
    }
    return nullptr;
}

// Moves the entry with its icons; the old one keeps its text without icons.
void TakeEntry(ShortcutEntry* old, ShortcutEntry* entry) {
    *entry = *old;
    entry->fShown = false;
    entry->fFresh = false;
    old->hOverlayIcon = nullptr;
    old->hPlainIcon = nullptr;
}

// The program's own small icon, owned by the caller.
HICON LoadProgramIcon() {
    return static_cast<HICON>(LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_OMBRIX), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

}  // namespace

bool ResolveLinkTarget(const WCHAR* linkPath, WCHAR (&target)[MAX_PATH]) {
    ComScope com;
    if (!com.ok()) return false;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return false;
    if (FAILED(file->Load(linkPath, STGM_READ))) return false;
    if (FAILED(link->Resolve(nullptr, ScanResolveFlags))) return false;
    // The long path: many volumes have no short names at all.
    WIN32_FIND_DATAW unused;
    WCHAR buffer[MAX_PATH] = {};
    if (FAILED(link->GetPath(buffer, MAX_PATH, &unused, 0)) || buffer[0] == L'\0') return false;
    lstrcpynW(target, buffer, MAX_PATH);
    return true;
}

void ExtractPlainIcon(ShortcutEntry* entry) {
    WCHAR source[MAX_PATH] = {};
    int index = 0;
    if (entry->szIconSource[0] != L'\0') {
        lstrcpynW(source, entry->szIconSource, MAX_PATH);
        index = entry->iIcon;
    } else if (!ResolveLinkTarget(entry->szLinkPath, source)) {
        source[0] = L'\0';
    }
    TraceMark("plain.resolve");
    HICON extracted = nullptr;
    if (source[0] != L'\0' && ExtractIconExW(source, index, nullptr, &extracted, 1) != 0 && extracted) {
        entry->hPlainIcon = extracted;
    } else if (entry->hOverlayIcon) {
        entry->hPlainIcon = CopyIcon(entry->hOverlayIcon);
    }
    if (!entry->hPlainIcon) entry->hPlainIcon = LoadProgramIcon();
    TraceMark("plain.extract");
}

namespace {

// Fills entry from the shell's view of the file; false leaves the entry
// empty (any icon already taken is given back).
bool ReadShortcut(const WCHAR* fullPath, ShortcutEntry* entry) {
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(fullPath, 0, &info, sizeof info, SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_SMALLICON))
        return false;
    TraceMark("info.iconname");
    entry->hOverlayIcon = info.hIcon;
    lstrcpynW(entry->szName, info.szDisplayName, MAX_PATH);
    lstrcpynW(entry->szLinkPath, fullPath, MAX_PATH);

    SHFILEINFOW location = {};
    if (!SHGetFileInfoW(fullPath, 0, &location, sizeof location, SHGFI_ICONLOCATION)) {
        DestroyIcon(entry->hOverlayIcon);
        *entry = ShortcutEntry{};
        return false;
    }
    TraceMark("info.location");
    entry->iIcon = location.iIcon;
    lstrcpynW(entry->szIconSource, location.szDisplayName, MAX_PATH);
    ExtractPlainIcon(entry);
    return true;
}

// Reads the folder's items into table until the listing ends or the block
// cannot grow; unchanged entries of reuse are taken over.
void ReadFolder(HANDLE find, WIN32_FIND_DATAW* item, WCHAR (&path)[MAX_PATH], WCHAR* nameStart,
                ShortcutTable* table, ShortcutTable* reuse, ShortcutTable* reuseToo) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG scanStart = FileTimeValue(now);
    int capacity = TableGrowth;
    int hint = 0, hintToo = 0;
    const size_t cchName = static_cast<size_t>(path + MAX_PATH - nameStart);
    do {
        TraceMark("list");
        if (item->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // A name whose full path does not fit is left out like any unreadable item.
        if (!CopyText(nameStart, cchName, item->cFileName)) continue;
        if (!IsShortcutFile(path, item->cFileName)) continue;
        TraceMark("kind");
        if (table->nCount == capacity) {
            if (DWORD error = GrowTable(table, &capacity)) {
                ShowMemoryError(error);
                return;
            }
        }
        ShortcutEntry* entry = &table->pEntries[table->nCount];
        ShortcutEntry* unchanged = FindUnchangedEntry(reuse, path, *item, &hint);
        if (!unchanged) unchanged = FindUnchangedEntry(reuseToo, path, *item, &hintToo);
        if (unchanged) {
            TakeEntry(unchanged, entry);
        } else if (ReadShortcut(path, entry)) {
            RecordFileState(*item, scanStart, entry);
            TraceMark("filestate");
            entry->fFresh = true;
        } else {
            continue;
        }
        ++table->nCount;
    } while (FindNextFileW(find, item));
}

void SortByName(ShortcutTable* table) {
    std::sort(table->pEntries, table->pEntries + table->nCount,
              [](const ShortcutEntry& a, const ShortcutEntry& b) { return lstrcmpW(a.szName, b.szName) < 0; });
}

void DestroyEntryIcons(ShortcutEntry* entry) {
    if (entry->hOverlayIcon) DestroyIcon(entry->hOverlayIcon);
    if (entry->hPlainIcon) DestroyIcon(entry->hPlainIcon);
    entry->hOverlayIcon = nullptr;
    entry->hPlainIcon = nullptr;
}

}  // namespace

bool SameShortcutFiles(const ShortcutEntry& a, const ShortcutEntry& b) {
    return wcscmp(a.szLinkPath, b.szLinkPath) == 0 && a.qwLinkSize == b.qwLinkSize &&
           SameTime(a.ftLinkWritten, b.ftLinkWritten) && SameTime(a.ftIconWritten, b.ftIconWritten);
}

const WCHAR* FileNameOf(const WCHAR* path) {
    const WCHAR* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

namespace {

// The icon's colour and mask pixels, as 32-bit rows; empty when unreadable.
std::vector<DWORD> IconPixels(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    UniqueGdiObject color(info.hbmColor), mask(info.hbmMask);
    BITMAP size = {};
    if (!GetObjectW(mask.get(), sizeof size, &size)) return {};
    const int height = color ? size.bmHeight : size.bmHeight / 2;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.bmWidth;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const size_t count = static_cast<size_t>(size.bmWidth) * static_cast<size_t>(size.bmHeight);
    std::vector<DWORD> pixels(2 * count + 1);
    pixels[2 * count] = static_cast<DWORD>(size.bmWidth);
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return {};
    if (color && !GetDIBits(dc.get(), static_cast<HBITMAP>(color.get()), 0, height, pixels.data(), &format,
                            DIB_RGB_COLORS))
        return {};
    if (!GetDIBits(dc.get(), static_cast<HBITMAP>(mask.get()), 0, height, pixels.data() + count, &format,
                   DIB_RGB_COLORS))
        return {};
    return pixels;
}

}  // namespace

bool SamePicture(HICON a, HICON b) {
    if (a == b) return true;
    const std::vector<DWORD> x = IconPixels(a);
    return !x.empty() && x == IconPixels(b);
}

bool ScanShortcutFolder(ShortcutTable* table, ShortcutTable* reuse, ShortcutTable* reuseToo) {
    *table = ShortcutTable{};
    if (!AllocateTable(table)) {
        ShowMemoryError(GetLastError());
        return false;
    }
    WCHAR path[MAX_PATH];
    WCHAR* nameStart = nullptr;
    if (!BuildSearchPath(path, &nameStart)) return true;  // a folder we cannot name lists nothing

    WIN32_FIND_DATAW item;
    UniqueFindHandle find(FindFirstFileW(path, &item));
    if (!find) return true;
    TraceMark("list.first");
    ReadFolder(find.get(), &item, path, nameStart, table, reuse, reuseToo);
    find.reset();
    TraceMark("list.end");

    if (table->nCount != 0 && IsOptionOn(Settings.szSort)) SortByName(table);
    TraceMark("sort");
    return true;
}

namespace {

// Drops every entry from index count on, with its icons.
void KeepFirstShortcutEntries(ShortcutTable* table, int count) {
    for (int i = count; i < table->nCount; ++i) {
        DestroyEntryIcons(&table->pEntries[i]);
        table->pEntries[i] = ShortcutEntry{};
    }
    if (table->nCount > count) table->nCount = count;
}

}  // namespace

void MoveLaterShortcutEntries(ShortcutTable* table, int count, ShortcutTable* rest) {
    *rest = ShortcutTable{};
    if (table->nCount <= count) return;
    const int later = table->nCount - count;
    HLOCAL block = LocalAlloc(TableBlockFlags, BlockSize(later));
    if (!block) {
        KeepFirstShortcutEntries(table, count);
        return;
    }
    rest->hMem = block;
    rest->pEntries = static_cast<ShortcutEntry*>(LocalLock(block));
    rest->nCount = later;
    for (int i = 0; i < later; ++i) {
        rest->pEntries[i] = table->pEntries[count + i];
        table->pEntries[count + i] = ShortcutEntry{};
    }
    table->nCount = count;
}

void FreeShortcutTable(ShortcutTable* table) {
    for (int i = 0; i < table->nCount; ++i) DestroyEntryIcons(&table->pEntries[i]);
    if (table->hMem) {
        LocalUnlock(table->hMem);
        LocalFree(table->hMem);
    }
    *table = ShortcutTable{};
}
