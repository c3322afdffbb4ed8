#include "tray/linkoverlay.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "app/dpi.h"
#include "app/text.h"
#include "tray/trayicons.h"

namespace {

UINT TaskbarMonitorDpi() {
    return MonitorDpi(MonitorFromWindow(FindWindowA(TaskbarWindowClass, nullptr), MONITOR_DEFAULTTOPRIMARY));
}

int PictureSize;  // 0 until first asked for

// Pixels of a size x size picture, top row first, as 0xAARRGGBB.
using Pixels = std::vector<DWORD>;

// The shortcut arrow the shell draws over shortcuts' pictures (shell32's
// icon 30), at the size it was last asked for: read once for all icons.
Pixels Arrow;
int ArrowSize;

// The icon drawn at size over a background of one colour.
Pixels DrawnOver(HICON icon, int size, DWORD background) {
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof format.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    UniqueGdiObject bitmap(dc ? CreateDIBSection(dc.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!bitmap) return {};
    DWORD* first = static_cast<DWORD*>(bits);
    const size_t count = static_cast<size_t>(size) * static_cast<size_t>(size);
    std::fill(first, first + count, background);
    {
        SelectedObject selected(dc.get(), bitmap.get());
        DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        GdiFlush();
    }
    return Pixels(first, first + count);
}

DWORD Channel(DWORD pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// The pixels of an icon of this size with an alpha channel, as they are;
// empty for any other icon.
Pixels AlphaPixels(HICON icon, int size) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return {};
    UniqueGdiObject color(info.hbmColor), mask(info.hbmMask);
    BITMAP shape = {};
    if (!color || !GetObjectW(color.get(), sizeof shape, &shape) || shape.bmBitsPixel != 32 ||
        shape.bmWidth != size || shape.bmHeight != size)
        return {};
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof format.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    Pixels pixels(static_cast<size_t>(size) * static_cast<size_t>(size));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc || !GetDIBits(dc.get(), static_cast<HBITMAP>(color.get()), 0, static_cast<UINT>(size), pixels.data(),
                          &format, DIB_RGB_COLORS))
        return {};
    const bool alpha = std::any_of(pixels.begin(), pixels.end(), [](DWORD pixel) { return pixel >> 24 != 0; });
    return alpha ? pixels : Pixels{};
}

// The icon's pixels at size with their coverage in the alpha byte, colours
// not multiplied by it: those of an icon with an alpha channel as they are,
// so that a picture redrawn from them shows exactly as before. Any other is
// drawn once over black and once over white: a pixel lets through as much of
// the background as it does not cover.
Pixels StraightPixels(HICON icon, int size) {
    Pixels own = AlphaPixels(icon, size);
    if (!own.empty()) return own;
    const Pixels black = DrawnOver(icon, size, 0x000000), white = DrawnOver(icon, size, 0xFFFFFF);
    if (black.empty() || white.empty()) return {};
    Pixels result(black.size());
    for (size_t i = 0; i < result.size(); ++i) {
        DWORD shown = 0;
        for (int shift : {0, 8, 16}) shown = std::max(shown, Channel(white[i], shift) - Channel(black[i], shift));
        const DWORD alpha = 255 - std::min<DWORD>(shown, 255);
        if (alpha == 0) continue;
        DWORD pixel = alpha << 24;
        for (int shift : {0, 8, 16}) pixel |= std::min<DWORD>(Channel(black[i], shift) * 255 / alpha, 255) << shift;
        result[i] = pixel;
    }
    return result;
}

// The top pixel laid over the bottom one, each with its coverage.
DWORD Over(DWORD top, DWORD bottom) {
    const DWORD ta = Channel(top, 24), ba = Channel(bottom, 24) * (255 - ta) / 255;
    const DWORD alpha = ta + ba;
    if (alpha == 0) return 0;
    DWORD pixel = alpha << 24;
    for (int shift : {0, 8, 16}) pixel |= (Channel(top, shift) * ta + Channel(bottom, shift) * ba) / alpha << shift;
    return pixel;
}

// An icon of the pixels, with a mask that hides what they do not cover for
// whoever draws without the alpha byte.
HICON IconOf(const Pixels& pixels, int size) {
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof format.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueGdiObject color(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color) return nullptr;
    std::copy(pixels.begin(), pixels.end(), static_cast<DWORD*>(bits));
    const int stride = (size + 15) / 16 * 2;  // rows of a monochrome bitmap are whole words
    std::vector<BYTE> maskBits(static_cast<size_t>(stride) * static_cast<size_t>(size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (Channel(pixels[static_cast<size_t>(y * size + x)], 24) == 0)
                maskBits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    UniqueGdiObject mask(CreateBitmap(size, size, 1, 1, maskBits.data()));
    if (!mask) return nullptr;
    ICONINFO info = {TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(color.get())};
    return CreateIconIndirect(&info);
}

HICON PictureAtSize(HICON picture, int size) {
    const Pixels pixels = StraightPixels(picture, size);
    return pixels.empty() ? nullptr : IconOf(pixels, size);
}

const Pixels& ArrowAtSize(int size) {
    if (ArrowSize != size) {
        WCHAR shell[MAX_PATH];
        const UINT length = GetSystemDirectoryW(shell, MAX_PATH);
        const bool named = length > 0 && length < MAX_PATH && AppendText(shell, L"\\shell32.dll");
        UniqueIcon arrow(named ? ExtractTrayPicture(shell, -30) : nullptr);
        Arrow = arrow ? StraightPixels(arrow.get(), size) : Pixels{};
        ArrowSize = size;
    }
    return Arrow;
}

}  // namespace

DpiReader ReadTaskbarDpi = TaskbarMonitorDpi;

int TrayPictureSize() {
    if (PictureSize == 0) UpdateTrayPictureSize();
    return PictureSize;
}

bool UpdateTrayPictureSize() {
    const int size = MetricForDpi(SM_CXSMICON, ReadTaskbarDpi());
    const bool changed = PictureSize != 0 && size != PictureSize;
    PictureSize = size;
    return changed;
}

bool ReadShellInfo(const WCHAR* path, UINT flags, SHFILEINFOW* info) {
    // A picture larger than the system's small ones is made from the large one, not blown up.
    const int size = TrayPictureSize();
    const bool small = size <= GetSystemMetrics(SM_CXSMICON);
    if (!SHGetFileInfoW(path, 0, info, sizeof *info, flags | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON))) return false;
    if (info->hIcon && size != GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON)) {
        UniqueIcon shells(info->hIcon);
        info->hIcon = PictureAtSize(shells.get(), size);
    }
    return true;
}

HICON MarkWithLinkArrow(HICON picture) {
    const int size = TrayPictureSize();
    Pixels pixels = StraightPixels(picture, size);
    const Pixels& marking = ArrowAtSize(size);
    if (pixels.empty() || marking.size() != pixels.size()) return CopyIcon(picture);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = Over(marking[i], pixels[i]);
    HICON marked = IconOf(pixels, size);
    return marked ? marked : CopyIcon(picture);
}

HICON ExtractTrayPicture(const WCHAR* file, int index) {
    HICON picture = nullptr;
    const UINT size = static_cast<UINT>(TrayPictureSize());
    return SHDefExtractIconW(file, index, 0, &picture, nullptr, size) == S_OK ? picture : nullptr;
}
