#include "ui/rename.h"

#include <shellapi.h>

#include <cstring>

#include "app/app.h"
#include "app/platform.h"
#include "app/text.h"
#include "res/resource.h"

char RenameName[MAX_PATH];
char RenameOldPath[MAX_PATH + 1];
char RenameNewPath[MAX_PATH + 1];

const char* const RenameForbiddenCharacters = "\\/:*?\"<>|";

namespace {

const char* const RenameCaption = "Umbenennen";

void ShowRenameMessage(HWND dialog, const char* text) {
    CallMessageBox(dialog, text, RenameCaption, MB_ICONERROR | MB_SETFOREGROUND);
}

// The old file's extension with its dot; empty when its name has none (a dot
// in a folder name does not count).
const char* OldExtension() {
    const char* slash = strrchr(RenameOldPath, '\\');
    const char* name = slash ? slash + 1 : RenameOldPath;
    const char* dot = strrchr(name, '.');
    return dot ? dot : "";
}

// The new-name field into RenameName; false when it holds more than fits.
bool ReadNewName(HWND dialog) {
    if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_RENAME_TO)) >= MAX_PATH) return false;
    GetDlgItemTextA(dialog, IDC_RENAME_TO, RenameName, MAX_PATH);
    return true;
}

void OnNewNameChanged(HWND dialog) {
    ReadNewName(dialog);
    bool hasText = GetWindowTextLengthA(GetDlgItem(dialog, IDC_RENAME_TO)) > 0;
    EnableWindow(GetDlgItem(dialog, IDOK), hasText);
}

bool RenameFile(HWND dialog) {
    SHFILEOPSTRUCTA op = {};
    op.hwnd = dialog;
    op.wFunc = FO_RENAME;
    op.pFrom = RenameOldPath;
    op.pTo = RenameNewPath;
    op.fFlags = FOF_ALLOWUNDO | FOF_SILENT;
    return SHFileOperationA(&op) == 0;
}

// OK: refused with a message while the name cannot become a file name of
// this folder; otherwise the shell renames the file, and reports its own
// failures while the dialog stays open for another try.
BOOL OnConfirm(HWND dialog) {
    bool fits = ReadNewName(dialog);
    if (RenameName[0] == '\0') return FALSE;
    if (fits && strpbrk(RenameName, RenameForbiddenCharacters)) {
        ShowRenameMessage(dialog,
                          "Ein Dateiname darf keines der folgenden Zeichen enthalten:\n\t\\ / : * ? \" < > |");
        return FALSE;
    }
    if (!fits || !ComposeRenamePath()) {
        ShowRenameMessage(dialog,
                          "Der neue Name ist zu lang.\n\n"
                          "Ordner, Name und Erweiterung dürfen zusammen höchstens 259 Zeichen lang sein.");
        return FALSE;
    }
    if (!RenameFile(dialog)) return FALSE;
    EndDialog(dialog, 0);
    return TRUE;
}

void OnInitDialog(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_RENAME_FOLDER, ProgramFolder);
    SetDlgItemTextA(dialog, IDC_RENAME_FROM, RenameName);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
}

}  // namespace

void PrepareRename(const char* name, const char* linkPath) {
    CopyText(RenameName, name);
    memset(RenameOldPath, 0, sizeof RenameOldPath);
    CopyText(RenameOldPath, MAX_PATH, linkPath);
}

bool ComposeRenamePath() {
    memset(RenameNewPath, 0, sizeof RenameNewPath);
    // A drive root already ends in its backslash.
    bool needsSlash = ProgramFolder[0] != '\0' && ProgramFolder[lstrlenA(ProgramFolder) - 1] != '\\';
    bool fits = CopyText(RenameNewPath, MAX_PATH, ProgramFolder) &&
                (!needsSlash || AppendText(RenameNewPath, MAX_PATH, "\\")) &&
                AppendText(RenameNewPath, MAX_PATH, RenameName) && AppendText(RenameNewPath, MAX_PATH, OldExtension());
    if (!fits) memset(RenameNewPath, 0, sizeof RenameNewPath);
    return fits;
}

INT_PTR CALLBACK ShortcutRenameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, the new name
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
