// mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]
// Creates a shell link (.lnk) with IShellLinkA, as the shell itself would.
#include <cstdio>
#include <cstdlib>

#include "tools/shortcut.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]\n");
        return 2;
    }
    const char* arguments = argc > 3 ? argv[3] : "";
    const char* iconFile = argc > 5 ? argv[4] : "";
    const int iconIndex = argc > 5 ? std::atoi(argv[5]) : 0;
    if (MakeShortcut(argv[1], argv[2], arguments, iconFile, iconIndex)) return 0;
    std::fprintf(stderr, "mklink: could not create %s\n", argv[1]);
    return 1;
}
