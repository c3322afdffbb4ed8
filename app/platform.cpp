#include "app/platform.h"

MessageBoxFunction CallMessageBox = MessageBoxA;
NotifyIconFunction CallNotifyIcon = Shell_NotifyIconA;

char MessageText[1024];

int ShowProgramMessage(const char* text, UINT style) {
    return CallMessageBox(nullptr, text, "Ombrix+", MB_SETFOREGROUND | style);
}
