#include "ui/placement.h"

#include <algorithm>

// DS_CENTER centres on the owner's monitor, but the owner is a hidden window
// of no size (-100,-100): on a system with several monitors that may be any
// of them, or none.
void CentreOnPointerMonitor(HWND dialog) {
    POINT pointer;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetCursorPos(&pointer) || !GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT rect;
    GetWindowRect(dialog, &rect);
    // A dialog larger than the work area keeps its caption on it.
    const int x = std::max(work.left, (work.left + work.right - (rect.right - rect.left)) / 2);
    const int y = std::max(work.top, (work.top + work.bottom - (rect.bottom - rect.top)) / 2);
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The hidden owner goes along, one pixel large so that it lies on the
    // monitor: windows placed by their owner's monitor later (the shell's
    // confirmation of a delete) open there as well.
    if (HWND owner = GetWindow(dialog, GW_OWNER))
        SetWindowPos(owner, nullptr, (work.left + work.right) / 2, (work.top + work.bottom) / 2, 1, 1,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}
