// about_link_recorder: stands in for a mail program or browser in the About
// dialog tests. It appends its argument text, without surrounding quotes, as
// one line to links.log beside itself.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    char log[MAX_PATH];
    DWORD len = GetModuleFileNameA(nullptr, log, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return 1;
    char* slash = log;
    for (char* p = log; *p; ++p)
        if (*p == '\\') slash = p + 1;
    lstrcpynA(slash, "links.log", static_cast<int>(MAX_PATH - (slash - log)));

    const char* text = arguments[0] == '"' ? arguments + 1 : arguments;
    int cch = lstrlenA(text);
    if (cch > 0 && text[cch - 1] == '"') --cch;
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(cch), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
    return 0;
}
