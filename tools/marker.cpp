// marker FILE [VARIABLE]: appends one line "ran" to FILE and ends; with a
// VARIABLE, the line is "ran VALUE", the variable's value as this process got
// it. FILE may be in double quotes. Shortcuts in the tests point at it, so a
// start through the tray leaves a trace.
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string Variable(const std::string& name) {
    std::vector<char> value(1);
    DWORD needed = GetEnvironmentVariableA(name.c_str(), value.data(), DWORD(value.size()));
    while (needed >= value.size()) {
        value.resize(needed);
        needed = GetEnvironmentVariableA(name.c_str(), value.data(), DWORD(value.size()));
    }
    return std::string(value.data(), needed);
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
    std::string line = variable.empty() ? "ran\r\n" : "ran " + Variable(variable) + "\r\n";
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
