#include "app/settings.h"

#include "app/app.h"
#include "app/platform.h"
#include "app/text.h"

ProgramSettings Settings;

const char* const SettingsSection = "Ombrix+ Optionen";
const char* const KeyClickMode = "Öffnen";
const char* const KeyMarkLinks = "Kennzeichnen";
const char* const KeyQuickInfo = "QuickInfo";
const char* const KeySort = "Sortieren";
const char* const KeyCompanion = "Corvane+";
const char* const KeyDesktopMenu = "Desktop-Menü";

namespace {

// The profile functions take the settings file's UTF-16 path only in their
// wide form. Section, keys and values go through the ANSI code page both
// ways, as the ANSI form converts them itself, so the file holds the same
// bytes as ever.
template <size_t N>
void ReadOption(const char* key, const char* defaultValue, char (&field)[N]) {
    WCHAR section[32], wideKey[32], wideDefault[32], value[N];
    if (!AnsiToWide(SettingsSection, section, 32) || !AnsiToWide(key, wideKey, 32) ||
        !AnsiToWide(defaultValue, wideDefault, 32)) {
        CopyText(field, defaultValue);
        return;
    }
    // Cut to the field's length like the ANSI call cut it; a value whose ANSI
    // form is longer still (double-byte code pages) reads as empty.
    GetPrivateProfileStringW(section, wideKey, wideDefault, value, N, IniPath);
    WideToAnsi(value, field, N);
}

// Leaves field alone when it equals one of the two allowed words.
template <size_t N>
void RequireOneOf(char (&field)[N], const char* first, const char* second, const char* fallback) {
    if (lstrcmpiA(field, first) != 0 && lstrcmpiA(field, second) != 0) lstrcpynA(field, fallback, N);
}

}  // namespace

bool IsOptionOn(const char* value) {
    return lstrcmpiA(value, "Ja") == 0;
}

void LoadSettings() {
    ReadOption(KeyClickMode, "Doppelklick", Settings.szClickMode);
    RequireOneOf(Settings.szClickMode, "Einfacher Klick", "Doppelklick", "Doppelklick");
    ReadOption(KeyMarkLinks, "Ja", Settings.szMarkLinks);
    RequireOneOf(Settings.szMarkLinks, "Ja", "Nein", "Ja");
    ReadOption(KeyQuickInfo, "Ja", Settings.szQuickInfo);
    RequireOneOf(Settings.szQuickInfo, "Ja", "Nein", "Ja");
    ReadOption(KeySort, "Ja", Settings.szSort);
    RequireOneOf(Settings.szSort, "Ja", "Nein", "Ja");
    ReadOption(KeyCompanion, "Nein", Settings.szCompanion);
    ReadOption(KeyDesktopMenu, "Nein", Settings.szDesktopMenu);
}

bool WriteOption(const char* key, const char* value) {
    WCHAR section[32], wideKey[32], wideValue[32];
    return AnsiToWide(SettingsSection, section, 32) && AnsiToWide(key, wideKey, 32) &&
           AnsiToWide(value, wideValue, 32) && WritePrivateProfileStringW(section, wideKey, wideValue, IniPath);
}

void ShowSettingsNotSavedMessage() {
    wsprintfW(MessageText, L"Die Einstellungen konnten nicht gespeichert werden:\n%s\n\n"
                           L"Sie gelten, bis Ombrix+ beendet wird.", IniPath);
    ShowProgramMessage(MessageText, MB_ICONWARNING);
}

// Asked of the file system itself: OpenFile takes no UTF-16 path and reaches
// only 128 characters deep.
BOOL SettingsFileExists() {
    DWORD attributes = GetFileAttributesW(IniPath);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ShowFirstRunMessage() {
    ShowProgramMessage(
        L"Ombrix+ Installation\n\n"
        L"Ombrix+ hat keine Konfigurationsdatei gefunden. Entweder\n"
        L"benutzen Sie Ombrix+ zum ersten Mal, oder die Konfiguration\n"
        L"wurde gelöscht. In dem folgenden Dialogfeld können Sie Ihre\n"
        L"persönliche Ombrix+ Konfiguration erstellen.\n\n"
        L"Wenn Sie sich per E-Mail als Nutzer anmelden, werden Sie\n"
        L"über Neuerungen informiert. Viel Spaß mit Ombrix+.",
        MB_ICONINFORMATION);
}
