// The shortcuts of ProgramFolder, as the shell reports them.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct ShortcutEntry {
    HICON hOverlayIcon;            // the shell's picture with the shortcut arrow on it; owned
    HICON hPlainIcon;              // small icon of the icon source or a stand-in; owned
    int iIcon;                     // icon index within the icon location
    WCHAR szName[MAX_PATH];        // display name: tooltip, caption, sort key
    WCHAR szLinkPath[MAX_PATH];    // full path of the shortcut file
    WCHAR szIconSource[MAX_PATH];  // icon location file; empty when the link names none
    UINT uIconId;                  // its icon's identifier, kept while the shortcut exists
    bool fShown;                   // its icon is in the notification area
    bool fKeyboard;                // the shell took the keyboard behaviour for its icon
    bool fWaiting;                 // its add timed out or found no taskbar: tried again later
    bool fRefusalTold;             // the user was told that the shell refused its icon
    bool fFresh;                   // read from the shell by the scan that made its table
    bool fComplete;                // its icon location and plain picture are read too
    // The files as the scan found them: a later scan that finds them the same
    // takes the entry over without asking the shell again.
    ULONGLONG qwLinkSize;          // size of the shortcut file
    FILETIME ftLinkWritten;        // last write of the shortcut file
    FILETIME ftIconWritten;        // last write of the icon source; zero when it cannot be read
    bool fSettled;                 // both written well before the scan that read them
};

// One movable, zero-filled local block of entries, locked for its whole life.
struct ShortcutTable {
    ShortcutEntry* pEntries;
    int nCount;
    HLOCAL hMem;
    int nTooLong;  // shortcut files the listing left out: their path does not fit MAX_PATH
};

// The table shown in the notification area, one tray icon an entry, in order.
extern ShortcutTable CurrentShortcutTable;

// How the listing of the folder went. The folder always holds the running
// program, so a listing that fails (a share that dropped, a drive asleep) means
// that it cannot be seen, not that it is empty.
enum class FolderListing { Listed, Unreadable, NoMemory };

// A fresh table of the folder's shortcuts; on NoMemory the message is already
// shown, and only Listed gives a table. Entries of `reuse` and `reuseToo`
// whose files are unchanged move into the new table with what they hold (the
// old tables keep them without icons), the rest are read from the shell. Only
// the first `pictured` entries hold pictures; the others hold their names.
FolderListing ScanShortcutFolder(ShortcutTable* table, int pictured, ShortcutTable* reuse = nullptr,
                                 ShortcutTable* reuseToo = nullptr);

// The steps of ScanShortcutFolder, for a caller that shows each entry as
// soon as it is read: the folder is listed first (each entry then holds only
// its path and file state), then the entries are read one by one.
struct ShortcutScan {
    ShortcutTable table;     // the listed entries; the first nRead of them are read
    int nNext;               // the next listed entry to read
    int nRead;
    ULONGLONG qwStart;       // when the listing began (FILETIME units)
    // The entries of the tables whose unchanged entries are taken over, by
    // path: thousands of shortcuts of one size and date are told apart at once.
    std::unordered_map<std::wstring, ShortcutEntry*> reusable;
    // The last write of each icon source asked about so far: many shortcuts
    // share one (a system library, a program's own file), asked about once.
    std::vector<std::pair<std::wstring, FILETIME>> sourceTimes;
};
// Lists the folder's shortcut files; anything but Listed leaves no entries.
FolderListing BeginShortcutScan(ShortcutScan* scan, ShortcutTable* reuse, ShortcutTable* reuseToo);
// Puts the listed entries in the order of their file names without the
// extension, which the shell shows as their names but in rare cases.
void OrderByFileName(ShortcutScan* scan);
// What a read of a listed entry fills in: its name with the picture shown
// when shortcuts are marked, or with the plain one, or its name alone.
enum class ShortcutParts { MarkedPicture, PlainPicture, Name };
// Reads the next listed entry the shell can read, or takes it over, into
// place nRead - 1; false when none is left. What parts leave out is read
// when the scan ends. (The reading stays on the caller's thread: the shell's
// objects want their apartment, and a reading thread was seen under load to
// leave a kernel handle behind now and then.)
bool ReadNextShortcut(ShortcutScan* scan, ShortcutParts parts);
// Reads the names of the entries still unread, then moves the read entries
// into table, sorted by name when the settings say so: the first `pictured`
// with both pictures, the others with none (so that no more pictures are held
// at any time than those); entries the shell no longer reads are dropped.
void FinishShortcutScan(ShortcutScan* scan, ShortcutTable* table, int pictured);

// Whether both entries stand for the same files in the same state.
bool SameShortcutFiles(const ShortcutEntry& a, const ShortcutEntry& b);
// Whether two icons show the same pixels.
bool SamePicture(HICON a, HICON b);
// The file name part of a path (the whole path when it has no backslash).
const WCHAR* FileNameOf(const WCHAR* path);
// Destroys every entry's icons, then unlocks and frees the block; the table
// is left empty.
void FreeShortcutTable(ShortcutTable* table);
// How a scan resolves a link: no dialog, no search, no link tracking, no
// write to the user's file, and at most 500 ms (the high word); a shortcut
// whose target moved must not hold up every rescan.
constexpr DWORD ScanResolveFlags = static_cast<DWORD>(SLR_NO_UI) | static_cast<DWORD>(SLR_NOUPDATE) |
                                   static_cast<DWORD>(SLR_NOSEARCH) | static_cast<DWORD>(SLR_NOTRACK) | (500u << 16);
// The target of the link at linkPath; false when any step of loading or
// resolving fails.
bool ResolveLinkTarget(const WCHAR* linkPath, WCHAR (&target)[MAX_PATH]);
// The entry's picture without the shell's marking into hPlainIcon: from its
// icon location, or when that is empty icon 0 of its resolved target. Where
// nothing can be extracted, the shell's picture of the shortcut, failing that
// the program's own: an icon without a picture would be an invisible hole.
void ExtractPlainIcon(ShortcutEntry* entry);
// Both pictures of a read entry made anew, at the tray pictures' size; where
// the shell no longer reads the shortcut, the marked one is the plain one.
void ReadShortcutPictures(ShortcutEntry* entry);
// Moves every entry from index count on into a new table `rest`; where no
// block can be had for it, drops them.
void MoveLaterShortcutEntries(ShortcutTable* table, int count, ShortcutTable* rest);
