#include "tray/iconadder.h"

#include "app/app.h"

namespace {

// Waits for the handle; messages other threads send to the program's window
// meanwhile are answered (the shell may send one while it takes an icon).
void WaitAnsweringSentMessages(HANDLE handle) {
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    WaitForSingleObject(handle, INFINITE);  // returns at once unless the wait above failed
}

}  // namespace

IconAdder::IconAdder(ShortcutEntry* entries, void (*add)(ShortcutEntry&)) : entries_(entries), add_(add) {
    wake_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (wake_) thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

void IconAdder::Hand(int count) {
    if (!thread_) {
        while (handed_ < count) AddOne(handed_++);
        return;
    }
    InterlockedExchange(&handed_, count);
    SetEvent(wake_.get());
}

void IconAdder::Finish() {
    if (!thread_) return;
    InterlockedExchange(&finished_, 1);
    SetEvent(wake_.get());
    WaitAnsweringSentMessages(thread_.get());
    thread_.reset();
}

// A program closed meanwhile adds no more icons.
void IconAdder::AddOne(int index) {
    if (IsWindow(TrayWindow)) add_(entries_[index]);
}

DWORD WINAPI IconAdder::Run(void* self) {
    static_cast<IconAdder*>(self)->AddHanded();
    return 0;
}

void IconAdder::AddHanded() {
    int added = 0;
    for (;;) {
        const bool last = InterlockedCompareExchange(&finished_, 0, 0) != 0;
        const LONG handed = InterlockedCompareExchange(&handed_, 0, 0);
        while (added < handed) AddOne(added++);
        if (last) return;
        WaitForSingleObject(wake_.get(), INFINITE);
    }
}
