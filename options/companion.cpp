#include "options/companion.h"

#include <shellapi.h>

#include "app/settings.h"

UINT CompanionAddTrayIconMessage;
UINT CompanionCloseMessage;

const WCHAR* const CompanionWindowClass = L"Corvane+WndClass";
const WCHAR* const CompanionWindowTitle = L"Corvane+";
const WCHAR* const CompanionExecutable = L"Corvane+.exe";

void RegisterCompanionMessages() {
    CompanionAddTrayIconMessage = RegisterWindowMessageW(L"Corvane+AddTrayIcon");
    CompanionCloseMessage = RegisterWindowMessageW(L"Corvane+CloseCorvane");
}

HWND FindCompanionWindow() {
    return FindWindowW(CompanionWindowClass, CompanionWindowTitle);
}

void NotifyCompanion(UINT message) {
    if (!IsOptionOn(Settings.szCompanion)) return;
    if (HWND companion = FindCompanionWindow()) PostMessageW(companion, message, 0, 0);
}

void StartCompanion() {
    if (HWND companion = FindCompanionWindow()) {
        PostMessageW(companion, CompanionAddTrayIconMessage, 0, 0);
        return;
    }
    ShellExecuteW(nullptr, nullptr, CompanionExecutable, nullptr, nullptr, SW_SHOWNORMAL);
}

// Searched by the wide function: a folder on the way whose name the code page
// cannot spell is searched all the same. A folder of that name is no program,
// and a path too long to hold is left out like any other.
bool CompanionExecutableFound() {
    WCHAR path[MAX_PATH];
    const DWORD length = SearchPathW(nullptr, CompanionExecutable, nullptr, MAX_PATH, path, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
