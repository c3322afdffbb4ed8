// mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]
// Creates a shell link (.lnk) with IShellLinkW, as the shell itself would;
// the arguments come from the wide command line, so names of any language
// arrive whole.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "tools/shortcut.h"

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 2;
    const wchar_t* arguments = argc > 3 ? argv[3] : L"";
    const wchar_t* iconFile = argc > 5 ? argv[4] : L"";
    const int iconIndex = argc > 5 ? static_cast<int>(std::wcstol(argv[5], nullptr, 10)) : 0;
    const bool made = MakeShortcut(argv[1], argv[2], arguments, iconFile, iconIndex);
    LocalFree(argv);
    return made ? 0 : 1;
}
