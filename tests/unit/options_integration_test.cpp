// The registry entries and the uninstall procedure, against the real registry
// of the test session's Wine prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/handles.h"
#include "options/integration.h"
#include "options_registry.h"
#include "support/testsupport.h"

namespace {

const char kExe[] = "C:\\Program Files\\Ombrix Test\\ombrix.exe";
const std::string kRun = std::string("\"") + kExe + "\"";
const std::string kVerb = kRun + " %1";
const std::string kUninstall = kRun + " /uninstall";
const char* const kClasses[] = {"lnkfile", "piffile"};

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of the shell's desktop class, "Progman", owned by the test.
class DesktopWindow {
public:
    DesktopWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Progman";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, "Progman", "Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 20,
                                  20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~DesktopWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

std::string PolicyBytes() {
    RegValue value = ReadRegValue(HKEY_CURRENT_USER, kPolicyKey, "NoDesktop");
    EXPECT_TRUE(value.exists);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_BINARY));
    return value.bytes;
}

// A stored text: REG_SZ with its NUL counted.
void ExpectText(HKEY root, const std::string& subkey, const char* name, const std::string& text) {
    RegValue value = ReadRegValue(root, subkey, name);
    ASSERT_TRUE(value.exists) << subkey << " " << (name ? name : "(default)");
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.bytes, text + std::string(1, '\0'));
}

class Integration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DeriveProgramPaths(kExe));
        RemoveAllEntries();
    }
    void TearDown() override {
        MachineRoots = {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT};
        RemoveAllEntries();
    }
    static IntegrationState State(bool hide, bool autostart, bool verb) { return IntegrationState{hide, autostart, verb}; }
    static bool RunValueExists(HKEY root) { return ReadRegValue(root, kRunKey, "Ombrix+").exists; }
    static bool VerbsExist(HKEY root, bool perUser) {
        for (const char* fileClass : kClasses) {
            std::string key = perUser ? UserClasses(VerbKey(fileClass)) : VerbKey(fileClass);
            if (RegKeyExists(root, key)) return true;
        }
        return false;
    }
};

}  // namespace

TEST_F(Integration, TheStoredCommandsQuoteTheExecutablePath) {
    char stored[MAX_PATH];
    ASSERT_TRUE(MakeStoredCommand(RunCommand, stored));
    EXPECT_EQ(stored, kRun);
    ASSERT_TRUE(MakeStoredCommand(VerbCommand, stored));
    EXPECT_EQ(stored, kVerb);
    ASSERT_TRUE(MakeStoredCommand(UninstallCommand, stored));
    EXPECT_EQ(stored, kUninstall);

    // The longest path the program accepts: its uninstall command fits
    // unquoted but not with the quotes, and is refused whole, never cut.
    std::string longExe = "C:\\" + std::string(239, 'a') + "\\o.exe";
    ASSERT_TRUE(DeriveProgramPaths(longExe.c_str()));
    ASSERT_EQ(lstrlenA(UninstallCommand), MAX_PATH - 1);
    EXPECT_TRUE(MakeStoredCommand(RunCommand, stored));
    EXPECT_FALSE(MakeStoredCommand(UninstallCommand, stored));
    EXPECT_STREQ(stored, "");
    // Nothing is written for it then, and the other entries still are.
    ApplyIntegrationState(IntegrationState{false, true, false});
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ExpectText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", "\"" + longExe + "\"");
}

TEST_F(Integration, NothingRegisteredReadsOffAndAMissingDesktopWindowReadsHidden) {
    ASSERT_EQ(FindWindowA("Progman", nullptr), nullptr) << "the session has no shell desktop window";
    IntegrationState state = ReadIntegrationState();
    EXPECT_TRUE(state.fHideDesktop);
    EXPECT_FALSE(state.fAutostart);
    EXPECT_FALSE(state.fShellVerb);

    DesktopWindow desktop;
    EXPECT_FALSE(ReadIntegrationState().fHideDesktop);
    ShowWindow(desktop.get(), SW_HIDE);
    EXPECT_TRUE(ReadIntegrationState().fHideDesktop);
}

TEST_F(Integration, SwitchingOnWritesEveryEntryWithQuotedCommands) {
    ApplyIntegrationState(State(false, true, true));

    ExpectText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", kRun);
    for (const char* fileClass : kClasses) {
        ExpectText(HKEY_CLASSES_ROOT, VerbCommandKey(fileClass), nullptr, kVerb);
        // The verb key has no text of its own, so the shell shows its name.
        EXPECT_FALSE(ReadRegValue(HKEY_CLASSES_ROOT, VerbKey(fileClass), nullptr).exists);
    }
    ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Ombrix+");
    ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", kUninstall);
    EXPECT_EQ(PolicyBytes(), std::string("\0\0\0\0", 4));
    // Nothing went to the per-user places: the machine-wide keys took it.
    EXPECT_FALSE(RunValueExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(VerbsExist(HKEY_CURRENT_USER, true));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUninstallKey));

    IntegrationState state = ReadIntegrationState();
    EXPECT_TRUE(state.fAutostart);
    EXPECT_TRUE(state.fShellVerb);
}

TEST_F(Integration, SwitchingOffRemovesAutostartAndVerbsButKeepsUninstallEntryAndPolicy) {
    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Andere", "C:\\andere.exe");
    ApplyIntegrationState(State(false, true, true));
    ApplyIntegrationState(State(true, false, false));

    EXPECT_FALSE(RunValueExists(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Andere").exists) << "other programs' values stay";
    EXPECT_FALSE(VerbsExist(HKEY_CLASSES_ROOT, false));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "lnkfile\\Shell")) << "only our own verb goes";
    ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", kUninstall);
    EXPECT_EQ(PolicyBytes(), std::string("\1\0\0\0", 4));

    IntegrationState state = ReadIntegrationState();
    EXPECT_FALSE(state.fAutostart);
    EXPECT_FALSE(state.fShellVerb);
    // Switching off what is not there passes silently.
    ApplyIntegrationState(State(false, false, false));
    EXPECT_FALSE(RunValueExists(HKEY_LOCAL_MACHINE));
    DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Andere");
}

TEST_F(Integration, TheDesktopWindowFollowsThePolicyValue) {
    DesktopWindow desktop;
    ApplyIntegrationState(State(true, false, false));
    EXPECT_EQ(PolicyBytes(), std::string("\1\0\0\0", 4));
    EXPECT_FALSE(IsWindowVisible(desktop.get()));
    EXPECT_TRUE(ReadIntegrationState().fHideDesktop);

    ApplyIntegrationState(State(false, false, false));
    EXPECT_EQ(PolicyBytes(), std::string("\0\0\0\0", 4));
    EXPECT_TRUE(IsWindowVisible(desktop.get()));
    EXPECT_FALSE(ReadIntegrationState().fHideDesktop);
}

TEST_F(Integration, OnlyTheProgramsOwnCommandsCount) {
    // The program was moved: the value holds another path.
    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", "\"C:\\Alt\\ombrix.exe\"");
    EXPECT_FALSE(ReadIntegrationState().fAutostart);
    // The unquoted form is not ours either.
    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", kExe);
    EXPECT_FALSE(ReadIntegrationState().fAutostart);
    // Letter case does not matter.
    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", "\"c:\\PROGRAM FILES\\ombrix test\\OMBRIX.EXE\"");
    EXPECT_TRUE(ReadIntegrationState().fAutostart);

    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", "\"C:\\Alt\\ombrix.exe\"");
    ApplyIntegrationState(State(false, true, false));
    ExpectText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", kRun);
    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", "\"C:\\Alt\\ombrix.exe\"");
    ApplyIntegrationState(State(false, false, false));
    EXPECT_FALSE(RunValueExists(HKEY_LOCAL_MACHINE));

    // Only the verb for ".lnk" files is ours: the switch reads off, and
    // switching off removes both verbs.
    WriteRegText(HKEY_CLASSES_ROOT, VerbCommandKey("lnkfile"), nullptr, kVerb);
    WriteRegText(HKEY_CLASSES_ROOT, VerbCommandKey("piffile"), nullptr, "\"C:\\Alt\\ombrix.exe\" %1");
    EXPECT_FALSE(ReadIntegrationState().fShellVerb);
    WriteRegText(HKEY_CLASSES_ROOT, VerbCommandKey("piffile"), nullptr, kVerb);
    EXPECT_TRUE(ReadIntegrationState().fShellVerb);
    DeleteRegTree(HKEY_CLASSES_ROOT, VerbKey("lnkfile"));
    EXPECT_FALSE(ReadIntegrationState().fShellVerb);
    ApplyIntegrationState(State(false, false, false));
    EXPECT_FALSE(VerbsExist(HKEY_CLASSES_ROOT, false));
}

TEST_F(Integration, ATextLongerThanTheBufferNeverMatches) {
    // Our command followed by more text than the 260-byte buffer holds.
    WriteRegText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", kRun + std::string(400, ' '));
    WriteRegText(HKEY_CLASSES_ROOT, VerbCommandKey("lnkfile"), nullptr, kVerb + std::string(400, 'x'));
    WriteRegText(HKEY_CLASSES_ROOT, VerbCommandKey("piffile"), nullptr, kVerb);
    IntegrationState state = ReadIntegrationState();
    EXPECT_FALSE(state.fAutostart);
    EXPECT_FALSE(state.fShellVerb);

    // Exactly 260 bytes without a terminating NUL: read, never overrun.
    std::string full(MAX_PATH, 'q');
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, key.put()), ERROR_SUCCESS);
    RegSetValueExA(key.get(), "Ombrix+", 0, REG_SZ, reinterpret_cast<const BYTE*>(full.data()), MAX_PATH);
    EXPECT_FALSE(ReadIntegrationState().fAutostart);
}

TEST_F(Integration, EntriesInThePerUserPlacesCountAndGoWhenSwitchedOff) {
    WriteRegText(HKEY_CURRENT_USER, kRunKey, "Ombrix+", kRun);
    WriteRegText(HKEY_CURRENT_USER, UserClasses(VerbCommandKey("lnkfile")), nullptr, kVerb);
    WriteRegText(HKEY_CLASSES_ROOT, VerbCommandKey("piffile"), nullptr, kVerb);  // one in each place
    IntegrationState state = ReadIntegrationState();
    EXPECT_TRUE(state.fAutostart);
    EXPECT_TRUE(state.fShellVerb);

    ApplyIntegrationState(State(false, false, false));
    EXPECT_FALSE(RunValueExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(VerbsExist(HKEY_CURRENT_USER, true));
    EXPECT_FALSE(VerbsExist(HKEY_CLASSES_ROOT, false));
}

TEST_F(Integration, AMachineWideWriteReplacesAnEarlierPerUserCopy) {
    // Left from a run without the rights: switching on again with them must not
    // leave two Run values that start the program twice.
    WriteRegText(HKEY_CURRENT_USER, kRunKey, "Ombrix+", kRun);
    WriteRegText(HKEY_CURRENT_USER, UserClasses(VerbCommandKey("lnkfile")), nullptr, kVerb);
    WriteRegText(HKEY_CURRENT_USER, kUninstallKey, "UninstallString", kUninstall);
    ApplyIntegrationState(State(false, true, true));
    ExpectText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", kRun);
    ExpectText(HKEY_CLASSES_ROOT, VerbCommandKey("lnkfile"), nullptr, kVerb);
    ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", kUninstall);
    EXPECT_FALSE(RunValueExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, UserClasses(VerbCommandKey("lnkfile")), nullptr).exists);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

namespace {

// Machine-wide roots whose entry keys this account may read but not write,
// as HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are for a normal user.
class RefusedMachineKeys : public Integration {
protected:
    void SetUp() override {
        Integration::SetUp();
        DeleteRegTree(HKEY_CURRENT_USER, kTestRoot);
        for (const std::string& key : LockedKeys()) MakeReadOnlyKey(HKEY_CURRENT_USER, key);
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kMachine, 0, KEY_READ, &machine_), ERROR_SUCCESS);
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kClassesRoot, 0, KEY_READ, &classes_), ERROR_SUCCESS);
        MachineRoots = {machine_, classes_};
    }
    void TearDown() override {
        Integration::TearDown();
        RegCloseKey(machine_);
        RegCloseKey(classes_);
        for (const std::string& key : LockedKeys()) UnlockKey(HKEY_CURRENT_USER, key);
        DeleteRegTree(HKEY_CURRENT_USER, kTestRoot);
    }
    static std::vector<std::string> LockedKeys() {
        return {std::string(kMachine) + "\\" + kRunKey, std::string(kMachine) + "\\" + kUninstallKey,
                std::string(kClassesRoot) + "\\" + VerbCommandKey("lnkfile"),
                std::string(kClassesRoot) + "\\" + VerbCommandKey("piffile")};
    }
    static constexpr const char* kTestRoot = "Software\\Ombrix+ Tests";
    static constexpr const char* kMachine = "Software\\Ombrix+ Tests\\Machine";
    static constexpr const char* kClassesRoot = "Software\\Ombrix+ Tests\\Classes";
    HKEY machine_ = nullptr;
    HKEY classes_ = nullptr;
};

}  // namespace

TEST_F(RefusedMachineKeys, TheTestKeysReallyRefuseWriting) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(machine_, kRunKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(classes_, VerbCommandKey("lnkfile").c_str(), 0, KEY_READ | KEY_WRITE, &key),
              ERROR_ACCESS_DENIED);
}

TEST_F(RefusedMachineKeys, EntriesFallBackToThePerUserKeys) {
    ApplyIntegrationState(State(false, true, true));

    ExpectText(HKEY_CURRENT_USER, kRunKey, "Ombrix+", kRun);
    for (const char* fileClass : kClasses)
        ExpectText(HKEY_CURRENT_USER, UserClasses(VerbCommandKey(fileClass)), nullptr, kVerb);
    ExpectText(HKEY_CURRENT_USER, kUninstallKey, "DisplayName", "Ombrix+");
    ExpectText(HKEY_CURRENT_USER, kUninstallKey, "UninstallString", kUninstall);
    EXPECT_FALSE(ReadRegValue(machine_, kRunKey, "Ombrix+").exists);
    EXPECT_FALSE(ReadRegValue(classes_, VerbCommandKey("lnkfile"), nullptr).exists);

    IntegrationState state = ReadIntegrationState();
    EXPECT_TRUE(state.fAutostart);
    EXPECT_TRUE(state.fShellVerb);

    ApplyIntegrationState(State(false, false, false));
    EXPECT_FALSE(RunValueExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(VerbsExist(HKEY_CURRENT_USER, true));
    ExpectText(HKEY_CURRENT_USER, kUninstallKey, "UninstallString", kUninstall);
    state = ReadIntegrationState();
    EXPECT_FALSE(state.fAutostart);
    EXPECT_FALSE(state.fShellVerb);
}

TEST_F(RefusedMachineKeys, AMachineValueThatCannotBeWrittenReadsOff) {
    // Readable but not writable: reading asks for write access, so it is not ours.
    UnlockKey(HKEY_CURRENT_USER, std::string(kMachine) + "\\" + kRunKey);
    WriteRegText(machine_, kRunKey, "Ombrix+", kRun);
    EXPECT_TRUE(ReadRegValue(machine_, kRunKey, "Ombrix+").exists);
    EXPECT_TRUE(ReadIntegrationState().fAutostart);
    MakeReadOnlyKey(HKEY_CURRENT_USER, std::string(kMachine) + "\\" + kRunKey);
    EXPECT_FALSE(ReadIntegrationState().fAutostart);
}

TEST_F(RefusedMachineKeys, UninstallClearsThePerUserEntries) {
    ApplyIntegrationState(State(true, true, true));
    MessageBoxRecorder boxes(IDYES);
    RunUninstall();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_FALSE(RunValueExists(HKEY_CURRENT_USER));
    EXPECT_FALSE(VerbsExist(HKEY_CURRENT_USER, true));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_EQ(PolicyBytes(), std::string("\0\0\0\0", 4));
}

namespace {

class Uninstall : public Integration {
protected:
    void SetUp() override {
        Integration::SetUp();
        ApplyIntegrationState(State(true, true, true));
        // Copies in the per-user places too, as a fall-back would leave them.
        WriteRegText(HKEY_CURRENT_USER, kRunKey, "Ombrix+", kRun);
        WriteRegText(HKEY_CURRENT_USER, UserClasses(VerbCommandKey("piffile")), nullptr, kVerb);
        WriteRegText(HKEY_CURRENT_USER, kUninstallKey, "DisplayName", "Ombrix+");
    }
    void ExpectBothMessages(const MessageBoxRecorder& boxes) {
        ASSERT_EQ(boxes.boxes.size(), 2u);
        const RecordedMessage& ask = boxes.boxes[0];
        EXPECT_EQ(ask.owner, nullptr);
        EXPECT_EQ(ask.text, "Soll Ombrix+ wirklich deinstalliert werden?");
        EXPECT_EQ(ask.caption, "Ombrix+ Deinstallation");
        EXPECT_EQ(ask.style, 0x10024u);
        const RecordedMessage& done = boxes.boxes[1];
        EXPECT_EQ(done.owner, nullptr);
        EXPECT_EQ(done.text, std::string("Ombrix+ deinstalliert.\n\nL\xF6schen Sie jetzt den Ombrix+ Ordner:\n") +
                                 "C:\\Program Files\\Ombrix Test");
        EXPECT_EQ(done.caption, "Ombrix+");
        EXPECT_EQ(done.style, 0x10040u);
    }
    void ExpectNoEntryLeft() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            EXPECT_FALSE(RunValueExists(root));
            EXPECT_FALSE(RegKeyExists(root, kUninstallKey));
        }
        EXPECT_FALSE(VerbsExist(HKEY_CLASSES_ROOT, false));
        EXPECT_FALSE(VerbsExist(HKEY_CURRENT_USER, true));
        // The policy value is reset, not removed.
        EXPECT_EQ(PolicyBytes(), std::string("\0\0\0\0", 4));
    }
};

}  // namespace

TEST_F(Uninstall, YesRemovesEveryEntryAndShowsTheDesktop) {
    DesktopWindow desktop;
    ShowWindow(desktop.get(), SW_HIDE);
    MessageBoxRecorder boxes(IDYES);
    RunUninstall();
    ExpectBothMessages(boxes);
    ExpectNoEntryLeft();
    EXPECT_TRUE(IsWindowVisible(desktop.get()));
}

TEST_F(Uninstall, NoOrClosingTheQuestionChangesNothing) {
    for (int answer : {IDNO, IDCANCEL}) {
        MessageBoxRecorder boxes(answer);
        RunUninstall();
        EXPECT_EQ(boxes.boxes.size(), 1u) << "no second message";
        ExpectText(HKEY_LOCAL_MACHINE, kRunKey, "Ombrix+", kRun);
        ExpectText(HKEY_CURRENT_USER, kRunKey, "Ombrix+", kRun);
        ExpectText(HKEY_CLASSES_ROOT, VerbCommandKey("lnkfile"), nullptr, kVerb);
        ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", kUninstall);
        EXPECT_EQ(PolicyBytes(), std::string("\1\0\0\0", 4));
    }
}

TEST_F(Uninstall, WithNothingRegisteredItStillResetsThePolicyAndSaysDone) {
    RemoveAllEntries();
    MessageBoxRecorder boxes(IDYES);
    RunUninstall();
    ExpectBothMessages(boxes);
    ExpectNoEntryLeft();
}
