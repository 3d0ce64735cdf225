#pragma once
// A registry key opened for one operation. A failed read leaves the caller's
// value exactly as it was, so callers pre-set the default they want.

#include <cstdint>
#include <string>

#include "platform/Registry.h"

namespace kardello {

class SettingsStore {
public:
    static constexpr std::uint32_t kMaxTextBytes = 1024;

    // Opens the key, creating it when missing; on failure the store has no key.
    // Where full access is refused, an existing key is opened read-only and
    // every write through it fails.
    SettingsStore(IRegistry& registry, RegRoot root, const char* subkey);
    // No key yet: use OpenExisting.
    explicit SettingsStore(IRegistry& registry);
    virtual ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

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

private:
    // Closes the key held, then opens `subkey` with `access`, read-only where that
    // is refused.
    long Open(RegRoot root, const char* subkey, RegAccess access);

    IRegistry& registry_;
    RegKey key_ = nullptr;
};

}  // namespace kardello
