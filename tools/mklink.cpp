// mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]
// Creates a shell link (.lnk) with IShellLinkW, as the shell itself would;
// the arguments come from the wide command line, so names of any language
// arrive whole.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

#include "tools/shortcut.h"

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fprintf(stderr, "usage: mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]\n");
        return 2;
    }
    const wchar_t* arguments = argc > 3 ? argv[3] : L"";
    const wchar_t* iconFile = argc > 5 ? argv[4] : L"";
    const int iconIndex = argc > 5 ? static_cast<int>(std::wcstol(argv[5], nullptr, 10)) : 0;
    const bool made = MakeShortcut(argv[1], argv[2], arguments, iconFile, iconIndex);
    if (!made) std::fprintf(stderr, "mklink: could not create %ls\n", argv[1]);
    LocalFree(argv);
    return made ? 0 : 1;
}
