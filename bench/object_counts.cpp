#include "object_counts.h"

#include <psapi.h>

#include <vector>

namespace {

// The layout NtQuerySystemInformation(SystemHandleInformation) fills.
struct SystemHandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry entries[1];
};
constexpr ULONG SystemHandleInformation = 16;
constexpr LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// GDI and USER handles are an index in their low 16 bits; a handle with its
// high word 0 names whatever object is in that slot (on Windows as on Wine),
// so asking every slot counts the objects that are alive.
constexpr ULONG_PTR HandleSlots = 0x10000;

DWORD CountGdiObjects() {
    DWORD count = 0;
    for (ULONG_PTR slot = 1; slot < HandleSlots; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++count;
    return count;
}

DWORD CountIcons() {
    DWORD count = 0;
    for (ULONG_PTR slot = 2; slot < HandleSlots; slot += 2) {
        ICONINFO info;
        if (!GetIconInfo(reinterpret_cast<HICON>(slot), &info)) continue;
        ++count;
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }
    return count;
}

DWORD CountMenus() {
    DWORD count = 0;
    for (ULONG_PTR slot = 2; slot < HandleSlots; slot += 2)
        if (IsMenu(reinterpret_cast<HMENU>(slot))) ++count;
    return count;
}

struct WindowCount {
    DWORD processId;
    DWORD count;
};

BOOL CALLBACK CountWindowOf(HWND window, LPARAM param) {
    auto* counter = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counter->processId) ++counter->count;
    return TRUE;
}

}  // namespace

DWORD CountKernelHandles(DWORD processId) {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<BYTE> buffer(1 << 16);
    LONG status;
    for (;;) {
        ULONG needed = 0;
        status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != StatusInfoLengthMismatch) break;
        buffer.resize(needed > buffer.size() ? needed + 4096 : buffer.size() * 2);
    }
    if (status < 0) return 0;
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    DWORD count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].processId == processId) ++count;
    return count;
}

DWORD CountTopLevelWindows(DWORD processId) {
    WindowCount counter = {processId, 0};
    EnumWindows(CountWindowOf, reinterpret_cast<LPARAM>(&counter));
    return counter.count;
}

ObjectCounts ReadOwnObjectCounts() {
    ObjectCounts counts = {};
    counts.kernelHandles = CountKernelHandles(GetCurrentProcessId());
    counts.gdiObjects = CountGdiObjects();
    counts.icons = CountIcons();
    counts.menus = CountMenus();
    counts.windows = CountTopLevelWindows(GetCurrentProcessId());
    PROCESS_MEMORY_COUNTERS memory = {};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        counts.committedKb = memory.PagefileUsage / 1024;
        counts.workingSetKb = memory.WorkingSetSize / 1024;
    }
    return counts;
}
