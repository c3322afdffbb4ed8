#include "app/environment.h"

#include <string>
#include <vector>

#include "app/handles.h"

namespace {

const char* const SystemEnvironmentKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const UserEnvironmentKey = "Environment";

std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    std::vector<char> name(256);
    for (DWORD index = 0;;) {
        DWORD length = DWORD(name.size());
        LONG result = RegEnumValueA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            continue;
        }
        if (result != ERROR_SUCCESS) return names;
        names.emplace_back(name.data(), length);
        ++index;
    }
}

// A text value read in full: the buffer takes the size the registry reports,
// again if the value grew in between. False for values that are not text.
bool ReadText(HKEY key, const char* name, DWORD& type, std::string& text) {
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        std::vector<char> data(size + 1, '\0');  // the stored text may lack its terminator
        result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (result == ERROR_SUCCESS) {
            text = data.data();
            return true;
        }
    }
    return false;
}

std::string ExpandVariables(const std::string& text) {
    std::vector<char> expanded(text.size() + 1);
    for (;;) {
        DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), DWORD(expanded.size()));
        if (needed == 0) return text;
        if (needed <= expanded.size()) return expanded.data();
        expanded.resize(needed + 1);  // the ANSI form may count one more than it stores
    }
}

bool IsPathName(const std::string& name) {
    return lstrcmpiA(name.c_str(), "Path") == 0;
}

// Sets one key's variables: plain values before those that refer to others,
// the order Windows builds a logon environment in, so that a reference to a
// variable of the same key sees its new value. The system's Path is kept in
// systemPath; the user's is appended to it.
bool SetKeyVariables(HKEY root, const char* subkey, bool user, std::string& systemPath) {
    UniqueRegKey key;
    LONG opened = RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, key.put());
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND;  // no key holds no variables
    bool allSet = true;
    const std::vector<std::string> names = ValueNames(key.get());
    for (DWORD pass : {DWORD(REG_SZ), DWORD(REG_EXPAND_SZ)}) {
        for (const std::string& name : names) {
            DWORD type = REG_NONE;
            std::string value;
            if (!ReadText(key.get(), name.c_str(), type, value) || type != pass) continue;
            if (type == REG_EXPAND_SZ) value = ExpandVariables(value);
            if (IsPathName(name) && !user) systemPath = value;
            if (IsPathName(name) && user && !systemPath.empty()) value = systemPath + ";" + value;
            allSet = SetEnvironmentVariableA(name.c_str(), value.c_str()) && allSet;
        }
    }
    return allSet;
}

}  // namespace

bool IsEnvironmentChange(LPARAM lParam) {
    return lParam != 0 && lstrcmpiA(reinterpret_cast<LPCSTR>(lParam), "Environment") == 0;
}

// Only what the registry holds is set: a variable deleted there stays in the
// process until it ends, since one inherited from the starter looks the same.
bool RefreshEnvironmentFromRegistry() {
    std::string systemPath;
    bool system = SetKeyVariables(HKEY_LOCAL_MACHINE, SystemEnvironmentKey, false, systemPath);
    bool user = SetKeyVariables(HKEY_CURRENT_USER, UserEnvironmentKey, true, systemPath);
    return system && user;
}
