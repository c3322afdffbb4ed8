#include "app/platform.h"

#include "app/text.h"

MessageBoxFunction CallMessageBox = MessageBoxW;
NotifyIconFunction CallNotifyIcon = Shell_NotifyIconW;

WCHAR MessageText[1024];

int ShowProgramMessage(const WCHAR* text, UINT style) {
    return CallMessageBox(nullptr, text, L"Ombrix+", MB_SETFOREGROUND | style);
}

HMODULE LoadSystemLibrary(const WCHAR* fileName) {
    // The search flag needs KB2533623 on Windows 7; the functions it brings
    // tell whether it is there. Without it, the full path.
    if (GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory"))
        return LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    WCHAR path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !AppendText(path, L"\\") || !AppendText(path, fileName)) return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
