#include "options_registry.h"

#include <sddl.h>

#include "app/handles.h"

const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ombrix+";
const char* const kPolicyKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

std::string VerbCommandKey(const char* fileClass) {
    return std::string(fileClass) + "\\Shell\\Ombrix+\\Command";
}

std::string VerbKey(const char* fileClass) {
    return std::string(fileClass) + "\\Shell\\Ombrix+";
}

std::string UserClasses(const std::string& subkey) {
    return "Software\\Classes\\" + subkey;
}

RegValue ReadRegValue(HKEY root, const std::string& subkey, const char* name) {
    RegValue value;
    UniqueRegKey key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        key.release();
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
    value.bytes.resize(size);
    if (RegQueryValueExA(key.get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(&value.bytes[0]), &size) !=
        ERROR_SUCCESS)
        return value;
    value.bytes.resize(size);
    value.exists = true;
    return value;
}

bool RegKeyExists(HKEY root, const std::string& subkey) {
    UniqueRegKey key;
    bool exists = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    if (!exists) key.release();
    return exists;
}

void WriteRegText(HKEY root, const std::string& subkey, const char* name, const std::string& text) {
    UniqueRegKey key;
    if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        key.release();
        return;
    }
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

void DeleteRegValue(HKEY root, const std::string& subkey, const char* name) {
    UniqueRegKey key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS)
        RegDeleteValueA(key.get(), name);
    else
        key.release();
}

void DeleteRegTree(HKEY root, const std::string& subkey) {
    RegDeleteTreeA(root, subkey.c_str());
    RegDeleteKeyA(root, subkey.c_str());
}

void RemoveAllEntries() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        DeleteRegValue(root, kRunKey, "Ombrix+");
        DeleteRegTree(root, kUninstallKey);
    }
    for (const char* fileClass : {"lnkfile", "piffile"}) {
        DeleteRegTree(HKEY_CLASSES_ROOT, VerbKey(fileClass));
        DeleteRegTree(HKEY_CURRENT_USER, UserClasses(VerbKey(fileClass)));
    }
    DeleteRegValue(HKEY_CURRENT_USER, kPolicyKey, "NoDesktop");
}

namespace {

void SetKeyDacl(HKEY key, const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) return;
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
}

}  // namespace

void MakeReadOnlyKey(HKEY root, const std::string& subkey) {
    UniqueRegKey key;
    if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        key.release();
        return;
    }
    // Everyone may read and change the permissions (so the test can undo it).
    SetKeyDacl(key.get(), "D:P(A;;KRWD;;;WD)");
}

void UnlockKey(HKEY root, const std::string& subkey) {
    UniqueRegKey key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, WRITE_DAC, key.put()) != ERROR_SUCCESS) {
        key.release();
        return;
    }
    SetKeyDacl(key.get(), "D:P(A;;KA;;;WD)");
}

DefaultTextOverride::DefaultTextOverride(HKEY root, const std::string& subkey, const std::string& text)
    : root_(root), subkey_(subkey), previous_(ReadRegValue(root, subkey, nullptr)) {
    WriteRegText(root, subkey, nullptr, text);
}

DefaultTextOverride::~DefaultTextOverride() {
    if (previous_.exists) {
        WriteRegText(root_, subkey_, nullptr, previous_.text());
        return;
    }
    DeleteRegValue(root_, subkey_, nullptr);
}
