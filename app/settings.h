// The six user options, kept as the literal strings of the settings file.
#pragma once

#include <windows.h>

struct ProgramSettings {
    char szClickMode[20];   // "Öffnen": "Einfacher Klick" or "Doppelklick"
    char szMarkLinks[8];    // "Kennzeichnen": "Ja" or "Nein"
    char szQuickInfo[8];    // "QuickInfo": "Ja" or "Nein"
    char szSort[8];         // "Sortieren": "Ja" or "Nein"
    char szCompanion[8];    // "Corvane+": taken as read, on only when "Ja"
    char szDesktopMenu[8];  // "Desktop-Menü": taken as read, on only when "Ja"
};

extern ProgramSettings Settings;


extern const char* const SettingsSection;   // "Ombrix+ Optionen"
extern const char* const KeyClickMode;      // "Öffnen"
extern const char* const KeyMarkLinks;      // "Kennzeichnen"
extern const char* const KeyQuickInfo;      // "QuickInfo"
extern const char* const KeySort;           // "Sortieren"
extern const char* const KeyCompanion;      // "Corvane+"
extern const char* const KeyDesktopMenu;    // "Desktop-Menü"

// An option is on only when its text equals "Ja", case ignored.
bool IsOptionOn(const char* value);

void LoadSettings();
// Writes one key of the settings file (at IniPath, a UTF-16 path). Key and
// value are the program's Windows-1252 texts and are stored as the ANSI
// profile functions stored them, so files stay readable both ways. False
// when the file could not be written (a folder without write access).
bool WriteOption(const char* key, const char* value);
// Says that the settings file could not be written, with its path: the
// settings hold until the program ends.
void ShowSettingsNotSavedMessage();
BOOL SettingsFileExists();
// The message that leads a new user into the options dialog.
void ShowFirstRunMessage();
