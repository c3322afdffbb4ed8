#include "options/companion.h"

#include <shellapi.h>

#include "app/settings.h"

UINT CompanionAddTrayIconMessage;
UINT CompanionCloseMessage;

const char* const CompanionWindowClass = "Corvane+WndClass";
const char* const CompanionWindowTitle = "Corvane+";
const char* const CompanionExecutable = "Corvane+.exe";

void RegisterCompanionMessages() {
    CompanionAddTrayIconMessage = RegisterWindowMessageA("Corvane+AddTrayIcon");
    CompanionCloseMessage = RegisterWindowMessageA("Corvane+CloseCorvane");
}

HWND FindCompanionWindow() {
    return FindWindowA(CompanionWindowClass, CompanionWindowTitle);
}

void NotifyCompanion(UINT message) {
    if (!IsOptionOn(Settings.szCompanion)) return;
    if (HWND companion = FindCompanionWindow()) PostMessageA(companion, message, 0, 0);
}

void StartCompanion() {
    if (HWND companion = FindCompanionWindow()) {
        PostMessageA(companion, CompanionAddTrayIconMessage, 0, 0);
        return;
    }
    ShellExecuteA(nullptr, nullptr, CompanionExecutable, nullptr, nullptr, SW_SHOWNORMAL);
}
