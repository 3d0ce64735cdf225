#pragma once
#include "platform/Registry.h"

namespace kardello {

class Win32Registry final : public IRegistry {
public:
    long CreateKey(RegRoot root, const char* subkey, RegKey* key) override;
    long OpenKey(RegRoot root, const char* subkey, RegKey* key) override;
    long QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(RegKey key, const char* name) override;
    long CloseKey(RegKey key) override;
};

}  // namespace kardello
