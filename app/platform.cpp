#include "app/platform.h"

MessageBoxFunction CallMessageBox = MessageBoxW;
NotifyIconFunction CallNotifyIcon = Shell_NotifyIconW;

WCHAR MessageText[1024];

int ShowProgramMessage(const WCHAR* text, UINT style) {
    return CallMessageBox(nullptr, text, L"Ombrix+", MB_SETFOREGROUND | style);
}
