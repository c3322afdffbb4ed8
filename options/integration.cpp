#include "options/integration.h"

#include "app/app.h"
#include "app/handles.h"
#include "app/platform.h"
#include "app/text.h"

#include <cwchar>
#include <initializer_list>

MachineRegistryRoots MachineRoots = {HKEY_LOCAL_MACHINE};

const WCHAR* const RunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const WCHAR* const UninstallKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ombrix+";
const WCHAR* const PolicyKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const WCHAR* const ClassesPath = L"Software\\Classes";

namespace {

const WCHAR* const ProgramValueName = L"Ombrix+";
const WCHAR* const NoDesktopValueName = L"NoDesktop";
const WCHAR* const DesktopWindowClass = L"Progman";

// Reading asks for write access too, so an account that cannot change an
// entry does not see it as its own.
constexpr REGSAM EntryAccess = KEY_READ | KEY_WRITE;

// The two places of one entry: the machine-wide key and, for accounts that may
// not write there, its per-user counterpart under HKEY_CURRENT_USER.
struct EntryPlace {
    HKEY root;
    WCHAR szSubkey[MAX_PATH];
};
struct EntryPlaces {
    EntryPlace machine;
    EntryPlace user;
};

EntryPlace MachinePlace(HKEY root, const WCHAR* subkey) {
    EntryPlace place = {root, L""};
    CopyText(place.szSubkey, subkey);
    return place;
}

EntryPlace ClassesPlace(HKEY root, const WCHAR* subkey) {
    EntryPlace place = {root, L""};
    wsprintfW(place.szSubkey, L"%s\\%s", ClassesPath, subkey);
    return place;
}

EntryPlaces RunPlaces() {
    return {MachinePlace(MachineRoots.hMachine, RunKeyPath), MachinePlace(HKEY_CURRENT_USER, RunKeyPath)};
}

EntryPlaces UninstallPlaces() {
    return {MachinePlace(MachineRoots.hMachine, UninstallKeyPath), MachinePlace(HKEY_CURRENT_USER, UninstallKeyPath)};
}

// The verb's "Command" key, or with commandKey false its parent, the verb key.
EntryPlaces VerbPlaces(const WCHAR* fileClass, bool commandKey) {
    WCHAR subkey[MAX_PATH];
    wsprintfW(subkey, commandKey ? L"%s\\Shell\\Ombrix+\\Command" : L"%s\\Shell\\Ombrix+", fileClass);
    return {ClassesPlace(MachineRoots.hMachine, subkey), ClassesPlace(HKEY_CURRENT_USER, subkey)};
}

const WCHAR* const ShortcutClasses[] = {L"lnkfile", L"piffile"};

UniqueRegKey CreateEntryKey(const EntryPlace& place) {
    UniqueRegKey key;
    if (RegCreateKeyExW(place.root, place.szSubkey, 0, nullptr, REG_OPTION_NON_VOLATILE, EntryAccess, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        key.release();
    return key;
}

UniqueRegKey OpenEntryKey(const EntryPlace& place) {
    UniqueRegKey key;
    if (RegOpenKeyExW(place.root, place.szSubkey, 0, EntryAccess, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

LONG SetTextValue(HKEY key, const WCHAR* name, const WCHAR* text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(WCHAR)));
}

// A value as text; empty when it cannot be read or does not fit the buffer,
// so an over-long text never matches.
void ReadTextValue(const EntryPlace& place, const WCHAR* name, WCHAR (&text)[MAX_PATH + 1]) {
    text[0] = L'\0';
    UniqueRegKey key = OpenEntryKey(place);
    if (!key) return;
    constexpr DWORD kBufferBytes = MAX_PATH * sizeof(WCHAR);
    DWORD size = kBufferBytes;
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        size > kBufferBytes)
        size = 0;
    text[size / sizeof(WCHAR)] = L'\0';  // a stored text without its NUL ends here
}

bool PlaceHolds(const EntryPlace& place, const WCHAR* name, const WCHAR* expected) {
    WCHAR text[MAX_PATH + 1];
    ReadTextValue(place, name, text);
    return expected[0] != L'\0' && lstrcmpiW(text, expected) == 0;
}

bool EntryHolds(const EntryPlaces& places, const WCHAR* name, const WCHAR* expected) {
    return PlaceHolds(places.machine, name, expected) || PlaceHolds(places.user, name, expected);
}

void DeleteValueAt(const EntryPlace& place, const WCHAR* name) {
    if (UniqueRegKey key = OpenEntryKey(place)) RegDeleteValueW(key.get(), name);
}

void DeleteValueEverywhere(const EntryPlaces& places, const WCHAR* name) {
    DeleteValueAt(places.machine, name);
    DeleteValueAt(places.user, name);
}

void DeleteKeyEverywhere(const EntryPlaces& places) {
    RegDeleteKeyW(places.machine.root, places.machine.szSubkey);
    RegDeleteKeyW(places.user.root, places.user.szSubkey);
}

// The key an entry is written to: the machine-wide one, or the per-user one
// when the machine-wide key refuses. onMachine tells which.
UniqueRegKey CreateWritableEntryKey(const EntryPlaces& places, bool& onMachine) {
    UniqueRegKey key = CreateEntryKey(places.machine);
    onMachine = static_cast<bool>(key);
    if (!key) key = CreateEntryKey(places.user);
    return key;
}

// Writes one text value of an entry. A per-user copy left from an earlier
// fall-back goes once the machine-wide write works, so nothing runs twice;
// true when the machine-wide place took the value.
bool WriteTextEntry(const EntryPlaces& places, const WCHAR* name, const WCHAR* text) {
    bool onMachine = false;
    UniqueRegKey key = CreateWritableEntryKey(places, onMachine);
    if (!key || SetTextValue(key.get(), name, text) != ERROR_SUCCESS || !onMachine) return false;
    DeleteValueAt(places.user, name);
    return true;
}

// The desktop window's visibility where there is one; elsewhere (another
// shell, a kiosk) the stored policy, so that OK keeps what the user had.
bool DesktopHidden() {
    if (HWND desktop = FindWindowW(DesktopWindowClass, nullptr)) return !IsWindowVisible(desktop);
    DWORD value = 0, size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, PolicyKeyPath, NoDesktopValueName, RRF_RT_REG_BINARY | RRF_RT_REG_DWORD,
                        nullptr, &value, &size) == ERROR_SUCCESS &&
           value != 0;
}

void ShowDesktopWindow(bool show) {
    if (HWND desktop = FindWindowW(DesktopWindowClass, nullptr)) ShowWindow(desktop, show ? SW_SHOW : SW_HIDE);
}

// The policy value, 1 to hide and 0 to show (REG_BINARY, 4 bytes); the
// desktop window follows only when the value was stored.
void WriteDesktopPolicy(bool hide) {
    UniqueRegKey key = CreateEntryKey(MachinePlace(HKEY_CURRENT_USER, PolicyKeyPath));
    if (!key) return;
    const BYTE data[4] = {static_cast<BYTE>(hide ? 1 : 0), 0, 0, 0};
    if (RegSetValueExW(key.get(), NoDesktopValueName, 0, REG_BINARY, data, sizeof data) == ERROR_SUCCESS)
        ShowDesktopWindow(!hide);
}

// A per-user verb left from an earlier fall-back goes with its keys: Explorer
// merges the user's classes over the machine's, and an empty per-user key
// would hide the machine's command.
void WriteShellVerbs(const WCHAR* verbCommand) {
    for (const WCHAR* fileClass : ShortcutClasses) {
        if (!WriteTextEntry(VerbPlaces(fileClass, true), nullptr, verbCommand)) continue;
        for (bool commandKey : {true, false}) {
            EntryPlace user = VerbPlaces(fileClass, commandKey).user;
            RegDeleteKeyW(user.root, user.szSubkey);
        }
    }
}

// Each child key before its parent, for both file classes, in both places.
void DeleteShellVerbs() {
    for (const WCHAR* fileClass : ShortcutClasses) {
        DeleteKeyEverywhere(VerbPlaces(fileClass, true));
        DeleteKeyEverywhere(VerbPlaces(fileClass, false));
    }
}

void WriteUninstallEntry(const WCHAR* uninstallCommand) {
    EntryPlaces places = UninstallPlaces();
    bool onMachine = false;
    UniqueRegKey key = CreateWritableEntryKey(places, onMachine);
    if (!key) return;
    SetTextValue(key.get(), L"DisplayName", L"Ombrix+");
    if (SetTextValue(key.get(), L"UninstallString", uninstallCommand) == ERROR_SUCCESS && onMachine)
        RegDeleteKeyW(places.user.root, places.user.szSubkey);
}

struct StoredCommands {
    WCHAR szRun[MAX_PATH];
    WCHAR szVerb[MAX_PATH];
    WCHAR szUninstall[MAX_PATH];
};

StoredCommands MakeStoredCommands() {
    StoredCommands commands;
    MakeStoredCommand(RunCommand, commands.szRun);
    MakeStoredCommand(VerbCommand, commands.szVerb);
    MakeStoredCommand(UninstallCommand, commands.szUninstall);
    return commands;
}

}  // namespace

bool MakeStoredCommand(const WCHAR* command, WCHAR (&stored)[MAX_PATH]) {
    size_t cchExe = wcslen(RunCommand);
    bool startsWithExe = cchExe > 0 && wcsncmp(command, RunCommand, cchExe) == 0;
    if (startsWithExe && CopyText(stored, L"\"") && AppendText(stored, RunCommand) && AppendText(stored, L"\"") &&
        AppendText(stored, command + cchExe))
        return true;
    stored[0] = L'\0';
    return false;
}

IntegrationState ReadIntegrationState() {
    StoredCommands commands = MakeStoredCommands();
    IntegrationState state;
    state.fHideDesktop = DesktopHidden();
    state.fAutostart = EntryHolds(RunPlaces(), ProgramValueName, commands.szRun);
    bool lnkVerb = EntryHolds(VerbPlaces(L"lnkfile", true), nullptr, commands.szVerb);
    bool pifVerb = EntryHolds(VerbPlaces(L"piffile", true), nullptr, commands.szVerb);
    state.fShellVerb = lnkVerb && pifVerb;
    return state;
}

void ApplyIntegrationState(const IntegrationState& state) {
    StoredCommands commands = MakeStoredCommands();
    WriteDesktopPolicy(state.fHideDesktop);
    if (state.fAutostart && commands.szRun[0])
        WriteTextEntry(RunPlaces(), ProgramValueName, commands.szRun);
    else
        DeleteValueEverywhere(RunPlaces(), ProgramValueName);
    if (state.fShellVerb && commands.szVerb[0])
        WriteShellVerbs(commands.szVerb);
    else
        DeleteShellVerbs();
    if (commands.szUninstall[0]) WriteUninstallEntry(commands.szUninstall);
}

void RunUninstall() {
    if (CallMessageBox(nullptr, L"Soll Ombrix+ wirklich deinstalliert werden?", L"Ombrix+ Deinstallation",
                       MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    WriteDesktopPolicy(false);
    DeleteValueEverywhere(RunPlaces(), ProgramValueName);
    DeleteShellVerbs();
    DeleteKeyEverywhere(UninstallPlaces());
    wsprintfW(MessageText, L"Ombrix+ deinstalliert.\n\nLöschen Sie jetzt den Ombrix+ Ordner:\n%s", ProgramFolder);
    ShowProgramMessage(MessageText, MB_OK | MB_ICONINFORMATION);
}
