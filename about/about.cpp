#include "about/about.h"

#include <windows.h>
#include <shellapi.h>

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/text.h"
#include "res/resource.h"
#include "ui/placement.h"
#include "version.h"

const WCHAR* const AuthorMailAddress = L"ombrix@example.org";
const WCHAR* const AuthorWebPage = L"https://ombrix.example.org/";

namespace {

const WCHAR* const BrowserProbeName = L"Ombrix+.html";

// The program registered for ".html" files, learned at each opening; the
// fall-back for a link the shell cannot open itself.
WCHAR BrowserPath[MAX_PATH];
WCHAR ProbeFilePath[MAX_PATH];

// Creates path empty, or empties the file there.
void CreateEmptyFile(const WCHAR* path) {
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    UniqueKernelHandle owner(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// Creates an empty "Ombrix+.html" in the temporary folder, asks which program
// opens it, and deletes it again. Wide calls throughout: the temporary folder
// lies in the user's profile, whose name the code page may not spell.
void LearnBrowser() {
    BrowserPath[0] = L'\0';
    DWORD len = GetTempPathW(MAX_PATH, ProbeFilePath);
    if (len == 0 || len >= MAX_PATH || !AppendText(ProbeFilePath, BrowserProbeName)) return;
    CreateEmptyFile(ProbeFilePath);
    FindExecutableW(ProbeFilePath, nullptr, BrowserPath);
    DeleteFileW(ProbeFilePath);
}

bool Launched(HINSTANCE result) {
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// Only a link the shell cannot find gets the fall-back: the link handed to the
// browser, and when that is not found either, a message with the link.
void OpenLink(const WCHAR* link) {
    if (Launched(ShellExecuteW(nullptr, nullptr, link, nullptr, nullptr, SW_SHOWNORMAL))) return;
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return;
    // With no browser known there is nothing to start: an empty file name
    // would let the shell open the current folder instead.
    if (BrowserPath[0] != L'\0') {
        if (Launched(ShellExecuteW(nullptr, nullptr, BrowserPath, link, nullptr, SW_SHOWNORMAL))) return;
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return;
    }
    ShowProgramMessage(link, MB_OK | MB_ICONERROR);
}

void OpenMailLink() {
    WCHAR link[MAX_PATH];
    MakeMailLink(link);
    OpenLink(link);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        LearnBrowser();
        CentreOnPointerMonitor(dialog);
        return TRUE;  // the focus goes to the first tab stop, OK
    case WM_ACTIVATE:
        // Losing activation ends the dialog like OK, once the post is dispatched.
        if (LOWORD(wParam) == WA_INACTIVE)
            PostMessageW(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return TRUE;  // no saving or restoring of the focused control
    case WM_COMMAND:
        switch (wParam) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_ABOUT_MAIL:
            OpenMailLink();
            return TRUE;
        case IDC_ABOUT_WEB:
            OpenLink(AuthorWebPage);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

void MakeMailLink(WCHAR* link) {
    wsprintfW(link, L"mailto:%s?subject=Ombrix+ v" OMBRIX_VERSION, AuthorMailAddress);
}

void ShowAboutDialog() {
    DialogBoxParamW(AppInstance, L"OBPAbout", TrayWindow, AboutDialogProc, 0);
}
