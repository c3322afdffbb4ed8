// Shared pieces of the desktop menu tests: the popup as its menu resource
// gives it, items on the session's real Desktop folder, and a canvas to draw on.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/handles.h"

// A popup with the three items of the tray menu resource: the shortcut's
// submenu, a separator, the program's submenu.
class TestPopup {
public:
    TestPopup();
    HMENU get() const { return menu_.get(); }
    HMENU itemSubmenu() const { return itemSubmenu_; }
    HMENU programSubmenu() const { return programSubmenu_; }

private:
    UniqueMenu menu_;
    HMENU itemSubmenu_ = nullptr;
    HMENU programSubmenu_ = nullptr;
};

// Text of the item at position (empty for owner-drawn items and separators).
std::string MenuText(HMENU menu, int position);
MENUITEMINFOA MenuItem(HMENU menu, int position);

// The Desktop folder of the session's Wine prefix, as the shell names it.
std::string DesktopFolder();
// Names in the Desktop folder (without "." and ".."), in the order of a search.
std::vector<std::string> DesktopNamesInSearchOrder();

// Files and folders put on the real Desktop; all removed again at the end.
class DesktopItems {
public:
    DesktopItems() = default;
    ~DesktopItems();
    DesktopItems(const DesktopItems&) = delete;
    DesktopItems& operator=(const DesktopItems&) = delete;

    std::string AddFile(const std::string& name, const std::string& bytes = "x");
    std::string AddFolder(const std::string& name);
    std::string AddShortcut(const std::string& name, const std::string& target, const std::string& arguments);

private:
    std::string Track(const std::string& name);
    std::vector<std::string> paths_;
};

// Points the Desktop of the current user at another path while alive.
class DesktopRedirect {
public:
    explicit DesktopRedirect(const std::string& path);
    ~DesktopRedirect();
    DesktopRedirect(const DesktopRedirect&) = delete;
    DesktopRedirect& operator=(const DesktopRedirect&) = delete;

private:
    std::string userValue_;
    std::string plainValue_;
};

// A 32-bit bitmap in a memory DC, filled with one colour, for reading pixels.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_.get(); }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_.get(), x, y); }
    // How many pixels in [left, right) x [top, bottom) have the colour.
    int Count(const RECT& area, COLORREF colour) const;

private:
    UniqueMemoryDc dc_;
    UniqueGdiObject bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// A small icon that is one opaque colour all over.
UniqueIcon SolidIcon(int size, COLORREF colour);
// Live GDI objects of this process.
int CountGdiObjects();
