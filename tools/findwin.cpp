// findwin --close CLASS TITLE: posts WM_CLOSE to the top-level window of that
// class and title, hidden or not, as Windows does at shut-down; exits 1 when
// there is none. The end-to-end tests, the run script and the benchmark end
// their programs this way.
#include <windows.h>

int main(int argc, char** argv) {
    HWND window = argc == 4 && !lstrcmpA(argv[1], "--close") ? FindWindowA(argv[2], argv[3]) : nullptr;
    return window && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
}
