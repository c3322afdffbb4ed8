// Built only with -DOMBRIX_TRACE=ON (see app/trace.h).
#include "app/trace.h"

#include <windows.h>

#include <cstdio>

namespace {

struct Stamp {
    LONGLONG ticks;
    const char* label;
    int number;
};

constexpr int MaxStamps = 16384;

// Kept in memory while the program runs, so that a mark costs no file
// access; written once by the destructor at the process's end.
struct TraceLog {
    Stamp stamps[MaxStamps];
    int count = 0;
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
            std::fprintf(file, "%.3f %s %d\n", unixMs, stamps[i].label, stamps[i].number);
        }
        std::fclose(file);
    }
};

TraceLog Log;

}  // namespace

void TraceMark(const char* label, int number) {
    if (Log.count == MaxStamps) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (Log.count == 0) {
        FILETIME wall;
        GetSystemTimeAsFileTime(&wall);
        const ULONGLONG since1601 = (static_cast<ULONGLONG>(wall.dwHighDateTime) << 32) | wall.dwLowDateTime;
        Log.firstUnix100ns = since1601 - 116444736000000000ull;
        Log.firstTicks = now.QuadPart;
    }
    Log.stamps[Log.count++] = Stamp{now.QuadPart, label, number};
}
