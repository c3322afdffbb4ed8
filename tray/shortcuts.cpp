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
#include "tray/linkoverlay.h"

ShortcutTable CurrentShortcutTable;

namespace {

// The first block holds this many entries.
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

// Makes room for as many entries again, at least TableGrowth more (grown by
// a few at a time, a block of thousands would be copied over and over). On
// failure the block keeps its size, place and entries, and the result is the
// error code (0 on success).
DWORD GrowTable(ShortcutTable* table, int* capacity) {
    LocalUnlock(table->hMem);
    const int more = std::max(*capacity, TableGrowth);
    HLOCAL grown = LocalReAlloc(table->hMem, BlockSize(*capacity + more), TableBlockFlags);
    DWORD error = grown ? 0 : GetLastError();
    if (grown) {
        table->hMem = grown;
        *capacity += more;
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

bool IsShortcutName(const WCHAR* fileName) {
    return EndsWithNoCase(fileName, L".lnk") || EndsWithNoCase(fileName, L".pif");
}

// Admitted are names ending in .lnk or .pif, and what the shell calls a link;
// only for other extensions is the shell asked.
bool IsShortcutFile(const WCHAR* fullPath, const WCHAR* fileName) {
    if (IsShortcutName(fileName)) return true;
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

// The icon source's last write, asked of the file system once per scan.
FILETIME SourceWritten(ShortcutScan* scan, const WCHAR* source) {
    for (const auto& [path, written] : scan->sourceTimes)
        if (path == source) return written;
    scan->sourceTimes.emplace_back(source, IconSourceWritten(source));
    return scan->sourceTimes.back().second;
}

// Notes the icon source's state in an entry whose icon location was just
// read; the shortcut file's state was noted when the folder was listed.
void RecordIconState(ShortcutScan* scan, ShortcutEntry* entry) {
    entry->ftIconWritten = SourceWritten(scan, entry->szIconSource);
    entry->fSettled =
        WrittenBefore(entry->ftLinkWritten, scan->qwStart) && WrittenBefore(entry->ftIconWritten, scan->qwStart);
}

// The settled reusable entry of this listed entry whose files are as found
// now, or null.
ShortcutEntry* FindUnchangedEntry(ShortcutScan* scan, const ShortcutEntry& listed) {
    const auto found = scan->reusable.find(listed.szLinkPath);
    if (found == scan->reusable.end()) return nullptr;
    ShortcutEntry& old = *found->second;
    const bool unchanged = old.qwLinkSize == listed.qwLinkSize && SameTime(old.ftLinkWritten, listed.ftLinkWritten) &&
                           old.fSettled && SameTime(old.ftIconWritten, SourceWritten(scan, old.szIconSource));
    return unchanged ? &old : nullptr;
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
    const int size = TrayPictureSize();
    return static_cast<HICON>(LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_OMBRIX), IMAGE_ICON, size, size, 0));
}

}  // namespace

bool ResolveLinkTarget(const WCHAR* linkPath, WCHAR (&target)[MAX_PATH]) {
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

namespace {

// The shell's name and (with SHGFI_ICON) marked icon of the entry's file, as
// flags ask (SHGFI_ICON only while it has none); false leaves the entry as it was.
bool ReadShellView(ShortcutEntry* entry, UINT flags) {
    SHFILEINFOW info = {};
    if (!ReadShellInfo(entry->szLinkPath, flags, &info)) return false;
    TraceMark("info.iconname");
    if (flags & SHGFI_ICON) {
        UniqueIcon shells(info.hIcon);
        entry->hOverlayIcon = MarkWithLinkArrow(shells.get());
    }
    if (flags & SHGFI_DISPLAYNAME) lstrcpynW(entry->szName, info.szDisplayName, MAX_PATH);
    return true;
}

}  // namespace

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
    SHFILEINFOW shells = {};
    if (source[0] != L'\0') entry->hPlainIcon = ExtractTrayPicture(source, index);
    if (!entry->hPlainIcon && ReadShellInfo(entry->szLinkPath, SHGFI_ICON, &shells)) entry->hPlainIcon = shells.hIcon;
    if (!entry->hPlainIcon) entry->hPlainIcon = LoadProgramIcon();
    TraceMark("plain.extract");
}

namespace {

// The icon location, the icon source's state and the plain picture of an
// entry whose name is read; false when the shell cannot give the location.
bool ReadPlainIcon(ShortcutScan* scan, ShortcutEntry* entry) {
    SHFILEINFOW location = {};
    if (!SHGetFileInfoW(entry->szLinkPath, 0, &location, sizeof location, SHGFI_ICONLOCATION)) return false;
    TraceMark("info.location");
    entry->iIcon = location.iIcon;
    lstrcpynW(entry->szIconSource, location.szDisplayName, MAX_PATH);
    RecordIconState(scan, entry);
    ExtractPlainIcon(entry);
    entry->fComplete = true;
    return true;
}

void DestroyEntryIcons(ShortcutEntry* entry) {
    if (entry->hOverlayIcon) DestroyIcon(entry->hOverlayIcon);
    if (entry->hPlainIcon) DestroyIcon(entry->hPlainIcon);
    entry->hOverlayIcon = nullptr;
    entry->hPlainIcon = nullptr;
}

}  // namespace

void ReadShortcutPictures(ShortcutEntry* entry) {
    DestroyEntryIcons(entry);
    ReadShellView(entry, SHGFI_ICON);
    ExtractPlainIcon(entry);
    if (!entry->hOverlayIcon) entry->hOverlayIcon = CopyIcon(entry->hPlainIcon);
}

namespace {

// Fills a listed entry from the shell's view of its file, as far as parts
// say; false leaves it empty, its icons given back. Until its icon source is
// read, an entry is as settled as its shortcut file.
bool ReadShortcut(ShortcutScan* scan, ShortcutParts parts, ShortcutEntry* entry) {
    const UINT view = parts == ShortcutParts::MarkedPicture ? SHGFI_DISPLAYNAME | SHGFI_ICON : SHGFI_DISPLAYNAME;
    entry->fSettled = WrittenBefore(entry->ftLinkWritten, scan->qwStart);
    if (ReadShellView(entry, view) && (parts != ShortcutParts::PlainPicture || ReadPlainIcon(scan, entry)))
        return true;
    DestroyEntryIcons(entry);
    *entry = ShortcutEntry{};
    return false;
}

// Both pictures of an entry, read where it has none yet; false when the
// shell no longer reads it.
bool CompletePictures(ShortcutScan* scan, ShortcutEntry* entry) {
    const bool marked = entry->hOverlayIcon || ReadShellView(entry, SHGFI_ICON);
    return marked && (entry->fComplete || ReadPlainIcon(scan, entry));
}

// An entry that is not shown keeps its name and file state, no pictures.
void DropPictures(ShortcutEntry* entry) {
    DestroyEntryIcons(entry);
    entry->fComplete = false;
}

// A shortcut file found in the listing, as an entry of its path and state.
ShortcutEntry ListedEntry(const WCHAR* path, const WIN32_FIND_DATAW& item) {
    ShortcutEntry entry = {};
    lstrcpynW(entry.szLinkPath, path, MAX_PATH);
    entry.qwLinkSize = FoundSize(item);
    entry.ftLinkWritten = item.ftLastWriteTime;
    entry.fFresh = true;
    return entry;
}

// Lists the folder's shortcut files into table until the listing ends or the
// block cannot grow (the message is then shown, and what was listed is kept);
// Unreadable when the listing broke off.
FolderListing ListFolder(HANDLE find, WIN32_FIND_DATAW* item, WCHAR (&path)[MAX_PATH], WCHAR* nameStart,
                         ShortcutTable* table) {
    int capacity = TableGrowth;
    const size_t cchName = static_cast<size_t>(path + MAX_PATH - nameStart);
    do {
        if (item->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // A shortcut whose full path does not fit cannot be opened: it is counted, to be told.
        if (!CopyText(nameStart, cchName, item->cFileName)) {
            if (IsShortcutName(item->cFileName)) ++table->nTooLong;
            continue;
        }
        if (!IsShortcutFile(path, item->cFileName)) continue;
        if (table->nCount == capacity) {
            if (DWORD error = GrowTable(table, &capacity)) {
                ShowMemoryError(error);
                return FolderListing::Listed;
            }
        }
        table->pEntries[table->nCount++] = ListedEntry(path, *item);
    } while (FindNextFileW(find, item));
    return GetLastError() == ERROR_NO_MORE_FILES ? FolderListing::Listed : FolderListing::Unreadable;
}

// The stable sort keeps entries of the same name in the order they came in.
void SortByName(ShortcutTable* table) {
    std::stable_sort(table->pEntries, table->pEntries + table->nCount,
                     [](const ShortcutEntry& a, const ShortcutEntry& b) { return lstrcmpW(a.szName, b.szName) < 0; });
}

// The file name of the path without its extension.
void FileNameStem(const WCHAR* path, WCHAR (&stem)[MAX_PATH]) {
    lstrcpynW(stem, FileNameOf(path), MAX_PATH);
    if (WCHAR* dot = wcsrchr(stem, L'.')) *dot = L'\0';
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

FolderListing BeginShortcutScan(ShortcutScan* scan, ShortcutTable* reuse, ShortcutTable* reuseToo) {
    *scan = ShortcutScan{};
    for (ShortcutTable* table : {reuse, reuseToo})
        for (int i = 0; table && i < table->nCount; ++i)
            scan->reusable.emplace(table->pEntries[i].szLinkPath, &table->pEntries[i]);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    scan->qwStart = FileTimeValue(now);
    if (!AllocateTable(&scan->table)) {
        ShowMemoryError(GetLastError());
        return FolderListing::NoMemory;
    }
    WCHAR path[MAX_PATH];
    WCHAR* nameStart = nullptr;
    WIN32_FIND_DATAW item;
    UniqueFindHandle find;
    DWORD error = ERROR_BAD_PATHNAME;  // a folder that cannot be named is not seen
    if (BuildSearchPath(path, &nameStart)) {
        find.reset(FindFirstFileW(path, &item));
        error = GetLastError();
    }
    FolderListing listing = FolderListing::Unreadable;
    if (find)
        listing = ListFolder(find.get(), &item, path, nameStart, &scan->table);
    else if (error == ERROR_FILE_NOT_FOUND)  // no file at all, which only a drive root can be
        listing = FolderListing::Listed;
    TraceMark("list");
    if (listing != FolderListing::Listed) FreeShortcutTable(&scan->table);
    return listing;
}

void OrderByFileName(ShortcutScan* scan) {
    ShortcutTable& table = scan->table;
    std::stable_sort(table.pEntries + scan->nNext, table.pEntries + table.nCount,
                     [](const ShortcutEntry& a, const ShortcutEntry& b) {
                         WCHAR stemA[MAX_PATH], stemB[MAX_PATH];
                         FileNameStem(a.szLinkPath, stemA);
                         FileNameStem(b.szLinkPath, stemB);
                         return lstrcmpW(stemA, stemB) < 0;
                     });
}

bool ReadNextShortcut(ShortcutScan* scan, ShortcutParts parts) {
    ShortcutTable& table = scan->table;
    while (scan->nNext < table.nCount) {
        ShortcutEntry listed = table.pEntries[scan->nNext];
        table.pEntries[scan->nNext++] = ShortcutEntry{};
        ShortcutEntry* entry = &table.pEntries[scan->nRead];
        ShortcutEntry* unchanged = FindUnchangedEntry(scan, listed);
        if (unchanged) {
            TakeEntry(unchanged, entry);
        } else {
            *entry = listed;
            if (!ReadShortcut(scan, parts, entry)) continue;
        }
        ++scan->nRead;
        return true;
    }
    return false;
}

void FinishShortcutScan(ShortcutScan* scan, ShortcutTable* table, int pictured) {
    while (ReadNextShortcut(scan, ShortcutParts::Name)) {
    }
    *table = scan->table;
    table->nCount = scan->nRead;
    if (table->nCount != 0 && IsOptionOn(Settings.szSort)) SortByName(table);
    TraceMark("sort");
    // The entries beyond give their pictures back before any more are read.
    for (int i = pictured; i < table->nCount; ++i) DropPictures(&table->pEntries[i]);
    int kept = 0;
    for (int i = 0; i < table->nCount; ++i) {
        ShortcutEntry entry = table->pEntries[i];
        table->pEntries[i] = ShortcutEntry{};
        if (kept < pictured && !CompletePictures(scan, &entry)) {
            DestroyEntryIcons(&entry);
            continue;
        }
        table->pEntries[kept++] = entry;
    }
    table->nCount = kept;
    TraceMark("complete");
    *scan = ShortcutScan{};
}

FolderListing ScanShortcutFolder(ShortcutTable* table, int pictured, ShortcutTable* reuse, ShortcutTable* reuseToo) {
    ShortcutScan scan;
    *table = ShortcutTable{};
    const FolderListing listing = BeginShortcutScan(&scan, reuse, reuseToo);
    if (listing == FolderListing::Listed) FinishShortcutScan(&scan, table, pictured);
    return listing;
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
