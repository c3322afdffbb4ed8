#include "ui/rename.h"

#include <shellapi.h>

#include <cwchar>
#include <utility>

#include "app/app.h"
#include "app/dpi.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/text.h"
#include "res/resource.h"
#include "tray/trayicons.h"
#include "ui/placement.h"

WCHAR RenameName[MAX_PATH];
WCHAR RenameOldPath[MAX_PATH + 1];
WCHAR RenameNewPath[MAX_PATH + 1];

const WCHAR* const RenameForbiddenCharacters = L"\\/:*?\"<>|";

namespace {

const WCHAR* const RenameCaption = L"Umbenennen";

void ShowRenameMessage(HWND dialog, const WCHAR* text) {
    CallMessageBox(dialog, text, RenameCaption, MB_ICONERROR | MB_SETFOREGROUND);
}

// The old file's extension with its dot; empty when its name has none (a dot
// in a folder name does not count).
const WCHAR* OldExtension() {
    const WCHAR* slash = wcsrchr(RenameOldPath, L'\\');
    const WCHAR* name = slash ? slash + 1 : RenameOldPath;
    const WCHAR* dot = wcsrchr(name, L'.');
    return dot ? dot : L"";
}

// The new-name field into RenameName; false when it holds more than fits.
bool ReadNewName(HWND dialog) {
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_RENAME_TO)) >= MAX_PATH) return false;
    GetDlgItemTextW(dialog, IDC_RENAME_TO, RenameName, MAX_PATH);
    return true;
}

void OnNewNameChanged(HWND dialog) {
    ReadNewName(dialog);
    bool hasText = GetWindowTextLengthW(GetDlgItem(dialog, IDC_RENAME_TO)) > 0;
    EnableWindow(GetDlgItem(dialog, IDOK), hasText);
}

bool RenameFile(HWND dialog) {
    SHFILEOPSTRUCTW op = {};
    op.hwnd = dialog;
    op.wFunc = FO_RENAME;
    op.pFrom = RenameOldPath;
    op.pTo = RenameNewPath;
    op.fFlags = FOF_ALLOWUNDO | FOF_SILENT;
    return SHFileOperationW(&op) == 0;
}

// OK: refused with a message while the name cannot become a file name of
// this folder; otherwise the shell renames the file, and reports its own
// failures while the dialog stays open for another try.
BOOL OnConfirm(HWND dialog) {
    bool fits = ReadNewName(dialog);
    if (RenameName[0] == L'\0') return FALSE;
    if (fits && wcspbrk(RenameName, RenameForbiddenCharacters)) {
        ShowRenameMessage(dialog,
                          L"Ein Dateiname darf keines der folgenden Zeichen enthalten:\n\t\\ / : * ? \" < > |");
        return FALSE;
    }
    if (!fits || !ComposeRenamePath()) {
        ShowRenameMessage(dialog,
                          L"Der neue Name ist zu lang.\n\n"
                          L"Ordner, Name und Erweiterung dürfen zusammen höchstens 259 Zeichen lang sein.");
        return FALSE;
    }
    if (!RenameFile(dialog)) return FALSE;
    KeepIconIdAcrossRename(RenameOldPath, RenameNewPath);
    EndDialog(dialog, 0);
    return TRUE;
}

// The dialog's picture at the icon size of its DPI, which on a monitor of
// another scaling than the main display's is not the size the template's
// picture is loaded at; owned here while the dialog shows it.
UniqueIcon RenamePicture;

void ShowRenamePicture(HWND dialog, UINT dpi) {
    const int size = MetricForDpi(SM_CXICON, dpi);
    UniqueIcon picture(static_cast<HICON>(
        LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_RENAME), IMAGE_ICON, size, size, 0)));
    if (!picture) return;
    SendDlgItemMessageW(dialog, IDC_RENAME_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(picture.get()), 0);
    RenamePicture = std::move(picture);
}

void OnInitDialog(HWND dialog) {
    ShowRenamePicture(dialog, WindowDpi(dialog));
    SetDlgItemTextW(dialog, IDC_RENAME_FOLDER, ProgramFolder);
    SetDlgItemTextW(dialog, IDC_RENAME_FROM, RenameName);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
}

}  // namespace

void PrepareRename(const WCHAR* name, const WCHAR* linkPath) {
    CopyText(RenameName, name);
    memset(RenameOldPath, 0, sizeof RenameOldPath);
    CopyText(RenameOldPath, MAX_PATH, linkPath);
}

bool ComposeRenamePath() {
    memset(RenameNewPath, 0, sizeof RenameNewPath);
    // A drive root already ends in its backslash.
    bool needsSlash = ProgramFolder[0] != L'\0' && ProgramFolder[lstrlenW(ProgramFolder) - 1] != L'\\';
    bool fits = CopyText(RenameNewPath, MAX_PATH, ProgramFolder) &&
                (!needsSlash || AppendText(RenameNewPath, MAX_PATH, L"\\")) &&
                AppendText(RenameNewPath, MAX_PATH, RenameName) && AppendText(RenameNewPath, MAX_PATH, OldExtension());
    if (!fits) memset(RenameNewPath, 0, sizeof RenameNewPath);
    return fits;
}

INT_PTR CALLBACK ShortcutRenameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        CentreOnPointerMonitor(dialog);
        return TRUE;  // the focus goes to the first tab stop, the new name
    case DpiChangedMessage:
        ShowRenamePicture(dialog, LOWORD(wParam));
        return FALSE;  // the dialog manager scales the dialog, its controls and fonts
    case WM_DESTROY:
        SendDlgItemMessageW(dialog, IDC_RENAME_PICTURE, STM_SETICON, 0, 0);
        RenamePicture.reset();
        return FALSE;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_RENAME_TO) OnNewNameChanged(dialog);
        if (wParam == IDOK) return OnConfirm(dialog);
        if (wParam == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
