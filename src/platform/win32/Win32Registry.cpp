#include "platform/win32/Win32Registry.h"

#include <cstring>
#include <vector>

#include "platform/win32/WinApi.h"

namespace kardello {

namespace {

HKEY RootKey(RegRoot root) {
    return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY Native(RegKey key) { return reinterpret_cast<HKEY>(key); }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A null name is the key's default value, as for the A and W functions alike.
struct WideName {
    explicit WideName(const char* name) : text(name != nullptr ? Wide(name) : WideString()), given(name != nullptr) {}
    const wchar_t* get() const { return given ? text.c_str() : nullptr; }
    WideString text;
    bool given;
};

}  // namespace

long Win32Registry::CreateKey(RegRoot root, const char* subkey, RegKey* key) {
    HKEY result = nullptr;
    const LONG status = RegCreateKeyExW(RootKey(root), WideName(subkey).get(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | ViewFlag(root, subkey),
                                        nullptr, &result, nullptr);
    *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(result) : nullptr;
    return status;
}

long Win32Registry::OpenKey(RegRoot root, const char* subkey, RegAccess access, RegKey* key) {
    HKEY result = nullptr;
    const REGSAM rights = access == RegAccess::All ? KEY_ALL_ACCESS : KEY_READ;
    const LONG status =
        RegOpenKeyExW(RootKey(root), WideName(subkey).get(), 0, rights | ViewFlag(root, subkey), &result);
    *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(result) : nullptr;
    return status;
}

namespace {

// Most values fit at once; a larger one is asked for again at its size, and a value
// that grows in between once more. On success `raw` holds exactly the stored bytes.
LONG QueryStored(RegKey key, const WideName& name, DWORD& type, std::vector<BYTE>& raw) {
    raw.resize(2048);
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
        DWORD rawSize = static_cast<DWORD>(raw.size());
        status = RegQueryValueExW(Native(key), name.get(), nullptr, &type, raw.data(), &rawSize);
        raw.resize(status == ERROR_SUCCESS || status == ERROR_MORE_DATA ? rawSize : 0);
    }
    return status;
}

}  // namespace

long Win32Registry::QueryValue(RegKey key, const char* name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
    DWORD nativeType = REG_NONE;
    std::vector<BYTE> raw;
    const LONG status = QueryStored(key, WideName(name), nativeType, raw);
    *type = nativeType;
    if (status != ERROR_SUCCESS) {
        *size = 0;
        return status;
    }
    const auto rawSize = static_cast<std::uint32_t>(raw.size());
    std::string text;
    const BYTE* bytes = raw.data();
    std::uint32_t length = rawSize;
    if (IsText(nativeType)) {
        // Text reaches the program as UTF-8, every unit the value holds included (its
        // terminator, when it was stored with one); an odd last byte is no unit.
        WideString units(rawSize / 2, L'\0');
        if (!units.empty()) std::memcpy(&units[0], raw.data(), units.size() * sizeof(wchar_t));
        text = Narrow(units.data(), units.size());
        bytes = reinterpret_cast<const BYTE*>(text.data());
        length = static_cast<std::uint32_t>(text.size());
    }
    const std::uint32_t room = *size;
    *size = length;
    if (data == nullptr) return ERROR_SUCCESS;
    if (length > room) return ERROR_MORE_DATA;
    if (length > 0) std::memcpy(data, bytes, length);
    return ERROR_SUCCESS;
}

long Win32Registry::QueryRawValue(RegKey key, const char* name, RegValue& value) {
    DWORD nativeType = REG_NONE;
    std::vector<BYTE> raw;
    const LONG status = QueryStored(key, WideName(name), nativeType, raw);
    if (status != ERROR_SUCCESS) return status;
    value.type = nativeType;
    value.data.assign(raw.begin(), raw.end());
    return ERROR_SUCCESS;
}

long Win32Registry::SetRawValue(RegKey key, const char* name, const RegValue& value) {
    const auto size = static_cast<DWORD>(value.data.size());
    if (!IsText(value.type) || size == 0)
        return RegSetValueExW(Native(key), WideName(name).get(), 0, value.type,
                              size == 0 ? nullptr : value.data.data(), size);
    // Text whose last unit is no NUL gains one when the unit after the data is NUL
    // (Windows looks past the size given): what follows is made no NUL.
    std::vector<BYTE> padded(value.data.begin(), value.data.end());
    padded.resize(size + 3, 0xFF);
    return RegSetValueExW(Native(key), WideName(name).get(), 0, value.type, padded.data(), size);
}

long Win32Registry::SetValue(RegKey key, const char* name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
    const WideName wideName(name);
    if (!IsText(type) || data == nullptr) return RegSetValueExW(Native(key), wideName.get(), 0, type, data, size);
    // Every byte given, terminator included, as UTF-16.
    const WideString units = Wide(std::string_view(reinterpret_cast<const char*>(data), size));
    return RegSetValueExW(Native(key), wideName.get(), 0, type, reinterpret_cast<const BYTE*>(units.data()),
                          static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

long Win32Registry::DeleteValue(RegKey key, const char* name) {
    return RegDeleteValueW(Native(key), WideName(name).get());
}

long Win32Registry::CloseKey(RegKey key) { return RegCloseKey(Native(key)); }

}  // namespace kardello
