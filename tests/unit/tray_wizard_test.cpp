#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "app/app.h"
#include "app/handles.h"
#include "support/testsupport.h"
#include "ui/wizard.h"

namespace {

const char* const Notepad = "C:\\windows\\notepad.exe";
constexpr int IDC_NEWLINK_TARGET = 1001;
constexpr int IDC_NEWLINK_NAME = 1003;

// The path a shell link file points at, read back with IShellLinkA.
std::string LinkTarget(const std::string& linkPath) {
    ComScope com;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return "";
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return "";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) return "";
    char target[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    return target;
}

void Fill(HWND dialog, const char* target, const char* name) {
    SetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, target);
    SetDlgItemTextA(dialog, IDC_NEWLINK_NAME, name);
}

void Press(HWND dialog, WPARAM command) {
    SendMessageA(dialog, WM_COMMAND, command, 0);
}

class NewLinkDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppInstance = GetModuleHandleA(nullptr);
        lstrcpynA(ProgramFolder, folder.path().c_str(), MAX_PATH);
    }
    TempFolder folder{"newlink"};
    MessageBoxRecorder boxes;
};

}  // namespace

// The shell's wizard gets the folder unquoted with one closing backslash;
// a drive root, which has its own, ends in two.
TEST(WizardParameters, FolderWithClosingBackslash) {
    char parameters[512];
    FormatWizardParameters("C:\\Werkzeuge\\Leiste", parameters);
    EXPECT_STREQ(parameters, "Appwiz.cpl,NewLinkHere C:\\Werkzeuge\\Leiste\\");
    FormatWizardParameters("C:\\", parameters);
    EXPECT_STREQ(parameters, "Appwiz.cpl,NewLinkHere C:\\\\");
    FormatWizardParameters("C:\\Program Files\\Ombrix+", parameters);
    EXPECT_STREQ(parameters, "Appwiz.cpl,NewLinkHere C:\\Program Files\\Ombrix+\\");
}

// A target and a name give NAME.lnk in the program's folder, pointing there.
TEST_F(NewLinkDialogTest, CreatesTheShortcutInTheProgramFolder) {
    DialogDriver driver([](HWND dialog) {
        char title[64];
        GetWindowTextA(dialog, title, sizeof title);
        EXPECT_STREQ(title, "Neue Verknüpfung");
        Fill(dialog, Notepad, "Mein Editor");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunNewLinkDialog(), IDOK);
    EXPECT_TRUE(driver.acted());
    std::string link = folder.file("Mein Editor.lnk");
    ASSERT_TRUE(FileExists(link));
    EXPECT_EQ(lstrcmpiA(LinkTarget(link).c_str(), Notepad), 0) << LinkTarget(link);
    EXPECT_TRUE(boxes.boxes.empty());
}

// Without a name the target's name serves; a typed suffix is not doubled.
TEST_F(NewLinkDialogTest, NamesFromTheTargetAndKeepsATypedSuffix) {
    DialogDriver first([](HWND dialog) {
        Fill(dialog, Notepad, "");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunNewLinkDialog(), IDOK);
    EXPECT_TRUE(FileExists(folder.file("notepad.lnk")));

    DialogDriver second([](HWND dialog) {
        Fill(dialog, "C:\\windows", "Fenster.LNK");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunNewLinkDialog(), IDOK);
    EXPECT_TRUE(FileExists(folder.file("Fenster.LNK")));
    EXPECT_FALSE(FileExists(folder.file("Fenster.LNK.lnk")));
}

// What cannot become a shortcut is refused with a message and the dialog
// stays open: a missing target, a name with forbidden characters, the name
// of a shortcut already there (which is left as it was).
TEST_F(NewLinkDialogTest, RefusesWhatCannotBeCreated) {
    ASSERT_TRUE(MakeShortcut(folder.file("Da.lnk"), "C:\\windows\\regedit.exe"));
    std::string before = ReadBytes(folder.file("Da.lnk"));
    MessageBoxRecorder* recorder = &boxes;
    DialogDriver driver([recorder, this](HWND dialog) {
        Fill(dialog, "C:\\nirgends\\fehlt.exe", "Fehlt");
        Press(dialog, IDOK);
        Fill(dialog, "", "Leer");
        Press(dialog, IDOK);
        Fill(dialog, Notepad, "a/b?");
        Press(dialog, IDOK);
        Fill(dialog, Notepad, "Da");
        Press(dialog, IDOK);
        EXPECT_EQ(recorder->boxes.size(), 4u);
        EXPECT_FALSE(FileExists(folder.file("Fehlt.lnk")));
        EXPECT_FALSE(FileExists(folder.file("Leer.lnk")));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunNewLinkDialog(), IDCANCEL);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Ombrix+");
        EXPECT_TRUE(box.style & MB_SETFOREGROUND);
    }
    EXPECT_NE(boxes.boxes[3].text.find("bereits vorhanden"), std::string::npos);
    EXPECT_EQ(ReadBytes(folder.file("Da.lnk")), before);
}

// Cancel creates nothing.
TEST_F(NewLinkDialogTest, CancelCreatesNothing) {
    DialogDriver driver([](HWND dialog) {
        Fill(dialog, Notepad, "Nicht");
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunNewLinkDialog(), IDCANCEL);
    EXPECT_FALSE(FileExists(folder.file("Nicht.lnk")));
}

// Where the shell has no wizard (as here), StartAddShortcutWizard opens the
// program's own dialog on a thread of its own and returns at once; the
// shortcut made there lands in the folder. No error message is shown.
TEST_F(NewLinkDialogTest, StartsTheOwnDialogWithoutWaiting) {
    StartAddShortcutWizard();
    HWND dialog = nullptr;
    for (int i = 0; i < 100 && !dialog; ++i) {
        dialog = FindWindowA("#32770", "Neue Verknüpfung");
        if (!dialog) Sleep(50);
    }
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(GetWindowThreadProcessId(dialog, nullptr), GetCurrentThreadId());
    SetDlgItemTextA(dialog, IDC_NEWLINK_TARGET, Notepad);
    SetDlgItemTextA(dialog, IDC_NEWLINK_NAME, "Vom Assistenten");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForFile(folder.file("Vom Assistenten.lnk"), 5000));
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(boxes.boxes.empty());
}
