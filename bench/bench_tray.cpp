// Figures for the tray icon set, printed as tables (not a test): a full scan
// against rescans after one shortcut was renamed and after an unrelated file
// appeared, the bare folder listing every scan starts with, the tray calls of
// a renamed and an unchanged rescan, and the process's memory and object
// counts after the first build and after 1,000 rebuilds of a changing folder.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/settings.h"
#include "bench/object_counts.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"

namespace {

constexpr int Runs = 5;
long trayCalls;

BOOL WINAPI CountNotifyIcon(DWORD, PNOTIFYICONDATAW) {
    ++trayCalls;
    return TRUE;
}
int WINAPI SilentMessageBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }

// A folder of its own under the temporary folder, deleted with its files.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& hint) {
        WCHAR temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"ombrix " + hint + L" " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        WIN32_FIND_DATAW item;
        UniqueFindHandle find(FindFirstFileW(file(L"*").c_str(), &item));
        if (find) {
            do {
                if (!(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(file(item.cFileName).c_str());
            } while (FindNextFileW(find.get(), &item));
        }
        find.reset();
        RemoveDirectoryW(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// A shell link to target, saved as the shell saves one.
void MakeShortcut(const std::wstring& linkPath, const WCHAR* target) {
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return;
    link->SetPath(target);
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) file->Save(linkPath.c_str(), TRUE);
}

void WriteBytes(const std::wstring& path, const char* bytes) {
    UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes, lstrlenA(bytes), &written, nullptr);
}

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// The median time of run(); prepare(i) makes run i's change to the folder
// outside the time taken.
template <typename Prepare, typename F>
double MedianMs(Prepare prepare, F run) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        prepare(i);
        double start = Now();
        run();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[Runs / 2];
}
template <typename F>
double MedianMs(F run) {
    return MedianMs([](int) {}, run);
}

// A user's shortcuts were written long before the program scans them: dated
// an hour back, as a rescan would find them.
void AgeFile(const std::wstring& path) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 36000000000ull;
    const FILETIME hourAgo = {time.LowPart, time.HighPart};
    UniqueKernelHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SetFileTime(file.get(), nullptr, nullptr, &hourAgo);
}

void FillFolder(const TempFolder& folder, int count) {
    const WCHAR* targets[] = {L"C:\\windows\\notepad.exe", L"C:\\windows\\regedit.exe",
                              L"C:\\windows\\system32\\winemine.exe"};
    for (int i = 0; i < count; ++i) {
        WCHAR name[64];
        wsprintfW(name, L"Verknüpfung %03d.lnk", i);
        MakeShortcut(folder.file(name), targets[i % 3]);
        AgeFile(folder.file(name));
    }
}

// What any scan of the folder must do at least: list it.
void ListFolder(const TempFolder& folder) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(folder.file(L"*.*").c_str(), &data));
    if (!find) return;
    while (FindNextFileW(find.get(), &data)) {
    }
}

// Renames shortcut 005 back and forth; the new name sorts into the same
// place, so one icon changes (tooltip and file) and none moves.
void RenameOne(const TempFolder& folder, int run) {
    std::wstring a = folder.file(L"Verknüpfung 005.lnk"), b = folder.file(L"Verknüpfung 005 neu.lnk");
    if (run % 2 == 0)
        MoveFileW(a.c_str(), b.c_str());
    else
        MoveFileW(b.c_str(), a.c_str());
}

std::wstring NoteFile(const TempFolder& folder, int run) {
    WCHAR name[32];
    wsprintfW(name, L"Notiz %d.txt", run);
    return folder.file(name);
}

void PrintCounts(const char* when, const ObjectCounts& c) {
    std::printf("| %s | %lu | %lu | %lu | %lu | %lu | %lu | %lu |\n", when, static_cast<unsigned long>(c.kernelHandles),
                static_cast<unsigned long>(c.gdiObjects), static_cast<unsigned long>(c.icons),
                static_cast<unsigned long>(c.menus), static_cast<unsigned long>(c.windows),
                static_cast<unsigned long>(c.committedKb), static_cast<unsigned long>(c.workingSetKb));
}

// A folder of `count` shortcuts to three programs, made as copies of three
// saved through the shell (saving 3,000 through it takes long), dated back.
void FillFolderByCopies(const TempFolder& folder, int count) {
    FillFolder(folder, 3);
    for (int i = 3; i < count; ++i) {
        WCHAR from[64], to[64];
        wsprintfW(from, L"Verknüpfung %03d.lnk", i % 3);
        wsprintfW(to, L"Verknüpfung %04d.lnk", i);
        CopyFileW(folder.file(from).c_str(), folder.file(to).c_str(), FALSE);
        AgeFile(folder.file(to));
    }
}

// 3,000 shortcuts, of which 100 are shown: the first build (the scan of a
// start-up) and a rescan that finds nothing changed, each timed once, and what
// the process holds before and after them.
void PrintLargeFolder() {
    constexpr int count = 3000;
    TempFolder folder(L"bench 3000");
    FillFolderByCopies(folder, count);
    lstrcpynW(ProgramFolder, folder.path().c_str(), MAX_PATH);
    std::printf("\n| process (%d shortcuts) | ms | kernel handles | GDI objects | icons | menus | windows "
                "| committed KiB | working set KiB |\n|---|---|---|---|---|---|---|---|---|\n",
                count);
    auto print = [](const char* when, double ms, const ObjectCounts& c) {
        std::printf("| %s | %.0f | %lu | %lu | %lu | %lu | %lu | %lu | %lu |\n", when, ms,
                    static_cast<unsigned long>(c.kernelHandles), static_cast<unsigned long>(c.gdiObjects),
                    static_cast<unsigned long>(c.icons), static_cast<unsigned long>(c.menus),
                    static_cast<unsigned long>(c.windows), static_cast<unsigned long>(c.committedKb),
                    static_cast<unsigned long>(c.workingSetKb));
    };
    print("before the first build", 0, ReadOwnObjectCounts());
    double start = Now();
    RebuildTrayIcons();
    const double first = Now() - start;
    print("after the first build", first, ReadOwnObjectCounts());
    trayCalls = 0;
    start = Now();
    RebuildTrayIcons();
    const double rescan = Now() - start;
    print("after a rescan, nothing changed", rescan, ReadOwnObjectCounts());
    std::printf("\nTray calls of that rescan: %ld; bare listing of the folder: %.1f ms.\n", trayCalls,
                MedianMs([&] { ListFolder(folder); }));
    RemoveTrayIcons();
}

}  // namespace

int main(int argc, char** argv) {
    CallNotifyIcon = CountNotifyIcon;
    CallMessageBox = SilentMessageBox;
    TrayWindow = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    lstrcpynA(Settings.szSort, "Ja", sizeof Settings.szSort);
    lstrcpynA(Settings.szMarkLinks, "Ja", sizeof Settings.szMarkLinks);
    lstrcpynA(Settings.szQuickInfo, "Ja", sizeof Settings.szQuickInfo);
    // "bench_tray 3000": the large folder alone.
    if (argc > 1 && lstrcmpA(argv[1], "3000") == 0) {
        PrintLargeFolder();
        return 0;
    }

    std::printf("| shortcuts | full scan ms | rescan, one renamed ms | rescan, unrelated file ms | bare listing ms "
                "| renamed / full | unrelated / listing | tray calls, renamed | tray calls, unchanged |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    for (int count : {10, 100, 400}) {
        TempFolder folder(L"bench");
        FillFolder(folder, count);
        lstrcpynW(ProgramFolder, folder.path().c_str(), MAX_PATH);
        // Without a current table nothing can be reused.
        double full = MedianMs([] {
            RemoveTrayIcons();
            RebuildTrayIcons();
        });
        double renamed = MedianMs([&](int run) { RenameOne(folder, run); }, [] { RebuildTrayIcons(); });
        trayCalls = 0;
        RenameOne(folder, Runs);
        RebuildTrayIcons();
        long renamedCalls = trayCalls;
        // A new name each run, so that every rescan meets a file it has not seen.
        double unrelated = MedianMs([&](int run) { WriteBytes(NoteFile(folder, run), "Notiz"); },
                                    [] { RebuildTrayIcons(); });
        // Listed as that rescan saw the folder last, with its new files.
        double listing = MedianMs([&] { ListFolder(folder); });
        for (int run = 0; run < Runs; ++run) DeleteFileW(NoteFile(folder, run).c_str());
        RebuildTrayIcons();
        trayCalls = 0;
        RebuildTrayIcons();
        long unchangedCalls = trayCalls;
        std::printf("| %d | %.1f | %.1f | %.1f | %.2f | %.3f | %.1f | %ld | %ld |\n", count, full, renamed, unrelated,
                    listing, renamed / full, unrelated / listing, renamedCalls, unchangedCalls);
        RemoveTrayIcons();
    }

    std::printf("\n| process (20 shortcuts, one renamed before each rebuild) | kernel handles | GDI objects | icons "
                "| menus | windows | committed KiB | working set KiB |\n|---|---|---|---|---|---|---|---|\n");
    TempFolder folder(L"bench soak");
    FillFolder(folder, 20);
    lstrcpynW(ProgramFolder, folder.path().c_str(), MAX_PATH);
    RebuildTrayIcons();
    ObjectCounts first = ReadOwnObjectCounts();
    PrintCounts("after the first build", first);
    std::wstring a = folder.file(L"Verknüpfung 000.lnk"), b = folder.file(L"Zuletzt.lnk");
    for (int i = 0; i < 1000; ++i) {
        if (i % 2 == 0)
            MoveFileW(a.c_str(), b.c_str());
        else
            MoveFileW(b.c_str(), a.c_str());
        RebuildTrayIcons();
    }
    PrintCounts("after 1,000 changed rebuilds", ReadOwnObjectCounts());
    RemoveTrayIcons();
    PrintLargeFolder();
    return 0;
}
