#include "ui/commands.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>

#include "app/app.h"
#include "app/handles.h"
#include "app/text.h"
#include "ui/rename.h"

namespace {

// Flags of the delete: silent (no progress window) but always confirmed.
constexpr FILEOP_FLAGS DeleteToBinFlags = FOF_ALLOWUNDO | FOF_SILENT;
constexpr FILEOP_FLAGS DeleteForGoodFlags = FOF_SILENT;

void InvokePropertiesVerb(IShellFolder* folder, LPCITEMIDLIST item) {
    ComPtr<IContextMenu> menu;
    if (FAILED(folder->GetUIObjectOf(TrayWindow, 1, &item, IID_IContextMenu, nullptr, menu.putVoid()))) return;
    CMINVOKECOMMANDINFO invoke = {};
    invoke.cbSize = sizeof invoke;
    invoke.fMask = CMIC_MASK_FLAG_NO_UI;
    invoke.hwnd = TrayWindow;
    invoke.lpVerb = "properties";
    invoke.nShow = SW_SHOWNORMAL;
    menu->InvokeCommand(&invoke);
}

}  // namespace

const ShortcutEntry* FindShortcutEntry(UINT index) {
    if (!CurrentShortcutTable.pEntries || index >= static_cast<UINT>(CurrentShortcutTable.nCount)) return nullptr;
    return &CurrentShortcutTable.pEntries[index];
}

bool IsShiftHeld() {
    return GetKeyState(VK_SHIFT) < 0;
}

void OpenShortcut(UINT index) {
    const ShortcutEntry* entry = FindShortcutEntry(index);
    if (!entry) return;
    ShellExecuteW(TrayWindow, nullptr, entry->szLinkPath, nullptr, nullptr, SW_SHOWNORMAL);
}

void DeleteShortcut(UINT index) {
    const ShortcutEntry* entry = FindShortcutEntry(index);
    if (!entry) return;
    // A list of one path ended by an empty string: one byte more than a path
    // buffer, so even a path of 259 characters keeps its second NUL.
    WCHAR source[MAX_PATH + 1] = {};
    CopyText(source, MAX_PATH, entry->szLinkPath);
    SHFILEOPSTRUCTW op = {};
    op.hwnd = TrayWindow;
    op.wFunc = FO_DELETE;
    op.pFrom = source;
    op.fFlags = IsShiftHeld() ? DeleteForGoodFlags : DeleteToBinFlags;
    SHFileOperationW(&op);
}

void RenameShortcut(UINT index) {
    const ShortcutEntry* entry = FindShortcutEntry(index);
    if (!entry) return;
    PrepareRename(entry->szName, entry->szLinkPath);
    DialogBoxParamW(AppInstance, L"OBPRename", TrayWindow, ShortcutRenameProc, 0);
}

void ShowShortcutPropertiesCommand(UINT index) {
    if (!FindShortcutEntry(index)) return;
    if (IsShiftHeld()) {
        ShellExecuteW(nullptr, nullptr, ProgramFolder, nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    ShowShortcutProperties(index);
}

void ShowShortcutProperties(UINT index) {
    const ShortcutEntry* entry = FindShortcutEntry(index);
    if (!entry) return;
    // ParseDisplayName wants writable texts.
    WCHAR fileName[MAX_PATH];
    WCHAR folderPath[MAX_PATH];
    if (!CopyText(fileName, FileNameOf(entry->szLinkPath)) || !CopyText(folderPath, ProgramFolder)) return;

    // Declared in the order obtained, so they are given back in reverse.
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.put()))) return;
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) return;
    ShellItemList folderItem(allocator.get());
    if (FAILED(desktop->ParseDisplayName(TrayWindow, nullptr, folderPath, nullptr, folderItem.put(), nullptr))) return;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(folderItem.get(), nullptr, IID_IShellFolder, folder.putVoid()))) return;
    ShellItemList fileItem(allocator.get());
    if (FAILED(folder->ParseDisplayName(TrayWindow, nullptr, fileName, nullptr, fileItem.put(), nullptr))) return;
    InvokePropertiesVerb(folder.get(), fileItem.get());
}
