#include "options/options.h"

#include <windows.h>
#include <shellapi.h>

#include "app/app.h"
#include "app/settings.h"
#include "desktopmenu/desktopmenu.h"
#include "options/companion.h"
#include "options/integration.h"
#include "res/resource.h"
#include "tray/shortcuts.h"
#include "tray/trayicons.h"
#include "ui/placement.h"
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
    if (CompanionExecutableFound()) return;
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
    SetDlgItemTextW(dialog, IDC_FOLDER_PATH, ProgramFolder);
    ShowClickMode(dialog);
    ShowOptionBox(dialog, IDC_MARK_LINKS, Settings.szMarkLinks);
    ShowOptionBox(dialog, IDC_QUICK_INFO, Settings.szQuickInfo);
    ShowOptionBox(dialog, IDC_SORT, Settings.szSort);
    ShowOptionBox(dialog, IDC_COMPANION, Settings.szCompanion);
    TestCompanionExecutable(dialog);
    ShowOptionBox(dialog, IDC_DESKTOP_MENU, Settings.szDesktopMenu);
    ShowIntegrationState(dialog);
}

// Whether every key written since OK was pressed reached the settings file.
bool AllOptionsSaved;

void SaveOption(const char* key, const char* value) {
    if (!WriteOption(key, value)) AllOptionsSaved = false;
}

// Writes one key of the settings file and sets its field, whether the write
// worked or not, so the running program follows the choice.
template <size_t N>
void StoreOption(const char* key, const char* value, char (&field)[N]) {
    SaveOption(key, value);
    lstrcpynA(field, value, N);
}

// What the dialog shows when OK is pressed, read whole before anything is
// applied: applying can run message loops (a rebuild's messages), in which
// the program may be closed and the dialog destroyed with it.
struct DialogChoices {
    const char* szClickMode;  // null when neither button is checked
    bool fMarkLinks;
    bool fQuickInfo;
    bool fSort;
    bool fCompanion;
    bool fDesktopMenu;
    IntegrationState integration;
};

DialogChoices ReadDialogChoices(HWND dialog) {
    DialogChoices choices = {};
    if (IsChecked(dialog, IDC_SINGLE_CLICK)) choices.szClickMode = SingleClick;
    if (IsChecked(dialog, IDC_DOUBLE_CLICK)) choices.szClickMode = DoubleClick;
    choices.fMarkLinks = IsChecked(dialog, IDC_MARK_LINKS);
    choices.fQuickInfo = IsChecked(dialog, IDC_QUICK_INFO);
    choices.fSort = IsChecked(dialog, IDC_SORT);
    choices.fCompanion = IsChecked(dialog, IDC_COMPANION);
    choices.fDesktopMenu = IsChecked(dialog, IDC_DESKTOP_MENU);
    choices.integration.fHideDesktop = IsChecked(dialog, IDC_HIDE_DESKTOP);
    choices.integration.fAutostart = IsChecked(dialog, IDC_AUTOSTART);
    choices.integration.fShellVerb = IsChecked(dialog, IDC_SHELL_VERB);
    return choices;
}

// The icons come back in the new order; the companion hears of it under the
// option as it stood before this OK. Without icons (the first-run dialog
// comes before start-up's first scan) there is nothing to reorder, and no
// rebuild may ask for a shortcut ahead of that scan.
void AcceptSortOrder(bool sort) {
    const char* value = YesOrNo(sort);
    SaveOption(KeySort, value);
    if (lstrcmpiA(value, Settings.szSort) == 0) return;
    lstrcpynA(Settings.szSort, value, sizeof Settings.szSort);
    if (CurrentShortcutTable.nCount == 0) return;
    RebuildTrayIcons();
    NotifyCompanion(CompanionAddTrayIconMessage);
}

void AcceptCompanion(bool on) {
    if (!on) {
        StoreOption(KeyCompanion, No, Settings.szCompanion);
        return;
    }
    if (!IsOptionOn(Settings.szCompanion) || !FindCompanionWindow()) StartCompanion();
    StoreOption(KeyCompanion, Yes, Settings.szCompanion);
}

void AcceptDesktopMenu(bool on) {
    if (on) {
        StoreOption(KeyDesktopMenu, Yes, Settings.szDesktopMenu);
        return;
    }
    SaveOption(KeyDesktopMenu, No);
    ClearDesktopMenu(TrayPopup);
    lstrcpynA(Settings.szDesktopMenu, No, sizeof Settings.szDesktopMenu);
}

// Settings that could not be saved are said once, and hold for this run.
void AcceptOptions(HWND dialog) {
    const DialogChoices choices = ReadDialogChoices(dialog);
    AllOptionsSaved = true;
    if (choices.szClickMode) StoreOption(KeyClickMode, choices.szClickMode, Settings.szClickMode);
    StoreOption(KeyMarkLinks, YesOrNo(choices.fMarkLinks), Settings.szMarkLinks);
    RefreshTrayMarks();
    StoreOption(KeyQuickInfo, YesOrNo(choices.fQuickInfo), Settings.szQuickInfo);
    RefreshTrayTips();
    AcceptSortOrder(choices.fSort);
    AcceptCompanion(choices.fCompanion);
    AcceptDesktopMenu(choices.fDesktopMenu);
    ApplyIntegrationState(choices.integration);
    if (!AllOptionsSaved) ShowSettingsNotSavedMessage();
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        InitOptionsDialog(dialog);
        CentreOnPointerMonitor(dialog);
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
        ShellExecuteW(nullptr, nullptr, ProgramFolder, nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void ShowOptionsDialog() {
    DialogBoxParamW(AppInstance, L"OBPOptions", TrayWindow, OptionsDialogProc, 0);
}
