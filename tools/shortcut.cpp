#include "tools/shortcut.h"

#include <windows.h>
#include <shlobj.h>

#include "app/handles.h"

bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments,
                  const std::wstring& iconFile, int iconIndex) {
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    if (!iconFile.empty()) link->SetIconLocation(iconFile.c_str(), iconIndex);
    ComPtr<IPersistFile> file;
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid())) &&
           SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}
