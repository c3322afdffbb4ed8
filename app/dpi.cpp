#include "app/dpi.h"

#include <cstddef>

#include "app/handles.h"

namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using MetricsForDpiFunction = int(WINAPI*)(int, UINT);
using ParametersForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using DpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int EffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// NONCLIENTMETRICSW without the padded-border field of newer systems: every
// version of Windows accepts this size.
constexpr UINT ClassicMetricsSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(LOGFONTW);

template <typename Function>
Function UserFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// Windows 10 1607 and later.
const auto DpiForWindow = UserFunction<DpiForWindowFunction>("GetDpiForWindow");
const auto MetricsForDpi = UserFunction<MetricsForDpiFunction>("GetSystemMetricsForDpi");
const auto ParametersForDpi = UserFunction<ParametersForDpiFunction>("SystemParametersInfoForDpi");

// Windows 8.1 and later, in a library Windows 7 does not have; loaded once
// and kept while the program runs.
DpiForMonitorFunction LoadDpiForMonitor() {
    HMODULE library = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) return nullptr;
    return reinterpret_cast<DpiForMonitorFunction>(reinterpret_cast<void*>(GetProcAddress(library, "GetDpiForMonitor")));
}

}  // namespace

void DeclareDpiAwareness() {
    if (!IsProcessDPIAware()) SetProcessDPIAware();
}

UINT SystemDpi() {
    UniqueMemoryDc screen(CreateCompatibleDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT WindowDpi(HWND window) {
    const UINT dpi = DpiForWindow ? DpiForWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

UINT MonitorDpi(HMONITOR monitor) {
    static const DpiForMonitorFunction dpiForMonitor = LoadDpiForMonitor();
    UINT x = 0, y = 0;
    if (dpiForMonitor && monitor && SUCCEEDED(dpiForMonitor(monitor, EffectiveDpi, &x, &y)) && y) return y;
    return SystemDpi();
}

UINT PointerDpi() {
    POINT pointer = {};
    GetCursorPos(&pointer);
    return MonitorDpi(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST));
}

int MetricForDpi(int index, UINT dpi) {
    if (MetricsForDpi) return MetricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

bool MenuFontForDpi(UINT dpi, LOGFONTW* font) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = ClassicMetricsSize;
    if (ParametersForDpi && ParametersForDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, dpi)) {
        *font = metrics.lfMenuFont;
        return true;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return false;
    *font = metrics.lfMenuFont;
    font->lfHeight = MulDiv(font->lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return true;
}
