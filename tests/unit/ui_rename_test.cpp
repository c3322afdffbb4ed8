// Renaming through the dialog "OBPRename", on real shortcut files.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/settings.h"
#include "app/text.h"
#include "res/resource.h"
#include "tray/trayicons.h"
#include "ui/rename.h"
#include "ui/traymenu.h"
#include "ui/traywindow.h"
#include "ui_testing.h"

namespace {

const char* const ForbiddenMessage = "Ein Dateiname darf keines der folgenden Zeichen enthalten:\n\t\\ / : * ? \" < > |";

bool OkEnabled(HWND dialog) {
    return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
}

void Type(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, IDC_RENAME_TO, text.c_str());  // sends EN_CHANGE like typing
}

void PressOk(HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

class RenameTest : public TrayWindowTest {
protected:
    // Renames entry 0 by typing name and pressing OK; true when the dialog closed.
    bool RenameTo(const std::string& name) {
        bool closedByOk = false;
        DialogDriver driver([&](HWND dialog) {
            Type(dialog, name);
            PressOk(dialog);
            closedByOk = !IsWindow(dialog) || !IsWindowVisible(dialog);
            if (!closedByOk) EndDialog(dialog, 0);
        });
        Send(WM_COMMAND, ID_ITEM_RENAME);
        EXPECT_TRUE(driver.acted());
        return closedByOk;
    }
    std::string original;
    void SetUp() override {
        TrayWindowTest::SetUp();
        UseShortcuts({{"Editor.lnk", "Editor"}});
        original = ReadBytes(linkPath(0));
    }
};

// The dialog shows folder and old name, starts with an empty field and OK
// disabled, and OK follows the field; ModalBusy is 1 while it is open.
TEST_F(RenameTest, DialogOpensWithTheEntryAndOkFollowsTheField) {
    std::string title, folderText, fromText, toText;
    bool okAtStart = true, okWithText = false, okEmptyAgain = true, stillOpenAfterEmptyOk = false;
    LONG busy = 0;
    HWND focus = nullptr, field = nullptr, owner = nullptr;
    DialogDriver driver([&](HWND dialog) {
        busy = ModalBusy;
        title = WindowText(dialog);
        owner = GetWindow(dialog, GW_OWNER);
        folderText = DialogItemText(dialog, IDC_RENAME_FOLDER);
        fromText = DialogItemText(dialog, IDC_RENAME_FROM);
        toText = DialogItemText(dialog, IDC_RENAME_TO);
        focus = GetFocus();
        field = GetDlgItem(dialog, IDC_RENAME_TO);
        okAtStart = OkEnabled(dialog);
        Type(dialog, "N");
        okWithText = OkEnabled(dialog);
        Type(dialog, "");
        okEmptyAgain = OkEnabled(dialog);
        PressOk(dialog);  // what Enter would send: nothing happens while empty
        stillOpenAfterEmptyOk = IsWindow(dialog) && IsWindowVisible(dialog);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Send(WM_COMMAND, ID_ITEM_RENAME);
    ASSERT_TRUE(driver.acted());
    EXPECT_EQ(busy, 1);
    EXPECT_EQ(ModalBusy, 0) << "back to 0 after the dialog";
    EXPECT_EQ(title, "Umbenennen");
    EXPECT_EQ(owner, TrayWindow);
    EXPECT_EQ(folderText, folder->path());
    EXPECT_EQ(fromText, "Editor");
    EXPECT_EQ(toText, "");
    EXPECT_EQ(focus, field) << "the focus starts in the new-name field";
    EXPECT_FALSE(okAtStart);
    EXPECT_TRUE(okWithText);
    EXPECT_FALSE(okEmptyAgain);
    EXPECT_TRUE(stillOpenAfterEmptyOk);
    EXPECT_EQ(ReadBytes(linkPath(0)), original) << "cancel renames nothing";
}

TEST_F(RenameTest, NewNameKeepsTheExtension) {
    ASSERT_TRUE(RenameTo("Notizen"));
    EXPECT_FALSE(FileExists(linkPath(0)));
    EXPECT_EQ(ReadBytes(folder->file("Notizen.lnk")), original);
    EXPECT_STREQ(RenameNewPath, folder->file("Notizen.lnk").c_str());
    EXPECT_EQ(ModalBusy, 0);
}

TEST_F(RenameTest, TypedExtensionIsPartOfTheName) {
    ASSERT_TRUE(RenameTo("Notizen.lnk"));
    EXPECT_EQ(ReadBytes(folder->file("Notizen.lnk.lnk")), original);
    EXPECT_FALSE(FileExists(folder->file("Notizen.lnk")));
}

TEST_F(RenameTest, PifKeepsItsExtension) {
    UseShortcuts({{"Alt.pif", "Alt"}});
    std::string pif = ReadBytes(linkPath(0));
    ASSERT_TRUE(RenameTo("Neu"));
    EXPECT_EQ(ReadBytes(folder->file("Neu.pif")), pif);
    EXPECT_FALSE(FileExists(folder->file("Alt.pif")));
}

// Each forbidden character: the dialog's own message, the dialog stays open
// with the typed text, nothing is renamed.
TEST_F(RenameTest, ForbiddenCharactersAreRefusedAndTheDialogStays) {
    MessageBoxRecorder boxes;
    std::vector<std::string> textsAfter;
    std::vector<bool> openAfter;
    HWND dialogSeen = nullptr;
    const std::string forbidden = "\\/:*?\"<>|";
    DialogDriver driver([&](HWND dialog) {
        dialogSeen = dialog;
        for (char c : forbidden) {
            std::string name = std::string("Not") + c + "izen";
            Type(dialog, name);
            PressOk(dialog);
            openAfter.push_back(IsWindow(dialog) && IsWindowVisible(dialog));
            textsAfter.push_back(DialogItemText(dialog, IDC_RENAME_TO));
        }
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Send(WM_COMMAND, ID_ITEM_RENAME);
    ASSERT_TRUE(driver.acted());
    ASSERT_EQ(boxes.boxes.size(), forbidden.size());
    for (size_t i = 0; i < forbidden.size(); ++i) {
        EXPECT_TRUE(openAfter[i]) << forbidden[i];
        EXPECT_EQ(textsAfter[i], std::string("Not") + forbidden[i] + "izen");
        EXPECT_EQ(boxes.boxes[i].text, ForbiddenMessage);
        EXPECT_EQ(boxes.boxes[i].caption, "Umbenennen");
        EXPECT_EQ(boxes.boxes[i].style, static_cast<UINT>(MB_ICONERROR | MB_SETFOREGROUND));
        EXPECT_EQ(boxes.boxes[i].owner, dialogSeen);
    }
    EXPECT_EQ(ReadBytes(linkPath(0)), original);
}

// A name taken by another file: the shell refuses, the dialog stays open for
// another try, and neither file is lost or changed.
TEST_F(RenameTest, ExistingNameLeavesTheDialogOpenAndLosesNoFile) {
    WriteBytes(folder->file("Notizen.lnk"), "andere Datei");
    bool openAfterClash = false;
    DialogDriver driver([&](HWND dialog) {
        Type(dialog, "Notizen");
        // The shell may ask or report on its own; answer whatever it shows with No.
        {
            DialogDriver shellAnswer(
                [](HWND shellDialog) {
                    PostMessageA(shellDialog, WM_COMMAND, IDNO, 0);
                    PostMessageA(shellDialog, WM_COMMAND, IDCANCEL, 0);
                },
                3000, dialog);
            PressOk(dialog);
        }
        openAfterClash = IsWindow(dialog) && IsWindowVisible(dialog);
        Type(dialog, "Notizen 2");
        PressOk(dialog);
    });
    Send(WM_COMMAND, ID_ITEM_RENAME);
    ASSERT_TRUE(driver.acted());
    EXPECT_TRUE(openAfterClash);
    EXPECT_EQ(ReadBytes(folder->file("Notizen.lnk")), "andere Datei");
    EXPECT_EQ(ReadBytes(folder->file("Notizen 2.lnk")), original) << "the second try renames";
    EXPECT_FALSE(FileExists(linkPath(0)));
}

// Folder, name and extension must fit 259 characters: a name one character
// too long is refused with the dialog's message and never cut.
TEST_F(RenameTest, TooLongPathIsRefusedWithAMessage) {
    std::string deep = folder->path();
    while (deep.size() < 200) {
        deep += "\\Ordner";
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    std::string link = deep + "\\Editor.lnk";
    WriteBytes(link, original);
    CopyText(ProgramFolder, deep.c_str());
    UseEntry("Editor", link);
    size_t longest = 259 - deep.size() - 1 - 4;  // backslash and ".lnk"
    std::string tooLong(longest + 1, 'x'), fits(longest, 'y'), way(300, 'z');

    MessageBoxRecorder boxes;
    bool openAfterTooLong = false, openAfterWay = false;
    std::string textAfter;
    DialogDriver driver([&](HWND dialog) {
        Type(dialog, tooLong);
        PressOk(dialog);
        openAfterTooLong = IsWindow(dialog) && IsWindowVisible(dialog);
        textAfter = DialogItemText(dialog, IDC_RENAME_TO);
        Type(dialog, way);
        PressOk(dialog);
        openAfterWay = IsWindow(dialog) && IsWindowVisible(dialog);
        Type(dialog, fits);
        PressOk(dialog);
    });
    Send(WM_COMMAND, ID_ITEM_RENAME);
    ASSERT_TRUE(driver.acted());
    EXPECT_TRUE(openAfterTooLong);
    EXPECT_TRUE(openAfterWay);
    EXPECT_EQ(textAfter, tooLong);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    for (const RecordedMessage& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Umbenennen");
        EXPECT_NE(box.text.find("zu lang"), std::string::npos) << box.text;
        EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONERROR | MB_SETFOREGROUND));
        EXPECT_NE(box.owner, nullptr);
    }
    std::string target = deep + "\\" + fits + ".lnk";
    EXPECT_EQ(target.size(), 259u);
    EXPECT_EQ(ReadBytes(target), original) << "the longest name that fits is renamed";
    EXPECT_FALSE(FileExists(link));
}

// At a drive root the folder already ends in a backslash; none is doubled.
TEST_F(RenameTest, AtADriveRootNoBackslashIsDoubled) {
    std::string stamp = std::to_string(GetCurrentProcessId());
    std::string link = "C:\\ombrix-ui-" + stamp + ".lnk";
    std::string renamed = "C:\\ombrix-ui-" + stamp + "-neu.lnk";
    WriteBytes(link, original);
    CopyText(ProgramFolder, "C:\\");
    UseEntry("ombrix-ui-" + stamp, link);
    bool closed = RenameTo("ombrix-ui-" + stamp + "-neu");
    EXPECT_TRUE(closed);
    EXPECT_STREQ(RenameNewPath, renamed.c_str());
    EXPECT_EQ(ReadBytes(renamed), original);
    EXPECT_FALSE(FileExists(link));
    DeleteFileA(link.c_str());
    DeleteFileA(renamed.c_str());
}

// Only the file's own name gives the extension, not a dot in the folder's.
TEST_F(RenameTest, DotInTheFolderNameIsNoExtension) {
    std::string dotted = folder->file("Leiste.v2");
    ASSERT_TRUE(CreateDirectoryA(dotted.c_str(), nullptr));
    std::string link = dotted + "\\Verknuepfung";
    WriteBytes(link, original);
    CopyText(ProgramFolder, dotted.c_str());
    UseEntry("Verknuepfung", link);
    ASSERT_TRUE(RenameTo("Neu"));
    EXPECT_EQ(ReadBytes(dotted + "\\Neu"), original);
}

// While the dialog is open, tray clicks only bring it to the front.
TEST_F(RenameTest, ClicksWhileTheDialogIsOpenStartNothing) {
    lstrcpynA(Settings.szClickMode, "Einfacher Klick", sizeof Settings.szClickMode);
    size_t posted = 99;
    HWND foreground = nullptr, dialogSeen = nullptr;
    DialogDriver driver([&](HWND dialog) {
        dialogSeen = dialog;
        HWND other = CreateWindowExA(0, "STATIC", "Anderes", WS_POPUP | WS_VISIBLE | WS_CAPTION, 300, 50, 200, 100,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(other);
        PumpMessages(100);
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP})
            SendMessageA(TrayWindow, WM_USER, ID_TRAYICON, m);
        posted = TakePosted().size();
        PumpMessages(100);
        foreground = GetForegroundWindow();
        DestroyWindow(other);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Send(WM_COMMAND, ID_ITEM_RENAME);
    ASSERT_TRUE(driver.acted());
    EXPECT_EQ(posted, 0u);
    EXPECT_EQ(foreground, dialogSeen);
    PumpMessages(300);
    EXPECT_FALSE(FileExists(markerPath(0)));
}
