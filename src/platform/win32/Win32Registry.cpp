#include "platform/win32/Win32Registry.h"

#include <windows.h>

namespace kardello {

namespace {

HKEY RootKey(RegRoot root) {
    return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY Native(RegKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long Win32Registry::CreateKey(RegRoot root, const char* subkey, RegKey* key) {
    HKEY result = nullptr;
    const LONG status = RegCreateKeyExA(RootKey(root), subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS | ViewFlag(root, subkey), nullptr, &result,
                                        nullptr);
    *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(result) : nullptr;
    return status;
}

long Win32Registry::OpenKey(RegRoot root, const char* subkey, RegAccess access, RegKey* key) {
    HKEY result = nullptr;
    const REGSAM rights = access == RegAccess::All ? KEY_ALL_ACCESS : KEY_READ;
    const LONG status = RegOpenKeyExA(RootKey(root), subkey, 0, rights | ViewFlag(root, subkey), &result);
    *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(result) : nullptr;
    return status;
}

long Win32Registry::QueryValue(RegKey key, const char* name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
    DWORD nativeType = REG_NONE;
    DWORD nativeSize = *size;
    const LONG status = RegQueryValueExA(Native(key), name, nullptr, &nativeType, data, &nativeSize);
    *type = nativeType;
    *size = nativeSize;
    return status;
}

long Win32Registry::SetValue(RegKey key, const char* name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(Native(key), name, 0, type, data, size);
}

long Win32Registry::DeleteValue(RegKey key, const char* name) {
    return RegDeleteValueA(Native(key), name);
}

long Win32Registry::CloseKey(RegKey key) { return RegCloseKey(Native(key)); }

}  // namespace kardello
