// mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]
// Creates a shell link (.lnk) with IShellLinkW, as the shell itself would;
// every argument is taken from the wide command line, so names of any
// language arrive whole.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fprintf(stderr, "usage: mklink LINK TARGET [ARGUMENTS [ICONFILE ICONINDEX]]\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 3;
    int rc = 1;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(argv[2]);
        if (argc > 3) link->SetArguments(argv[3]);
        if (argc > 5) link->SetIconLocation(argv[4], static_cast<int>(std::wcstol(argv[5], nullptr, 10)));
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Save(argv[1], TRUE))) rc = 0;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    if (rc != 0) std::fprintf(stderr, "mklink: could not create %ls\n", argv[1]);
    LocalFree(argv);
    return rc;
}
