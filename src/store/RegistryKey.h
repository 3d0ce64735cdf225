#pragma once
// A registry key opened for one operation. A failed read leaves the caller's
// value exactly as it was, so callers pre-set the default they want.

#include <cstdint>
#include <string>

#include "platform/Registry.h"

namespace kardello {

class RegistryKey {
public:
    // Texts are limited as Windows stores them, in UTF-16 units (terminator included
    // when stored); as UTF-8 those take at most three bytes each.
    static constexpr std::uint32_t kMaxTextUnits = 1024;
    static constexpr std::uint32_t kMaxTextBytes = 3 * kMaxTextUnits;

    // Opens the key, creating it when missing; on failure there is no key.
    // Where full access is refused, an existing key is opened read-only and
    // every write through it fails.
    RegistryKey(IRegistry& registry, RegRoot root, const char* subkey);
    // No key yet: use OpenExisting.
    explicit RegistryKey(IRegistry& registry);
    ~RegistryKey();

    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens an existing key without creating it, read-only where full access is
    // refused; returns the system status code of the last attempt.
    long OpenExisting(RegRoot root, const char* subkey);
    // Opens an existing key for reading only, never creating it: a key that belongs
    // to another program. Every write through it fails.
    long OpenForReading(RegRoot root, const char* subkey);

    bool HasKey() const { return key_ != nullptr; }

    bool ReadNumber(const char* name, std::uint32_t& value) const;
    bool WriteNumber(const char* name, std::uint32_t value);
    bool ReadString(const char* name, std::string& text) const;
    bool WriteString(const char* name, const std::string& text);
    // The value exactly as stored; the system status code, kErrorFileNotFound for a
    // missing value. `value` is left alone unless the read succeeds.
    long ReadRaw(const char* name, RegValue& value) const;
    bool WriteRaw(const char* name, const RegValue& value);

private:
    // Closes the key held, then opens `subkey` with `access`, read-only where that
    // is refused.
    long Open(RegRoot root, const char* subkey, RegAccess access);

    IRegistry& registry_;
    RegKey key_ = nullptr;
};

// The agent's settings: its key under HKEY_LOCAL_MACHINE, made when missing.
class SettingsStore : public RegistryKey {
public:
    explicit SettingsStore(IRegistry& registry);
};

}  // namespace kardello
