#include "desktop_support.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace {

const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::string ReadDesktopValue(const char* key) {
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, key, "Desktop", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                 value, &size);
    return value;
}

void WriteDesktopValue(const char* key, DWORD type, const std::string& value) {
    UniqueRegKey opened;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, opened.put()) != ERROR_SUCCESS) return;
    RegSetValueExA(opened.get(), "Desktop", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

}  // namespace

TestPopup::TestPopup() : menu_(CreatePopupMenu()) {
    itemSubmenu_ = CreatePopupMenu();
    AppendMenuA(itemSubmenu_, MF_STRING, 500, "&\xD6" "ffnen");
    programSubmenu_ = CreatePopupMenu();
    AppendMenuA(programSubmenu_, MF_STRING, 100, "&Beenden");
    AppendMenuA(menu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(itemSubmenu_), "Editor");
    AppendMenuA(menu_.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(programSubmenu_), "Ombrix+");
}

std::string MenuText(HMENU menu, int position) {
    char text[MAX_PATH] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, MAX_PATH, MF_BYPOSITION);
    return text;
}

MENUITEMINFOA MenuItem(HMENU menu, int position) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA | MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) << "no item at " << position;
    return info;
}

std::string DesktopFolder() {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
    return path;
}

std::vector<std::string> DesktopNamesInSearchOrder() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA((DesktopFolder() + "\\*.*").c_str(), &found));
    if (!search) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search.get(), &found));
    return names;
}

DesktopItems::~DesktopItems() {
    for (const std::string& path : paths_) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileA(path.c_str());
    }
}

std::string DesktopItems::Track(const std::string& name) {
    paths_.push_back(DesktopFolder() + "\\" + name);
    return paths_.back();
}

std::string DesktopItems::AddFile(const std::string& name, const std::string& bytes) {
    std::string path = Track(name);
    WriteBytes(path, bytes);
    return path;
}

std::string DesktopItems::AddFolder(const std::string& name) {
    std::string path = Track(name);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::string DesktopItems::AddShortcut(const std::string& name, const std::string& target,
                                      const std::string& arguments) {
    std::string path = Track(name);
    EXPECT_TRUE(MakeShortcut(path, target, arguments)) << path;
    return path;
}

DesktopRedirect::DesktopRedirect(const std::string& path)
    : userValue_(ReadDesktopValue(kUserShellFoldersKey)), plainValue_(ReadDesktopValue(kShellFoldersKey)) {
    WriteDesktopValue(kUserShellFoldersKey, REG_EXPAND_SZ, path);
    WriteDesktopValue(kShellFoldersKey, REG_SZ, path);
}

DesktopRedirect::~DesktopRedirect() {
    WriteDesktopValue(kUserShellFoldersKey, REG_EXPAND_SZ, userValue_);
    WriteDesktopValue(kShellFoldersKey, REG_SZ, plainValue_);
}

Canvas::Canvas(int width, int height, COLORREF fill) : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    RECT all = {0, 0, width, height};
    UniqueGdiObject brush(CreateSolidBrush(fill));
    FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
}

Canvas::~Canvas() {
    if (previous_) SelectObject(dc_.get(), previous_);
}

int Canvas::Count(const RECT& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (Pixel(x, y) == colour) ++count;
    return count;
}

UniqueIcon SolidIcon(int size, COLORREF colour) {
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    HDC screen = GetDC(nullptr);
    UniqueGdiObject picture(CreateCompatibleBitmap(screen, size, size));
    ReleaseDC(nullptr, screen);
    {
        SelectedObject selected(dc.get(), picture.get());
        RECT all = {0, 0, size, size};
        UniqueGdiObject brush(CreateSolidBrush(colour));
        FillRect(dc.get(), &all, static_cast<HBRUSH>(brush.get()));
    }
    // An all-zero AND mask: every pixel of the colour picture is opaque.
    std::vector<BYTE> zeros(static_cast<size_t>(size) * static_cast<size_t>(size), 0);
    UniqueGdiObject mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = static_cast<HBITMAP>(mask.get());
    info.hbmColor = static_cast<HBITMAP>(picture.get());
    return UniqueIcon(CreateIconIndirect(&info));
}

int CountGdiObjects() {
    DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return static_cast<int>(counted);
    // Wine answers 0 there; it does take a handle's table index alone, so the
    // live objects are the indexes that name one.
    int live = 0;
    for (UINT index = 1; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(index)))) ++live;
    return live;
}
