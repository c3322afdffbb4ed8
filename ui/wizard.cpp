#include "ui/wizard.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <memory>

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/text.h"
#include "res/resource.h"
#include "ui/traywindow.h"

namespace {

const char* const NewLinkDialogName = "OBPNewLink";
const char* const WizardFailedText = "Fehler.\nFunktion konnte nicht ausgeführt werden.";

// The process of the shell's wizard and the window to tell when it ends.
struct WizardWatch {
    UniqueKernelHandle process;
    HWND window;
};

DWORD WINAPI WatchWizardProc(void* param) {
    std::unique_ptr<WizardWatch> watch(static_cast<WizardWatch*>(param));
    WaitForSingleObject(watch->process.get(), INFINITE);
    PostMessageA(watch->window, WM_WIZARDENDED, 0, 0);
    return 0;
}

// A thread waits for the process, so that the main loop's wait stays as it is.
void WatchWizard(HANDLE process) {
    auto watch = std::make_unique<WizardWatch>(WizardWatch{UniqueKernelHandle(process), TrayWindow});
    UniqueKernelHandle thread(CreateThread(nullptr, 0, WatchWizardProc, watch.get(), 0, nullptr));
    if (thread) watch.release();
}

// The shell's wizard, when this system has it.
bool StartShellWizard() {
    char parameters[512];
    FormatWizardParameters(ProgramFolder, parameters);
    UniqueLibrary appwiz(LoadLibraryA("Appwiz.cpl"));
    if (!appwiz || !GetProcAddress(appwiz.get(), "NewLinkHere")) return false;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = "rundll32.exe";
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) return false;
    if (info.hProcess) WatchWizard(info.hProcess);
    return true;
}

// Messages of the dialog go to the dialog itself, which they keep disabled
// until answered. The text is the caller's: the shared message buffer belongs
// to the main thread.
void ShowDialogMessage(HWND dialog, const char* text) {
    CallMessageBox(dialog, text, "Ombrix+", MB_SETFOREGROUND | MB_ICONWARNING);
}

// The file part of path without its extension, as a name for its shortcut.
void ProposeName(const char* path, char (&name)[MAX_PATH]) {
    const char* slash = strrchr(path, '\\');
    lstrcpynA(name, slash ? slash + 1 : path, MAX_PATH);
    if (char* dot = strrchr(name, '.')) {
        if (dot != name) *dot = '\0';
    }
}

void BrowseForTarget(HWND dialog) {
    char target[MAX_PATH] = {};
    GetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, target, MAX_PATH);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = "Programme\0*.exe;*.com;*.bat;*.cmd\0Alle Dateien\0*.*\0";
    ofn.lpstrFile = target;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = "Ziel der Verknüpfung";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) return;
    SetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, target);
    char name[MAX_PATH] = {};
    if (GetDlgItemTextA(dialog, IDC_NEWLINK_NAME, name, MAX_PATH) == 0) {
        ProposeName(target, name);
        SetDlgItemTextA(dialog, IDC_NEWLINK_NAME, name);
    }
}

bool IsValidFileName(const char* name) {
    return name[0] != '\0' && strpbrk(name, "\\/:*?\"<>|") == nullptr;
}

// ProgramFolder\name.lnk (".lnk" added unless name ends in it already). What is
// saved is a shell link, so a name typed with ".pif" keeps it in front of
// ".lnk": a link under a .pif name would be read as a PIF file.
bool BuildLinkPath(const char* name, char (&linkPath)[MAX_PATH]) {
    if (!CopyText(linkPath, ProgramFolder)) return false;
    int len = lstrlenA(linkPath);
    if ((len == 0 || linkPath[len - 1] != '\\') && !AppendText(linkPath, "\\")) return false;
    if (!AppendText(linkPath, name)) return false;
    if (EndsWithNoCase(name, ".lnk")) return true;
    return AppendText(linkPath, ".lnk");
}

bool SaveShellLink(const char* linkPath, const char* target) {
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0) return false;
    ComScope com;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return false;
    if (FAILED(link->SetPath(target))) return false;
    // A program starts in its own folder, as the shell's wizard sets it.
    char folder[MAX_PATH];
    lstrcpynA(folder, target, MAX_PATH);
    if (char* slash = strrchr(folder, '\\')) {
        bool driveRoot = slash == folder + 2;
        *(driveRoot ? slash + 1 : slash) = '\0';  // "C:\" keeps its backslash
        link->SetWorkingDirectory(folder);
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return false;
    return SUCCEEDED(file->Save(widePath, TRUE));
}

// Checks what the user entered and creates the shortcut; false keeps the
// dialog open after telling the user why.
bool CreateShortcutFromDialog(HWND dialog) {
    char target[MAX_PATH] = {};
    char name[MAX_PATH] = {};
    GetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, target, MAX_PATH);
    GetDlgItemTextA(dialog, IDC_NEWLINK_NAME, name, MAX_PATH);
    if (target[0] == '\0' || GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES) {
        ShowDialogMessage(dialog, "Das Ziel der Verknüpfung wurde nicht gefunden.\n"
                                  "Bitte wählen Sie ein vorhandenes Programm, Dokument oder Ordner.");
        return false;
    }
    if (name[0] == '\0') ProposeName(target, name);
    if (!IsValidFileName(name)) {
        ShowDialogMessage(dialog, "Bitte geben Sie einen Namen ohne die Zeichen \\ / : * ? \" < > | ein.");
        return false;
    }
    char linkPath[MAX_PATH];
    if (!BuildLinkPath(name, linkPath)) {
        ShowDialogMessage(dialog, "Der Name ist zu lang.");
        return false;
    }
    if (GetFileAttributesA(linkPath) != INVALID_FILE_ATTRIBUTES) {
        ShowDialogMessage(dialog, "Eine Verknüpfung mit diesem Namen ist bereits vorhanden.\n"
                                  "Bitte geben Sie einen anderen Namen ein.");
        return false;
    }
    if (!SaveShellLink(linkPath, target)) {
        ShowDialogMessage(dialog, "Die Verknüpfung konnte nicht erstellt werden.");
        return false;
    }
    return true;
}

INT_PTR CALLBACK NewLinkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_NEWLINK_TARGET, EM_LIMITTEXT, MAX_PATH - 1, 0);
        SendDlgItemMessageA(dialog, IDC_NEWLINK_NAME, EM_LIMITTEXT, MAX_PATH - 1, 0);
        return TRUE;
    case WM_COMMAND:
        switch (wParam) {
        case IDOK:
            if (CreateShortcutFromDialog(dialog)) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_NEWLINK_BROWSE:
            BrowseForTarget(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

// The dialog runs on a thread of its own, like the shell's wizard in its own
// process: the caller returns at once, the folder watch sees the new file.
// param is the window to tell when the dialog has ended.
DWORD WINAPI NewLinkThreadProc(void* param) {
    ComScope com;  // the open-file dialog and the shell link need COM on this thread
    if (RunNewLinkDialog() == -1) CallMessageBox(nullptr, WizardFailedText, "Ombrix+", MB_SETFOREGROUND | MB_ICONERROR);
    PostMessageA(static_cast<HWND>(param), WM_WIZARDENDED, 0, 0);
    return 0;
}

bool StartNewLinkDialog() {
    if (!FindResourceA(AppInstance, NewLinkDialogName, RT_DIALOG)) return false;
    UniqueKernelHandle thread(CreateThread(nullptr, 0, NewLinkThreadProc, TrayWindow, 0, nullptr));
    return static_cast<bool>(thread);
}

}  // namespace

void FormatWizardParameters(const char* folder, char (&parameters)[512]) {
    wsprintfA(parameters, "Appwiz.cpl,NewLinkHere %s\\", folder);
}

INT_PTR RunNewLinkDialog() {
    return DialogBoxParamA(AppInstance, NewLinkDialogName, nullptr, NewLinkDialogProc, 0);
}

bool StartAddShortcutWizard() {
    if (StartShellWizard() || StartNewLinkDialog()) return true;
    ShowProgramMessage(WizardFailedText, MB_ICONERROR);
    return false;
}
