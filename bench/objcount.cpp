// objcount CLASS TITLE: prints "handles N windows N pid N" for the process that
// owns the top-level window of that class and title: the kernel handles it
// holds and its top-level windows. Exits 1 when there is no such window.
#include <windows.h>

#include <cstdio>

#include "bench/object_counts.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HWND window = FindWindowA(argv[1], argv[2]);
    if (!window) return 1;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::printf("handles %lu windows %lu pid %lu\n", static_cast<unsigned long>(CountKernelHandles(processId)),
                static_cast<unsigned long>(CountTopLevelWindows(processId)), static_cast<unsigned long>(processId));
    return 0;
}
