// Built only with -DOMBRIX_TRACE=ON (see app/trace.h).
#include "app/trace.h"

#include <windows.h>

#include <cstdio>

namespace {

struct Stamp {
    LONGLONG ticks;
    const char* label;
    int number;
    DWORD thread;
};

constexpr int MaxStamps = 16384;

// Kept in memory while the program runs, so that a mark costs no file
// access; written once by the destructor at the process's end.
struct TraceLog {
    Stamp stamps[MaxStamps];
    volatile LONG count = 0;
    LONGLONG firstTicks = 0;
    ULONGLONG firstUnix100ns = 0;  // wall clock of the first stamp, to line up with outside clocks

    ~TraceLog() {
        WCHAR path[MAX_PATH + 8];
        DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (len == 0 || len >= MAX_PATH) return;
        lstrcatW(path, L".trace");
        FILE* file = _wfopen(path, L"w");
        if (!file) return;
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        for (int i = 0; i < count; ++i) {
            const double ms = 1000.0 * static_cast<double>(stamps[i].ticks - firstTicks) /
                              static_cast<double>(frequency.QuadPart);
            const double unixMs = static_cast<double>(firstUnix100ns) / 10000.0 + ms;
            std::fprintf(file, "%.3f %s %d %lu\n", unixMs, stamps[i].label, stamps[i].number,
                         static_cast<unsigned long>(stamps[i].thread));
        }
        std::fclose(file);
    }
};

TraceLog Log;

}  // namespace

// Marks come from the thread that adds the icons too: each takes a slot of its own.
void TraceMark(const char* label, int number) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONG slot = InterlockedIncrement(&Log.count) - 1;
    if (slot >= MaxStamps) {
        Log.count = MaxStamps;
        return;
    }
    if (slot == 0) {
        FILETIME wall;
        GetSystemTimeAsFileTime(&wall);
        const ULONGLONG since1601 = (static_cast<ULONGLONG>(wall.dwHighDateTime) << 32) | wall.dwLowDateTime;
        Log.firstUnix100ns = since1601 - 116444736000000000ull;
        Log.firstTicks = now.QuadPart;
    }
    Log.stamps[slot] = Stamp{now.QuadPart, label, number, GetCurrentThreadId()};
}
