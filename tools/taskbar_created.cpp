// taskbar_created: sends the "TaskbarCreated" broadcast that Explorer sends to
// every top-level window when it starts again, so that programs put their
// notification-area icons back.
#include <windows.h>

int main() {
    UINT message = RegisterWindowMessageA("TaskbarCreated");
    if (message == 0) return 1;
    return SendNotifyMessageA(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
}
