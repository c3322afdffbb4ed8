#include "options/options.h"

#include <windows.h>
#include <shellapi.h>

#include "app/app.h"
#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "options/companion.h"
#include "options/integration.h"
#include "res/resource.h"
#include "tray/trayicons.h"
#include "ui/traymenu.h"

namespace {

const char* const Yes = "Ja";
const char* const No = "Nein";
const char* const SingleClick = "Einfacher Klick";
const char* const DoubleClick = "Doppelklick";

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

const char* YesOrNo(bool on) {
    return on ? Yes : No;
}

// A "Ja"/"Nein" option shows as its box; any other text leaves the box as
// created, unchecked.
void ShowOptionBox(HWND dialog, int id, const char* value) {
    if (lstrcmpiA(value, Yes) == 0) CheckDlgButton(dialog, id, BST_CHECKED);
    if (lstrcmpiA(value, No) == 0) CheckDlgButton(dialog, id, BST_UNCHECKED);
}

void ShowClickMode(HWND dialog) {
    if (lstrcmpiA(Settings.szClickMode, DoubleClick) == 0)
        CheckRadioButton(dialog, IDC_SINGLE_CLICK, IDC_DOUBLE_CLICK, IDC_DOUBLE_CLICK);
    if (lstrcmpiA(Settings.szClickMode, SingleClick) == 0)
        CheckRadioButton(dialog, IDC_SINGLE_CLICK, IDC_DOUBLE_CLICK, IDC_SINGLE_CLICK);
}

// Without the companion's executable its option can only be switched off.
void TestCompanionExecutable(HWND dialog) {
    if (OpenFile(CompanionExecutable, &FileTestRecord, OF_EXIST) != HFILE_ERROR) return;
    CheckDlgButton(dialog, IDC_COMPANION, BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_COMPANION), FALSE);
}

void ShowIntegrationState(HWND dialog) {
    IntegrationState state = ReadIntegrationState();
    if (state.fHideDesktop) CheckDlgButton(dialog, IDC_HIDE_DESKTOP, BST_CHECKED);
    if (state.fAutostart) CheckDlgButton(dialog, IDC_AUTOSTART, BST_CHECKED);
    if (state.fShellVerb) CheckDlgButton(dialog, IDC_SHELL_VERB, BST_CHECKED);
}

void InitOptionsDialog(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_FOLDER_PATH, ProgramFolder);
    ShowClickMode(dialog);
    ShowOptionBox(dialog, IDC_MARK_LINKS, Settings.szMarkLinks);
    ShowOptionBox(dialog, IDC_QUICK_INFO, Settings.szQuickInfo);
    ShowOptionBox(dialog, IDC_SORT, Settings.szSort);
    ShowOptionBox(dialog, IDC_COMPANION, Settings.szCompanion);
    TestCompanionExecutable(dialog);
    ShowOptionBox(dialog, IDC_DESKTOP_MENU, Settings.szDesktopMenu);
    ShowIntegrationState(dialog);
}

// Writes one key of the settings file and sets its field, whether the write
// worked or not, so the running program follows the choice.
template <size_t N>
void StoreOption(const char* key, const char* value, char (&field)[N]) {
    WritePrivateProfileStringA(SettingsSection, key, value, IniPath);
    lstrcpynA(field, value, N);
}

void AcceptClickMode(HWND dialog) {
    if (IsChecked(dialog, IDC_SINGLE_CLICK)) StoreOption(KeyClickMode, SingleClick, Settings.szClickMode);
    if (IsChecked(dialog, IDC_DOUBLE_CLICK)) StoreOption(KeyClickMode, DoubleClick, Settings.szClickMode);
}

// The icons come back in the new order; the companion hears of it under the
// option as it stood before this OK.
void AcceptSortOrder(HWND dialog) {
    const char* value = YesOrNo(IsChecked(dialog, IDC_SORT));
    WritePrivateProfileStringA(SettingsSection, KeySort, value, IniPath);
    if (lstrcmpiA(value, Settings.szSort) == 0) return;
    lstrcpynA(Settings.szSort, value, sizeof Settings.szSort);
    RebuildTrayIcons();
    RefreshTrayTips();
    NotifyCompanion(CompanionAddTrayIconMessage);
}

void AcceptCompanion(HWND dialog) {
    if (!IsChecked(dialog, IDC_COMPANION)) {
        StoreOption(KeyCompanion, No, Settings.szCompanion);
        return;
    }
    if (!IsOptionOn(Settings.szCompanion) || !FindCompanionWindow()) StartCompanion();
    StoreOption(KeyCompanion, Yes, Settings.szCompanion);
}

void AcceptDesktopMenu(HWND dialog) {
    if (IsChecked(dialog, IDC_DESKTOP_MENU)) {
        StoreOption(KeyDesktopMenu, Yes, Settings.szDesktopMenu);
        return;
    }
    WritePrivateProfileStringA(SettingsSection, KeyDesktopMenu, No, IniPath);
    ClearDesktopMenu(TrayPopup);
    lstrcpynA(Settings.szDesktopMenu, No, sizeof Settings.szDesktopMenu);
}

void AcceptOptions(HWND dialog) {
    AcceptClickMode(dialog);
    StoreOption(KeyMarkLinks, YesOrNo(IsChecked(dialog, IDC_MARK_LINKS)), Settings.szMarkLinks);
    RefreshTrayMarks();
    StoreOption(KeyQuickInfo, YesOrNo(IsChecked(dialog, IDC_QUICK_INFO)), Settings.szQuickInfo);
    RefreshTrayTips();
    AcceptSortOrder(dialog);
    AcceptCompanion(dialog);
    AcceptDesktopMenu(dialog);
    IntegrationState state;
    state.fHideDesktop = IsChecked(dialog, IDC_HIDE_DESKTOP);
    state.fAutostart = IsChecked(dialog, IDC_AUTOSTART);
    state.fShellVerb = IsChecked(dialog, IDC_SHELL_VERB);
    ApplyIntegrationState(state);
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        InitOptionsDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, OK
    }
    if (message != WM_COMMAND) return FALSE;
    switch (wParam) {
    case IDOK:
        AcceptOptions(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_OPEN_FOLDER:
        ShellExecuteA(nullptr, nullptr, ProgramFolder, nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void ShowOptionsDialog() {
    DialogBoxParamA(AppInstance, "OBPOptions", TrayWindow, OptionsDialogProc, 0);
}
