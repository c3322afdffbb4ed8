// marker FILE [VARIABLE]: appends one line "ran" to FILE and ends; with a
// VARIABLE, the line is "ran VALUE", the variable's value as this process got
// it, in UTF-8 so that any value arrives whole. FILE may be in double quotes.
// Shortcuts in the tests point at it, so a start through the tray leaves a trace.
#include <windows.h>

#include <string>
#include <vector>

#include "../app/handles.h"

namespace {

std::wstring Widened(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], int(wide.size()));
    return wide.substr(0, length);
}

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

// Read with the W function: the A one would hand back a best-fit copy.
std::wstring Variable(const std::string& name) {
    const std::wstring wideName = Widened(name);
    std::vector<wchar_t> value(1);
    DWORD needed = GetEnvironmentVariableW(wideName.c_str(), value.data(), DWORD(value.size()));
    while (needed >= value.size()) {
        value.resize(needed);
        needed = GetEnvironmentVariableW(wideName.c_str(), value.data(), DWORD(value.size()));
    }
    return std::wstring(value.data(), needed);
}

// "FILE" VARIABLE or FILE VARIABLE into its two parts.
void SplitArguments(const std::string& text, std::string& path, std::string& variable) {
    size_t start = !text.empty() && text[0] == '"' ? 1 : 0;
    size_t end = text.find(start ? '"' : ' ', start);
    path = text.substr(start, end == std::string::npos ? end : end - start);
    size_t next = end == std::string::npos ? end : text.find_first_not_of("\" ", end);
    variable = next == std::string::npos ? "" : text.substr(next);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    std::string path, variable;
    SplitArguments(arguments, path, variable);
    if (path.empty()) return 2;
    std::string line = variable.empty() ? "ran\r\n" : "ran " + Utf8(Variable(variable)) + "\r\n";
    HANDLE opened = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return 1;
    UniqueKernelHandle file(opened);
    DWORD written = 0;
    WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr);
    return 0;
}
