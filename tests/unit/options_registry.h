// Registry helpers for the tests of the system integration entries: they read
// and write the real registry of the test session's Wine prefix.
#pragma once

#include <windows.h>

#include <string>

struct RegValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;  // as stored, with the NUL of a text
    // The stored text without its terminating NUL.
    std::string text() const { return bytes.empty() || bytes.back() != '\0' ? bytes : bytes.substr(0, bytes.size() - 1); }
};

RegValue ReadRegValue(HKEY root, const std::string& subkey, const char* name);
bool RegKeyExists(HKEY root, const std::string& subkey);
void WriteRegText(HKEY root, const std::string& subkey, const char* name, const std::string& text);
void DeleteRegValue(HKEY root, const std::string& subkey, const char* name);
void DeleteRegTree(HKEY root, const std::string& subkey);

// The paths of the entries, machine-wide (under HKEY_LOCAL_MACHINE or
// HKEY_CLASSES_ROOT) and per user (under HKEY_CURRENT_USER).
extern const char* const kRunKey;
extern const char* const kUninstallKey;
extern const char* const kPolicyKey;
std::string VerbCommandKey(const char* fileClass);  // "lnkfile\Shell\Ombrix+\Command"
std::string VerbKey(const char* fileClass);         // "lnkfile\Shell\Ombrix+"
std::string UserClasses(const std::string& subkey);  // "Software\Classes\" + subkey

// Removes every entry of the program in both places and the policy value.
void RemoveAllEntries();

// A key this account may read but not change, the way a machine-wide key looks
// to a user without administrator rights; Unlock gives the rights back.
void MakeReadOnlyKey(HKEY root, const std::string& subkey);
void UnlockKey(HKEY root, const std::string& subkey);

// Sets a key's default text for the life of the object and then puts back what
// was there before (or removes the key's default when there was none).
class DefaultTextOverride {
public:
    DefaultTextOverride(HKEY root, const std::string& subkey, const std::string& text);
    ~DefaultTextOverride();
    DefaultTextOverride(const DefaultTextOverride&) = delete;
    DefaultTextOverride& operator=(const DefaultTextOverride&) = delete;

private:
    HKEY root_;
    std::string subkey_;
    RegValue previous_;
};
