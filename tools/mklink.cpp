// mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]
// Creates a shell link (.lnk) with IShellLinkA, as the shell itself would.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 3;
    int rc = 1;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(argv[2]);
        if (argc > 3) link->SetArguments(argv[3]);
        if (argc > 5) link->SetIconLocation(argv[4], std::atoi(argv[5]));
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            if (MultiByteToWideChar(CP_ACP, 0, argv[1], -1, wide, MAX_PATH) && SUCCEEDED(file->Save(wide, TRUE)))
                rc = 0;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    if (rc != 0) std::fprintf(stderr, "mklink: could not create %s\n", argv[1]);
    return rc;
}
