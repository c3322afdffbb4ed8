#include "ui/wizard.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <memory>

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/text.h"
#include "res/resource.h"
#include "ui/placement.h"
#include "ui/traywindow.h"

namespace {

const WCHAR* const NewLinkDialogName = L"OBPNewLink";
const WCHAR* const WizardFailedText = L"Fehler.\nFunktion konnte nicht ausgeführt werden.";

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
    WCHAR parameters[512];
    FormatWizardParameters(ProgramFolder, parameters);
    UniqueLibrary appwiz(LoadSystemLibrary(L"Appwiz.cpl"));
    if (!appwiz || !GetProcAddress(appwiz.get(), "NewLinkHere")) return false;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = L"rundll32.exe";
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    if (info.hProcess) WatchWizard(info.hProcess);
    return true;
}

// Messages of the dialog go to the dialog itself, which they keep disabled
// until answered. The text is the caller's: the shared message buffer belongs
// to the main thread.
void ShowDialogMessage(HWND dialog, const WCHAR* text) {
    CallMessageBox(dialog, text, L"Ombrix+", MB_SETFOREGROUND | MB_ICONWARNING);
}

// The file part of path without its extension, as a name for its shortcut.
void ProposeName(const WCHAR* path, WCHAR (&name)[MAX_PATH]) {
    const WCHAR* slash = wcsrchr(path, L'\\');
    lstrcpynW(name, slash ? slash + 1 : path, MAX_PATH);
    if (WCHAR* dot = wcsrchr(name, L'.')) {
        if (dot != name) *dot = L'\0';
    }
}

// The file dialog's library is loaded at the first browse and kept: imported,
// it would be loaded with the printing libraries it needs at every start of
// the program, and the dialog may leave shell threads behind that run its
// code.
BOOL ShowOpenFileDialog(OPENFILENAMEW* ofn) {
    using OpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
    static const OpenFileNameFunction open = [] {
        HMODULE dialogs = LoadSystemLibrary(L"comdlg32.dll");
        void* found = dialogs ? reinterpret_cast<void*>(GetProcAddress(dialogs, "GetOpenFileNameW")) : nullptr;
        return reinterpret_cast<OpenFileNameFunction>(found);
    }();
    return open && open(ofn);
}

void BrowseForTarget(HWND dialog) {
    WCHAR target[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_NEWLINK_TARGET, target, MAX_PATH);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = L"Programme\0*.exe;*.com;*.bat;*.cmd\0Alle Dateien\0*.*\0";
    ofn.lpstrFile = target;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = L"Ziel der Verknüpfung";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!ShowOpenFileDialog(&ofn)) return;
    SetDlgItemTextW(dialog, IDC_NEWLINK_TARGET, target);
    WCHAR name[MAX_PATH] = {};
    if (GetDlgItemTextW(dialog, IDC_NEWLINK_NAME, name, MAX_PATH) == 0) {
        ProposeName(target, name);
        SetDlgItemTextW(dialog, IDC_NEWLINK_NAME, name);
    }
}

bool IsValidFileName(const WCHAR* name) {
    return name[0] != L'\0' && wcspbrk(name, L"\\/:*?\"<>|") == nullptr;
}

// ProgramFolder\name.lnk (".lnk" added unless name ends in it already). What is
// saved is a shell link, so a name typed with ".pif" keeps it in front of
// ".lnk": a link under a .pif name would be read as a PIF file.
bool BuildLinkPath(const WCHAR* name, WCHAR (&linkPath)[MAX_PATH]) {
    if (!CopyText(linkPath, ProgramFolder)) return false;
    int len = lstrlenW(linkPath);
    if ((len == 0 || linkPath[len - 1] != L'\\') && !AppendText(linkPath, L"\\")) return false;
    if (!AppendText(linkPath, name)) return false;
    if (EndsWithNoCase(name, L".lnk")) return true;
    return AppendText(linkPath, L".lnk");
}

bool SaveShellLink(const WCHAR* linkPath, const WCHAR* target) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return false;
    if (FAILED(link->SetPath(target))) return false;
    // A program starts in its own folder, as the shell's wizard sets it.
    WCHAR folder[MAX_PATH];
    lstrcpynW(folder, target, MAX_PATH);
    if (WCHAR* slash = wcsrchr(folder, L'\\')) {
        bool driveRoot = slash == folder + 2;
        *(driveRoot ? slash + 1 : slash) = L'\0';  // "C:\" keeps its backslash
        link->SetWorkingDirectory(folder);
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return false;
    return SUCCEEDED(file->Save(linkPath, TRUE));
}

// Checks what the user entered and creates the shortcut; false keeps the
// dialog open after telling the user why.
bool CreateShortcutFromDialog(HWND dialog) {
    WCHAR target[MAX_PATH] = {};
    WCHAR name[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_NEWLINK_TARGET, target, MAX_PATH);
    GetDlgItemTextW(dialog, IDC_NEWLINK_NAME, name, MAX_PATH);
    if (target[0] == L'\0' || GetFileAttributesW(target) == INVALID_FILE_ATTRIBUTES) {
        ShowDialogMessage(dialog, L"Das Ziel der Verknüpfung wurde nicht gefunden.\n"
                                  L"Bitte wählen Sie ein vorhandenes Programm, Dokument oder Ordner.");
        return false;
    }
    if (name[0] == L'\0') ProposeName(target, name);
    if (!IsValidFileName(name)) {
        ShowDialogMessage(dialog, L"Bitte geben Sie einen Namen ohne die Zeichen \\ / : * ? \" < > | ein.");
        return false;
    }
    WCHAR linkPath[MAX_PATH];
    if (!BuildLinkPath(name, linkPath)) {
        ShowDialogMessage(dialog, L"Der Name ist zu lang.");
        return false;
    }
    if (GetFileAttributesW(linkPath) != INVALID_FILE_ATTRIBUTES) {
        ShowDialogMessage(dialog, L"Eine Verknüpfung mit diesem Namen ist bereits vorhanden.\n"
                                  L"Bitte geben Sie einen anderen Namen ein.");
        return false;
    }
    if (!SaveShellLink(linkPath, target)) {
        ShowDialogMessage(dialog, L"Die Verknüpfung konnte nicht erstellt werden.");
        return false;
    }
    return true;
}

INT_PTR CALLBACK NewLinkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageW(dialog, IDC_NEWLINK_TARGET, EM_LIMITTEXT, MAX_PATH - 1, 0);
        SendDlgItemMessageW(dialog, IDC_NEWLINK_NAME, EM_LIMITTEXT, MAX_PATH - 1, 0);
        CentreOnPointerMonitor(dialog);
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
    if (RunNewLinkDialog() == -1) CallMessageBox(nullptr, WizardFailedText, L"Ombrix+", MB_SETFOREGROUND | MB_ICONERROR);
    PostMessageA(static_cast<HWND>(param), WM_WIZARDENDED, 0, 0);
    return 0;
}

bool StartNewLinkDialog() {
    if (!FindResourceW(AppInstance, NewLinkDialogName, MAKEINTRESOURCEW(5))) return false;  // RT_DIALOG
    UniqueKernelHandle thread(CreateThread(nullptr, 0, NewLinkThreadProc, TrayWindow, 0, nullptr));
    return static_cast<bool>(thread);
}

}  // namespace

void FormatWizardParameters(const WCHAR* folder, WCHAR (&parameters)[512]) {
    wsprintfW(parameters, L"Appwiz.cpl,NewLinkHere %s\\", folder);
}

INT_PTR RunNewLinkDialog() {
    return DialogBoxParamW(AppInstance, NewLinkDialogName, nullptr, NewLinkDialogProc, 0);
}

bool StartAddShortcutWizard() {
    if (StartShellWizard() || StartNewLinkDialog()) return true;
    ShowProgramMessage(WizardFailedText, MB_ICONERROR);
    return false;
}
