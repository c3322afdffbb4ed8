#include "app/settings.h"

#include "app/app.h"
#include "app/platform.h"

ProgramSettings Settings;
OFSTRUCT FileTestRecord;

const char* const SettingsSection = "Ombrix+ Optionen";
const char* const KeyClickMode = "Öffnen";
const char* const KeyMarkLinks = "Kennzeichnen";
const char* const KeyQuickInfo = "QuickInfo";
const char* const KeySort = "Sortieren";
const char* const KeyCompanion = "Corvane+";
const char* const KeyDesktopMenu = "Desktop-Menü";

namespace {

template <size_t N>
void ReadOption(const char* key, const char* defaultValue, char (&field)[N]) {
    GetPrivateProfileStringA(SettingsSection, key, defaultValue, field, N, IniPath);
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

BOOL SettingsFileExists() {
    if (OpenFile(IniPath, &FileTestRecord, OF_EXIST) != HFILE_ERROR) return TRUE;
    // OpenFile's record holds only OFS_MAXPATHNAME characters and fails on a
    // deeper file; ask the file system itself, or every start would be a first.
    if (lstrlenA(IniPath) < OFS_MAXPATHNAME - 1) return FALSE;
    DWORD attributes = GetFileAttributesA(IniPath);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ShowFirstRunMessage() {
    ShowProgramMessage(
        "Ombrix+ Installation\n\n"
        "Ombrix+ hat keine Konfigurationsdatei gefunden. Entweder\n"
        "benutzen Sie Ombrix+ zum ersten Mal, oder die Konfiguration\n"
        "wurde gelöscht. In dem folgenden Dialogfeld können Sie Ihre\n"
        "persönliche Ombrix+ Konfiguration erstellen.\n\n"
        "Wenn Sie sich per E-Mail als Nutzer anmelden, werden Sie\n"
        "über Neuerungen informiert. Viel Spaß mit Ombrix+.",
        MB_ICONINFORMATION);
}
