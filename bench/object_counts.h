// What a process holds, counted in ways that also work under Wine, where
// GetProcessHandleCount and GetGuiResources answer 0 and PrivateUsage stays
// empty. Shared by the benchmark and the soak tests.
#pragma once

#include <windows.h>

struct ObjectCounts {
    DWORD kernelHandles;  // handles in the system's handle table for the process
    DWORD gdiObjects;     // live GDI objects of this process (stock objects included)
    DWORD icons;          // icons and cursors of this process
    DWORD menus;          // menus of this process
    DWORD windows;        // top-level windows of the process
    SIZE_T committedKb;   // private committed memory (PagefileUsage)
    SIZE_T workingSetKb;  // resident memory
};

// Kernel handles and top-level windows of any process; 0 when it cannot be read.
DWORD CountKernelHandles(DWORD processId);
DWORD CountTopLevelWindows(DWORD processId);
// Everything above for the calling process.
ObjectCounts ReadOwnObjectCounts();
