#pragma once
#include "platform/win32/WinApi.h"

#include "platform/Registry.h"

namespace kardello {

class Win32Registry final : public IRegistry {
public:
    long CreateKey(RegRoot root, const char* subkey, RegKey* key) override;
    long OpenKey(RegRoot root, const char* subkey, RegAccess access, RegKey* key) override;
    long QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long QueryRawValue(RegKey key, const char* name, RegValue& value) override;
    long SetRawValue(RegKey key, const char* name, const RegValue& value) override;
    long DeleteValue(RegKey key, const char* name) override;
    long CloseKey(RegKey key) override;
};

// What every direct open of a key adds to its access, so that tools and tests
// see the keys where the agent does.
inline REGSAM ViewFlag(RegRoot root, const char* subkey) {
    return ViewOf(root, subkey) == RegView::Wow32 ? KEY_WOW64_32KEY : 0;
}
inline REGSAM ViewFlag(HKEY root, const char* subkey) {
    return ViewFlag(root == HKEY_LOCAL_MACHINE ? RegRoot::LocalMachine : RegRoot::CurrentUser, subkey);
}

}  // namespace kardello
