#include "app/environment.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/handles.h"

namespace {

// Environment names compare without regard to case, as Windows compares them.
int CompareNames(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE);
}
struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return CompareNames(a, b) == CSTR_LESS_THAN; }
};
using NameSet = std::set<std::wstring, NameLess>;
using ListValues = std::map<std::wstring, std::wstring, NameLess>;

// The names the registry supplied at the last refresh, or held when the
// program started. Such a name came from the logon environment, even where
// the process inherited it, so once the registry no longer holds it a refresh
// takes it out of the process. Any other name came from whoever started the
// program and stays. A key that cannot be read keeps its names remembered.
NameSet RegistryNames;

enum class KeyKind { System, User, Volatile };

struct EnvironmentKey {
    HKEY root;
    std::wstring subkey;
    KeyKind kind;
};

struct Variable {
    std::wstring name;
    DWORD type;
    std::wstring text;
};

// The keys in the order Windows sets them for a logon: the system's, the
// user's, then the user's volatile ones, the session's last.
std::vector<EnvironmentKey> EnvironmentKeys() {
    std::vector<EnvironmentKey> keys = {
        {HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", KeyKind::System},
        {HKEY_CURRENT_USER, L"Environment", KeyKind::User},
        {HKEY_CURRENT_USER, L"Volatile Environment", KeyKind::Volatile}};
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session))
        keys.push_back({HKEY_CURRENT_USER, L"Volatile Environment\\" + std::to_wstring(session), KeyKind::Volatile});
    return keys;
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// The key's text values, their names and types only. False when the list
// ended before its end.
bool TextValues(HKEY key, std::vector<Variable>& variables) {
    std::vector<wchar_t> name(16384);  // the longest name a value can have, and its terminator
    for (DWORD index = 0;; ++index) {
        DWORD length = DWORD(name.size()), type = REG_NONE;
        LONG result = RegEnumValueW(key, index, name.data(), &length, nullptr, &type, nullptr, nullptr);
        if (result != ERROR_SUCCESS) return result == ERROR_NO_MORE_ITEMS;
        if (IsText(type)) variables.push_back({std::wstring(name.data(), length), type, {}});
    }
}

// A text value read in full: the buffer takes the size the registry reports,
// again if the value grew in between. False for values that are not text.
bool ReadText(HKEY key, Variable& variable) {
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, variable.name.c_str(), nullptr, &variable.type, nullptr, &size);
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        if (!IsText(variable.type)) return false;
        // Room for a terminator the stored text may lack, and for an odd byte.
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
        size = DWORD((data.size() - 1) * sizeof(wchar_t));
        result = RegQueryValueExW(key, variable.name.c_str(), nullptr, &variable.type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
        if (result == ERROR_SUCCESS) {
            variable.text = data.data();
            return true;
        }
    }
    return false;
}

// The key's text variables, plain values before those that refer to others:
// so a reference to a variable of the same key sees its new value. False
// when the key exists but could not be read in full.
bool ReadKey(const EnvironmentKey& where, std::vector<Variable>& variables) {
    UniqueRegKey key;
    LONG opened = RegOpenKeyExW(where.root, where.subkey.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND;  // no key holds no variables
    std::vector<Variable> listed;
    bool whole = TextValues(key.get(), listed);
    for (Variable& variable : listed)
        if (ReadText(key.get(), variable)) variables.push_back(variable);
    std::stable_partition(variables.begin(), variables.end(),
                          [](const Variable& variable) { return variable.type == REG_SZ; });
    return whole;
}

std::wstring ExpandVariables(const std::wstring& text) {
    std::vector<wchar_t> expanded(text.size() + 1);
    for (;;) {
        DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), DWORD(expanded.size()));
        if (needed == 0) return text;
        if (needed <= expanded.size()) return expanded.data();
        expanded.resize(needed);
    }
}

// The variables whose user value Windows appends to the system's.
bool IsListName(const std::wstring& name) {
    for (const wchar_t* list : {L"Path", L"LibPath", L"Os2LibPath"})
        if (CompareNames(name, list) == CSTR_EQUAL) return true;
    return false;
}

// Sets one variable; the system's lists are kept in systemLists, so that the
// user's can be appended to them.
bool SetVariable(const Variable& variable, KeyKind kind, ListValues& systemLists) {
    std::wstring value = variable.type == REG_EXPAND_SZ ? ExpandVariables(variable.text) : variable.text;
    if (kind == KeyKind::System && IsListName(variable.name)) systemLists[variable.name] = value;
    auto system = systemLists.find(variable.name);
    if (kind == KeyKind::User && system != systemLists.end() && !system->second.empty())
        value = system->second + L";" + value;
    return SetEnvironmentVariableW(variable.name.c_str(), value.c_str()) != FALSE;
}

// True also when the process no longer had the variable.
bool RemoveVariable(const std::wstring& name) {
    return SetEnvironmentVariableW(name.c_str(), nullptr) || GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}

// Takes out of the process what the registry supplied before but no longer holds.
bool RemoveDropped(const NameSet& supplied) {
    bool allRemoved = true;
    for (const std::wstring& name : RegistryNames)
        if (supplied.count(name) == 0) allRemoved = RemoveVariable(name) && allRemoved;
    return allRemoved;
}

}  // namespace

bool IsEnvironmentChange(LPARAM lParam) {
    // The tray window is a Unicode one: the setting's name comes as UTF-16.
    return lParam != 0 && lstrcmpiW(reinterpret_cast<LPCWSTR>(lParam), L"Environment") == 0;
}

void RememberRegistryEnvironment() {
    for (const EnvironmentKey& key : EnvironmentKeys()) {
        std::vector<Variable> variables;
        ReadKey(key, variables);
        for (const Variable& variable : variables) RegistryNames.insert(variable.name);
    }
}

bool RefreshEnvironmentFromRegistry() {
    NameSet supplied;
    ListValues systemLists;
    bool complete = true, allSet = true;
    for (const EnvironmentKey& key : EnvironmentKeys()) {
        std::vector<Variable> variables;
        complete = ReadKey(key, variables) && complete;
        for (const Variable& variable : variables) {
            supplied.insert(variable.name);
            allSet = SetVariable(variable, key.kind, systemLists) && allSet;
        }
    }
    if (complete)
        allSet = RemoveDropped(supplied) && allSet;
    else
        supplied.insert(RegistryNames.begin(), RegistryNames.end());
    RegistryNames.swap(supplied);
    return complete && allSet;
}
