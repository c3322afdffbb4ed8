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

UniqueRegKey OpenEntryKey(const EntryPlace& place, REGSAM access = EntryAccess) {
    UniqueRegKey key;
    if (RegOpenKeyExW(place.root, place.szSubkey, 0, access, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

LONG SetTextValue(HKEY key, const WCHAR* name, const WCHAR* text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(WCHAR)));
}

// A value as text; empty when it cannot be read or does not fit the buffer,
// so an over-long text never matches.
void ReadTextValue(const EntryPlace& place, const WCHAR* name, WCHAR (&text)[MAX_PATH + 1], REGSAM access) {
    text[0] = L'\0';
    UniqueRegKey key = OpenEntryKey(place, access);
    if (!key) return;
    constexpr DWORD kBufferBytes = MAX_PATH * sizeof(WCHAR);
    DWORD size = kBufferBytes;
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        size > kBufferBytes)
        size = 0;
    text[size / sizeof(WCHAR)] = L'\0';  // a stored text without its NUL ends here
}

bool PlaceHolds(const EntryPlace& place, const WCHAR* name, const WCHAR* expected, REGSAM access = EntryAccess) {
    WCHAR text[MAX_PATH + 1];
    ReadTextValue(place, name, text, access);
    return expected[0] != L'\0' && lstrcmpiW(text, expected) == 0;
}

bool EntryHolds(const EntryPlaces& places, const WCHAR* name, const WCHAR* expected) {
    return PlaceHolds(places.machine, name, expected) || PlaceHolds(places.user, name, expected);
}

void DeleteValueAt(const EntryPlace& place, const WCHAR* name) {
    if (UniqueRegKey key = OpenEntryKey(place)) RegDeleteValueW(key.get(), name);
}

// The machine-wide entries that a removal the user asked for left in place,
// one a line: this account may not change them.
WCHAR LeftEntries[512];

// Notes the machine-wide value (or with no name, the key) when it is still
// there, looked for read-only as an account without write access can.
void NoteIfLeft(const EntryPlace& machine, const WCHAR* valueName) {
    UniqueRegKey key = OpenEntryKey(machine, KEY_READ);
    if (!key || (valueName && RegQueryValueExW(key.get(), valueName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS))
        return;
    WCHAR line[MAX_PATH + 64];
    wsprintfW(line, valueName ? L"HKEY_LOCAL_MACHINE\\%s (Wert %s)\n" : L"HKEY_LOCAL_MACHINE\\%s\n", machine.szSubkey,
              valueName);
    AppendText(LeftEntries, line);  // four lines at most, each far shorter than a path
}

void DeleteValueEverywhere(const EntryPlaces& places, const WCHAR* name, bool noteLeft) {
    DeleteValueAt(places.machine, name);
    DeleteValueAt(places.user, name);
    if (noteLeft) NoteIfLeft(places.machine, name);
}

void DeleteKeyEverywhere(const EntryPlaces& places, bool noteLeft) {
    RegDeleteKeyW(places.machine.root, places.machine.szSubkey);
    RegDeleteKeyW(places.user.root, places.user.szSubkey);
    if (noteLeft) NoteIfLeft(places.machine, nullptr);
}

// Names the entries left, after lead and before tail.
void ShowLeftEntries(const WCHAR* lead, const WCHAR* tail) {
    wsprintfW(MessageText, L"%sDiese Einträge konnten nicht entfernt werden, dazu sind Administratorrechte nötig:\n\n%s%s",
              lead, LeftEntries, tail);
    ShowProgramMessage(MessageText, MB_ICONWARNING);
}

// The key an entry is written to: the machine-wide one, or the per-user one
// when the machine-wide key refuses. onMachine tells which.
UniqueRegKey CreateWritableEntryKey(const EntryPlaces& places, bool& onMachine) {
    UniqueRegKey key = CreateEntryKey(places.machine);
    onMachine = static_cast<bool>(key);
    if (!key) key = CreateEntryKey(places.user);
    return key;
}

// Writes one text value of an entry: machine-wide where this account may,
// otherwise per user, unless the machine-wide place holds the same text
// already (an elevated start wrote it; a copy would run twice). A per-user
// copy left from an earlier fall-back goes once the machine-wide place holds
// the value, so nothing runs twice; true then.
bool WriteTextEntry(const EntryPlaces& places, const WCHAR* name, const WCHAR* text) {
    UniqueRegKey machine = CreateEntryKey(places.machine);
    if ((machine && SetTextValue(machine.get(), name, text) == ERROR_SUCCESS) ||
        PlaceHolds(places.machine, name, text, KEY_READ)) {
        DeleteValueAt(places.user, name);
        return true;
    }
    if (UniqueRegKey user = CreateEntryKey(places.user)) SetTextValue(user.get(), name, text);
    return false;
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

// Each child key before its parent, for both file classes, in both places;
// a verb key left holds its child too.
void DeleteShellVerbs(bool noteLeft) {
    for (const WCHAR* fileClass : ShortcutClasses) {
        DeleteKeyEverywhere(VerbPlaces(fileClass, true), false);
        DeleteKeyEverywhere(VerbPlaces(fileClass, false), noteLeft);
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
    // A removal is asked for when its box was shown ticked: an entry it leaves
    // is news to the user then, not at every OK over an unticked box.
    const IntegrationState shown = ReadIntegrationState();
    StoredCommands commands = MakeStoredCommands();
    LeftEntries[0] = L'\0';
    WriteDesktopPolicy(state.fHideDesktop);
    if (state.fAutostart && commands.szRun[0])
        WriteTextEntry(RunPlaces(), ProgramValueName, commands.szRun);
    else
        DeleteValueEverywhere(RunPlaces(), ProgramValueName, shown.fAutostart);
    if (state.fShellVerb && commands.szVerb[0])
        WriteShellVerbs(commands.szVerb);
    else
        DeleteShellVerbs(shown.fShellVerb);
    if (commands.szUninstall[0]) WriteUninstallEntry(commands.szUninstall);
    if (LeftEntries[0]) ShowLeftEntries(L"", L"");
}

void RunUninstall() {
    if (CallMessageBox(nullptr, L"Soll Ombrix+ wirklich deinstalliert werden?", L"Ombrix+ Deinstallation",
                       MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    LeftEntries[0] = L'\0';
    WriteDesktopPolicy(false);
    DeleteValueEverywhere(RunPlaces(), ProgramValueName, true);
    DeleteShellVerbs(true);
    DeleteKeyEverywhere(UninstallPlaces(), true);
    if (LeftEntries[0]) {
        WCHAR tail[MAX_PATH + 128];
        wsprintfW(tail, L"\nStarten Sie die Deinstallation als Administrator erneut und löschen Sie danach den "
                        L"Ombrix+ Ordner:\n%s", ProgramFolder);
        ShowLeftEntries(L"Ombrix+ wurde nicht vollständig deinstalliert.\n\n", tail);
        return;
    }
    wsprintfW(MessageText, L"Ombrix+ deinstalliert.\n\nLöschen Sie jetzt den Ombrix+ Ordner:\n%s", ProgramFolder);
    ShowProgramMessage(MessageText, MB_OK | MB_ICONINFORMATION);
}
