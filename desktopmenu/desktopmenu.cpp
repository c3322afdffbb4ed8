#include "desktopmenu/desktopmenu.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>

#include "app/dpi.h"
#include "app/text.h"

DesktopTable CurrentDesktopTable;

namespace {

// The popup's own items from its menu resource, which always stay.
constexpr int kPopupOwnItems = 3;
// Names of this many characters or more are cut to this many and "...".
constexpr size_t kLabelCut = 28;
// Space left of the icon; the label starts this much further right than the
// icon is wide (4 beside the icon, 4 between icon and label). Pixels at 96 DPI.
constexpr int kIconLeft = 4;
constexpr int kLabelGap = 8;

const WCHAR kEmptyText[] = L" (Leer)";
const WCHAR kNotFoundText[] = L" (Desktop nicht gefunden)";
const WCHAR kEllipsis[] = L"...";

// Pixels at 96 DPI in pixels of the display the popup was built for.
int Scaled(int pixels) {
    return MulDiv(pixels, CurrentDesktopTable.dpi, USER_DEFAULT_SCREEN_DPI);
}

// The Desktop's file-system path, or an empty text when the shell has none.
void ReadDesktopPath(WCHAR* path) {
    path[0] = L'\0';
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.put()))) return;
    ShellItemList location(allocator.get());
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, location.put())) || !location.get()) return;
    if (!SHGetPathFromIDListW(location.get(), path)) path[0] = L'\0';
}

void InsertGrayedText(HMENU popup, const WCHAR* text) {
    InsertMenuW(popup, 0, MF_BYPOSITION | MF_GRAYED, 0, text);
}

// The menu font of the system at the table's DPI, else the stock GUI font;
// false when neither.
bool ChooseMenuFont(DesktopTable& table) {
    LOGFONTW font = {};
    if (MenuFontForDpi(static_cast<UINT>(table.dpi), &font)) table.hOwnedFont.reset(CreateFontIndirectW(&font));
    table.hMenuFont = table.hOwnedFont ? static_cast<HFONT>(table.hOwnedFont.get())
                                       : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return table.hMenuFont != nullptr;
}

// Icon and label of the item at path; a name the shell cannot describe is
// labelled with its file name. Where the table's icons are larger than the
// system's small ones, the large picture is drawn smaller rather than the
// small one blown up.
void FillDesktopSlot(DesktopEntry& entry, const WCHAR* path, const WCHAR* fileName, int iconSize) {
    SHFILEINFOW info = {};
    const WCHAR* name = fileName;
    const UINT size = iconSize > GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    if (SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_ICON | size | SHGFI_DISPLAYNAME)) {
        entry.hIcon.reset(info.hIcon);
        if (info.szDisplayName[0]) name = info.szDisplayName;
    } else {
        entry.hIcon.reset();
    }
    SetDesktopLabel(entry, name);
    CopyText(entry.szPath, path);
}

void SortDesktopSlots(DesktopTable& table, int count) {
    std::sort(table.aEntries, table.aEntries + count, [](const DesktopEntry& a, const DesktopEntry& b) {
        return lstrcmpW(a.szLabel, b.szLabel) < 0;
    });
}

bool IsDotEntry(const WCHAR* name) {
    return lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0;
}

// Makes path end in a backslash; the result is the length behind it, where
// the item names go, or 0 when it does not fit.
size_t EndWithBackslash(WCHAR* path) {
    size_t length = static_cast<size_t>(lstrlenW(path));
    if (length > 0 && path[length - 1] == L'\\') return length;
    return AppendText(path, MAX_PATH, L"\\") ? length + 1 : 0;
}

// Fills the slots from the Desktop folder in the order of the search and puts
// an owner-drawn item for each into the popup; the result is how many.
int ListDesktopItems(HMENU popup, DesktopTable& table) {
    WCHAR* path = table.szDesktopPath;
    const size_t namePos = EndWithBackslash(path);
    if (namePos == 0) return 0;
    int count = 0;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(AppendText(path, MAX_PATH, L"*.*") ? FindFirstFileW(path, &found) : INVALID_HANDLE_VALUE);
    if (search) {
        do {
            if (IsDotEntry(found.cFileName)) continue;
            // A name that would make the path too long could not be opened.
            if (!CopyText(path + namePos, MAX_PATH - namePos, found.cFileName)) continue;
            FillDesktopSlot(table.aEntries[count], path, found.cFileName, table.cxSmIcon);
            ++count;
            SortDesktopSlots(table, count);
            InsertMenuW(popup, static_cast<UINT>(count - 1), MF_BYPOSITION | MF_OWNERDRAW, static_cast<UINT_PTR>(count),
                        reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(count - 1)));
        } while (count < kDesktopSlots && FindNextFileW(search.get(), &found));
    }
    path[namePos] = L'\0';
    return count;
}

// The slot a WM_MEASUREITEM or WM_DRAWITEM is for, or none when no list is
// built or the message is not about one of its items.
DesktopEntry* DesktopSlotFor(UINT controlType, ULONG_PTR itemData) {
    if (!CurrentDesktopTable.hMenuFont || controlType != ODT_MENU) return nullptr;
    if (itemData >= static_cast<ULONG_PTR>(kDesktopSlots)) return nullptr;
    return &CurrentDesktopTable.aEntries[itemData];
}

SIZE LabelExtent(HDC dc, const DesktopEntry& entry) {
    SIZE extent = {};
    GetTextExtentPoint32W(dc, entry.szLabel, entry.cchLabel, &extent);
    return extent;
}

void FillItemBackground(HDC dc, const RECT& area, bool selected) {
    if (!selected) {
        FillRect(dc, &area, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1)));
        return;
    }
    UniqueGdiObject brush(CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT)));
    if (brush) FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
}

// Background, icon and label of one item in the w x h area at (x, y) of dc.
void PaintDesktopItem(HDC dc, int x, int y, int w, int h, const DesktopEntry& entry, bool selected) {
    const DesktopTable& table = CurrentDesktopTable;
    SelectedObject font(dc, table.hMenuFont);
    FillItemBackground(dc, RECT{x, y, x + w, y + h}, selected);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    if (entry.hIcon)
        DrawIconEx(dc, x + Scaled(kIconLeft), y + (h - table.cySmIcon) / 2, entry.hIcon.get(), table.cxSmIcon,
                   table.cySmIcon, 0, nullptr, DI_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    const SIZE label = LabelExtent(dc, entry);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(dc, x + table.cxSmIcon + Scaled(kLabelGap), y + (h - label.cy) / 2, entry.szLabel, entry.cchLabel);
}

// Whether the item at position of menu is a built Desktop item: owner-drawn,
// with command id position + 1 and slot position as item data.
bool IsDesktopItem(HMENU menu, int position) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return false;
    return (info.fType & MFT_OWNERDRAW) != 0 && info.wID == static_cast<UINT>(position + 1) &&
           info.dwItemData == static_cast<ULONG_PTR>(position);
}

// How many Desktop items lead menu: none unless a list is built and menu is
// the top-level popup that holds it.
int CountDesktopItems(HMENU menu) {
    if (!CurrentDesktopTable.hMenuFont) return 0;
    int count = 0;
    while (count < kDesktopSlots && IsDesktopItem(menu, count)) ++count;
    return count;
}

// The highlighted one of the first count items of menu, or -1.
int HighlightedItem(HMENU menu, int count) {
    for (int position = 0; position < count; ++position) {
        if (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_HILITE) return position;
    }
    return -1;
}

// Case is ignored as in the menu's own access keys: by the system's upper-case
// table, whatever the user's locale.
bool StartsWithCharacter(const WCHAR* text, WCHAR typed) {
    return text[0] != L'\0' && CompareStringOrdinal(text, 1, &typed, 1, TRUE) == CSTR_EQUAL;
}

// The next of the count Desktop items after the highlighted one, around to the
// first, whose label starts with typed; -1 when none does. Typed again, the
// same letter thus walks through all the items it starts.
int NextDesktopMatch(HMENU menu, int count, WCHAR typed) {
    const int start = HighlightedItem(menu, count) + 1;
    for (int step = 0; step < count; ++step) {
        const int position = (start + step) % count;
        if (StartsWithCharacter(CurrentDesktopTable.aEntries[position].szLabel, typed)) return position;
    }
    return -1;
}

// The first of the popup's own items whose text begins with the very character
// typed. Their access keys ("&") the menu has matched itself before asking.
LRESULT MatchOwnItem(HMENU menu, WCHAR typed) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        WCHAR text[3] = {};
        if (GetMenuStringW(menu, static_cast<UINT>(position), text, ARRAYSIZE(text), MF_BYPOSITION) > 0 &&
            text[0] == typed)
            return MAKELRESULT(position, MNC_SELECT);
    }
    return MNC_IGNORE;
}

}  // namespace

void ResetDesktopIcons() {
    for (DesktopEntry& entry : CurrentDesktopTable.aEntries) entry.hIcon.reset();
}

void SetDesktopLabel(DesktopEntry& entry, const WCHAR* name) {
    const size_t whole = CutLength(name, kLabelCut - 1);
    const bool cut = name[whole] != L'\0';
    CopyCut(entry.szLabel, name, cut ? kLabelCut : whole);
    if (cut) AppendText(entry.szLabel, kEllipsis);
    entry.cchLabel = lstrlenW(entry.szLabel);
}

void BuildDesktopMenu(HMENU popup, LPARAM lParam, UINT dpi) {
    DesktopTable& table = CurrentDesktopTable;
    ReadDesktopPath(table.szDesktopPath);
    // Only the top-level popup gets the list, not its submenus.
    if (lParam != 0) return;
    ClearDesktopMenu(popup);
    InsertMenuW(popup, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    if (!table.szDesktopPath[0]) {
        InsertGrayedText(popup, kNotFoundText);
        return;
    }
    table.dpi = static_cast<int>(dpi);
    if (!ChooseMenuFont(table)) return;
    table.cxSmIcon = MetricForDpi(SM_CXSMICON, dpi);
    table.cySmIcon = MetricForDpi(SM_CYSMICON, dpi);
    if (ListDesktopItems(popup, table) == 0) InsertGrayedText(popup, kEmptyText);
}

void ClearDesktopMenu(HMENU popup) {
    while (GetMenuItemCount(popup) > kPopupOwnItems) {
        if (!DeleteMenu(popup, 0, MF_BYPOSITION)) break;
    }
    CurrentDesktopTable.hMenuFont = nullptr;
    CurrentDesktopTable.hOwnedFont.reset();
    ResetDesktopIcons();
}

void LaunchDesktopItem(UINT id) {
    if (id < 1 || id > static_cast<UINT>(kDesktopSlots)) return;
    const WCHAR* path = CurrentDesktopTable.aEntries[id - 1].szPath;
    // A slot that no build has filled names nothing to open.
    if (!path[0]) return;
    ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL MeasureDesktopItem(MEASUREITEMSTRUCT* item) {
    if (!item) return FALSE;
    const DesktopEntry* entry = DesktopSlotFor(item->CtlType, item->itemData);
    if (!entry) return FALSE;
    const DesktopTable& table = CurrentDesktopTable;
    // Without a DC to measure in, the item gets the icon's size so the menu still opens.
    SIZE label = {};
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (dc) {
        SelectedObject font(dc.get(), table.hMenuFont);
        label = LabelExtent(dc.get(), *entry);
    }
    item->itemWidth = static_cast<UINT>(table.cxSmIcon + label.cx + Scaled(kLabelGap));
    item->itemHeight =
        static_cast<UINT>(std::max(table.cySmIcon + Scaled(kDesktopIconPad), static_cast<int>(label.cy)));
    return TRUE;
}

BOOL DrawDesktopItem(const DRAWITEMSTRUCT* item) {
    if (!item) return FALSE;
    const DesktopEntry* entry = DesktopSlotFor(item->CtlType, item->itemData);
    if (!entry) return FALSE;
    const RECT& area = item->rcItem;
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return TRUE;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    // Composed off-screen and copied in one go, so it never shows half drawn.
    UniqueMemoryDc offscreen(CreateCompatibleDC(item->hDC));
    UniqueGdiObject bitmap;
    if (offscreen) bitmap.reset(CreateCompatibleBitmap(item->hDC, w, h));
    if (!bitmap) {
        const int saved = SaveDC(item->hDC);
        PaintDesktopItem(item->hDC, area.left, area.top, w, h, *entry, selected);
        RestoreDC(item->hDC, saved);
        return TRUE;
    }
    SelectedObject picture(offscreen.get(), bitmap.get());
    PaintDesktopItem(offscreen.get(), 0, 0, w, h, *entry, selected);
    BitBlt(item->hDC, area.left, area.top, w, h, offscreen.get(), 0, 0, SRCCOPY);
    return TRUE;
}

LRESULT MatchDesktopMenuChar(WPARAM wParam, HMENU menu) {
    const WCHAR typed = LOWORD(wParam);
    const int match = NextDesktopMatch(menu, CountDesktopItems(menu), typed);
    if (match >= 0) return MAKELRESULT(match, MNC_SELECT);
    return MatchOwnItem(menu, typed);
}
