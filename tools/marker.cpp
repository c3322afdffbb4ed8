// marker FILE: appends one line "ran" to FILE and ends. Shortcuts in the tests
// point at it, so a start through the tray leaves a trace.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    char path[MAX_PATH];
    const char* start = arguments[0] == '"' ? arguments + 1 : arguments;
    lstrcpynA(path, start, MAX_PATH);
    int len = lstrlenA(path);
    if (len > 0 && path[len - 1] == '"') path[len - 1] = '\0';
    if (path[0] == '\0') return 2;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, "ran\r\n", 5, &written, nullptr);
    CloseHandle(file);
    return 0;
}
