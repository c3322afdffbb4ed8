// broadcast TEXT: sends WM_SETTINGCHANGE with TEXT to every top-level window,
// as the system's dialogs do after a change ("Environment" after new
// variables), and ends once all have handled it or 5 s passed for each.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(argv[1]),
                                       SMTO_ABORTIFHUNG, 5000, &result);
    return sent ? 0 : 1;
}
