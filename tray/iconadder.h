// The thread that adds the first scan's icons while the main thread reads.
#pragma once

#include <windows.h>

#include "app/handles.h"
#include "tray/shortcuts.h"

// Adds the icons of the first scan's entries on a thread of its own, in
// order, as the main thread reads them: each tray call waits for the shell,
// which meanwhile need not wait for the next entry to be read. Without a
// thread, each icon is added as it is read. The entries handed over belong
// to the adding until Finish(); the program's window and tables are not
// touched from the thread.
class IconAdder {
public:
    // add puts one entry's icon behind the others.
    IconAdder(ShortcutEntry* entries, void (*add)(ShortcutEntry&));
    ~IconAdder() { Finish(); }
    IconAdder(const IconAdder&) = delete;
    IconAdder& operator=(const IconAdder&) = delete;

    // The entries before `count` are read: their icons follow.
    void Hand(int count);
    // Returns once every handed entry's icon is added.
    void Finish();

private:
    void AddOne(int index);
    static DWORD WINAPI Run(void* self);
    void AddHanded();

    ShortcutEntry* entries_;
    void (*add_)(ShortcutEntry&);
    volatile LONG handed_ = 0;
    volatile LONG finished_ = 0;
    UniqueKernelHandle wake_;
    UniqueKernelHandle thread_;
};
