// marker FILE [VARIABLE]: appends one line "ran" to FILE and ends; with a
// VARIABLE, the line is "ran VALUE", the variable's value as this process got
// it, in UTF-8 so that any value arrives whole. FILE may be in double quotes.
// Shortcuts in the tests point at it, so a start through the tray leaves a trace.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "../app/handles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2) return 2;
    std::string line = "ran";
    if (count > 2) {  // read with the W function: the A one would hand back a best-fit copy
        static WCHAR value[32767];
        const int length = int(GetEnvironmentVariableW(arguments[2], value, 32767));
        std::string utf8(size_t(length) * 3, '\0');
        utf8.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, value, length, &utf8[0], int(utf8.size()), nullptr, nullptr)));
        line += " " + utf8;
    }
    line += "\r\n";
    UniqueKernelHandle file(CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr) ? 0 : 1;
}
