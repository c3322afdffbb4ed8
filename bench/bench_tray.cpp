// Figures for the tray icon set, printed as a table (not a test): the cost of
// RebuildTrayIcons against the floor of the shell queries a scan must make,
// the tray calls of an unchanged rebuild, and the process's memory and object
// counts after the first build and after 1,000 rebuilds of a changing folder.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "bench/object_counts.h"
#include "support/support.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"

namespace {

constexpr int Runs = 5;
long trayCalls;

BOOL WINAPI CountNotifyIcon(DWORD, PNOTIFYICONDATAA) {
    ++trayCalls;
    return TRUE;
}
int WINAPI SilentMessageBox(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

template <typename F>
double MedianMs(F run) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        double start = Now();
        run();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[Runs / 2];
}

void FillFolder(const TempFolder& folder, int count) {
    const char* targets[] = {"C:\\windows\\notepad.exe", "C:\\windows\\regedit.exe", "C:\\windows\\system32\\winemine.exe"};
    for (int i = 0; i < count; ++i) {
        char name[64];
        wsprintfA(name, "Verknüpfung %03d.lnk", i);
        MakeShortcut(folder.file(name), targets[i % 3]);
    }
}

// The three shell queries the scan makes per shortcut, and nothing else.
void ShellQueryFloor(const TempFolder& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder.file("*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string path = folder.file(data.cFileName);
        SHFILEINFOA info = {};
        SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ATTRIBUTES);
        SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_SMALLICON);
        if (info.hIcon) DestroyIcon(info.hIcon);
        SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICONLOCATION);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void PrintCounts(const char* when, const ObjectCounts& c) {
    std::printf("| %s | %lu | %lu | %lu | %lu | %lu | %lu | %lu |\n", when, static_cast<unsigned long>(c.kernelHandles),
                static_cast<unsigned long>(c.gdiObjects), static_cast<unsigned long>(c.icons),
                static_cast<unsigned long>(c.menus), static_cast<unsigned long>(c.windows),
                static_cast<unsigned long>(c.committedKb), static_cast<unsigned long>(c.workingSetKb));
}

}  // namespace

int main() {
    CallNotifyIcon = CountNotifyIcon;
    CallMessageBox = SilentMessageBox;
    TrayWindow = CreateWindowExA(0, "STATIC", "bench", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    lstrcpynA(Settings.szSort, "Ja", sizeof Settings.szSort);
    lstrcpynA(Settings.szMarkLinks, "Ja", sizeof Settings.szMarkLinks);
    lstrcpynA(Settings.szQuickInfo, "Ja", sizeof Settings.szQuickInfo);

    std::printf("| shortcuts | shell queries (floor) ms | rebuild, changed ms | ratio | rebuild, unchanged ms | ratio "
                "| tray calls, unchanged |\n|---|---|---|---|---|---|---|\n");
    for (int count : {10, 100, 400}) {
        TempFolder folder("bench");
        FillFolder(folder, count);
        lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
        double floor = MedianMs([&] { ShellQueryFloor(folder); });
        double changed = MedianMs([&] {
            RemoveTrayIcons();
            RebuildTrayIcons();
        });
        double unchanged = MedianMs([&] { RebuildTrayIcons(); });
        trayCalls = 0;
        RebuildTrayIcons();
        long unchangedCalls = trayCalls;
        std::printf("| %d | %.1f | %.1f | %.2f | %.1f | %.2f | %ld |\n", count, floor, changed, changed / floor,
                    unchanged, unchanged / floor, unchangedCalls);
        RemoveTrayIcons();
    }

    std::printf("\n| process (20 shortcuts, one renamed before each rebuild) | kernel handles | GDI objects | icons "
                "| menus | windows | committed KiB | working set KiB |\n|---|---|---|---|---|---|---|---|\n");
    TempFolder folder("bench soak");
    FillFolder(folder, 20);
    lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
    RebuildTrayIcons();
    ObjectCounts first = ReadOwnObjectCounts();
    PrintCounts("after the first build", first);
    std::string a = folder.file("Verknüpfung 000.lnk"), b = folder.file("Zuletzt.lnk");
    for (int i = 0; i < 1000; ++i) {
        if (i % 2 == 0)
            MoveFileA(a.c_str(), b.c_str());
        else
            MoveFileA(b.c_str(), a.c_str());
        RebuildTrayIcons();
    }
    PrintCounts("after 1,000 changed rebuilds", ReadOwnObjectCounts());
    RemoveTrayIcons();
    return 0;
}
