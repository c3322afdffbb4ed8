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

static std::wstring Widened(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], int(wide.size())) - 1);
    return wide;
}

bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                  const std::string& iconFile, int iconIndex) {
    return MakeShortcut(Widened(linkPath), Widened(target), Widened(arguments), Widened(iconFile), iconIndex);
}
