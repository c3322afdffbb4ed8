#include "tools/shortcut.h"

#include <windows.h>
#include <shlobj.h>

#include "app/handles.h"

bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                  const std::string& iconFile, int iconIndex) {
    ComScope com;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    if (!iconFile.empty()) link->SetIconLocation(iconFile.c_str(), iconIndex);
    ComPtr<IPersistFile> file;
    WCHAR wide[MAX_PATH];
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid())) &&
           MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) &&
           SUCCEEDED(file->Save(wide, TRUE));
}
