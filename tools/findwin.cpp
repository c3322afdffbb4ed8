// findwin [--wait MS] [--close] CLASS [TITLE]
// Exits 0 when a top-level window of that class (and title) exists, hidden or
// not; with --close it posts WM_CLOSE to it. The end-to-end tests use it to see
// the program's hidden window.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    DWORD waitMs = 0;
    bool close = false;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc) waitMs = std::strtoul(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--close") == 0) close = true;
        else break;
    }
    if (i >= argc) return 2;
    const char* cls = argv[i];
    const char* title = i + 1 < argc ? argv[i + 1] : nullptr;
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindWindowA(cls, title)) {
            if (close) PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        if (GetTickCount() - start >= waitMs) return 1;
        Sleep(100);
    }
}
