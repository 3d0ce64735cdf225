#include "store/RegistryKey.h"

#include <cstring>
#include <utility>

#include "store/AgentKey.h"
#include "store/AgentValues.h"
#include "store/FirstRun.h"

namespace kardello {

RegistryKey::RegistryKey(IRegistry& registry, RegRoot root, const char* subkey)
    : registry_(registry) {
    RegKey key = nullptr;
    long status = registry_.CreateKey(root, subkey, &key);
    // A user who may only read the key still reads it; the fallback never creates.
    if (status == kErrorAccessDenied) status = registry_.OpenKey(root, subkey, RegAccess::Read, &key);
    if (status == kErrorSuccess) key_ = key;
}

RegistryKey::RegistryKey(IRegistry& registry) : registry_(registry) {}

RegistryKey::~RegistryKey() {
    if (key_ != nullptr) registry_.CloseKey(key_);
}

long RegistryKey::OpenExisting(RegRoot root, const char* subkey) {
    return Open(root, subkey, RegAccess::All);
}

long RegistryKey::OpenForReading(RegRoot root, const char* subkey) {
    return Open(root, subkey, RegAccess::Read);
}

long RegistryKey::Open(RegRoot root, const char* subkey, RegAccess access) {
    if (key_ != nullptr) {  // at most one key per store
        registry_.CloseKey(key_);
        key_ = nullptr;
    }
    RegKey key = nullptr;
    long status = registry_.OpenKey(root, subkey, access, &key);
    if (status == kErrorAccessDenied && access != RegAccess::Read)
        status = registry_.OpenKey(root, subkey, RegAccess::Read, &key);
    if (status == kErrorSuccess) key_ = key;
    return status;
}

bool RegistryKey::ReadNumber(const char* name, std::uint32_t& value) const {
    if (key_ == nullptr) return false;
    const std::uint32_t before = value;
    // Straight into the variable: data shorter than 4 bytes keeps the rest.
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    std::uint32_t type = kRegNone;
    std::uint32_t size = sizeof bytes;
    if (registry_.QueryValue(key_, name, &type, bytes, &size) != kErrorSuccess) {
        value = before;
        return false;
    }
    std::memcpy(&value, bytes, sizeof bytes);
    return true;
}

bool RegistryKey::WriteNumber(const char* name, std::uint32_t value) {
    if (key_ == nullptr) return false;
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    return registry_.SetValue(key_, name, kRegDword, bytes, sizeof bytes) == kErrorSuccess;
}

namespace {

// The UTF-16 units a UTF-8 text stands for: one per sequence, two for a sequence
// beyond U+FFFF.
std::size_t Utf16Units(const char* chars, std::size_t size) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(chars[i]);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

}  // namespace

bool RegistryKey::ReadString(const char* name, std::string& text) const {
    if (key_ == nullptr) return false;
    // Only the bytes the registry reports are looked at, so the buffer needs no zeroing.
    std::uint8_t buffer[kMaxTextBytes];
    std::uint32_t type = kRegNone;
    std::uint32_t size = kMaxTextBytes;
    if (registry_.QueryValue(key_, name, &type, buffer, &size) != kErrorSuccess) {
        return false;  // text untouched: it was never written to
    }
    // Windows adds no NUL to text stored without one: never look past what was
    // returned, nor past the buffer whatever size came back.
    const std::size_t stored = size < kMaxTextBytes ? size : kMaxTextBytes;
    const char* chars = reinterpret_cast<const char*>(buffer);
    if (Utf16Units(chars, stored) > kMaxTextUnits) return false;
    const void* nul = std::memchr(chars, 0, stored);
    text.assign(chars, nul ? static_cast<const char*>(nul) - chars : stored);
    return true;
}

bool RegistryKey::WriteString(const char* name, const std::string& text) {
    if (key_ == nullptr) return false;
    // Up to the first NUL, and the NUL itself: an empty text is one NUL byte.
    const std::size_t length = std::strlen(text.c_str());
    return registry_.SetValue(key_, name, kRegSz,
                              reinterpret_cast<const std::uint8_t*>(text.c_str()),
                              static_cast<std::uint32_t>(length + 1)) == kErrorSuccess;
}

long RegistryKey::ReadRaw(const char* name, RegValue& value) const {
    if (key_ == nullptr) return kErrorInvalidHandle;
    RegValue read;
    const long status = registry_.QueryRawValue(key_, name, read);
    if (status == kErrorSuccess) value = std::move(read);
    return status;
}

bool RegistryKey::WriteRaw(const char* name, const RegValue& value) {
    return key_ != nullptr && registry_.SetRawValue(key_, name, value) == kErrorSuccess;
}

// The agent's key and the rules of its slots (FirstRun.h), kept beside the key's
// class so that one file fewer compiles against it.

SettingsStore::SettingsStore(IRegistry& registry)
    : RegistryKey(registry, schema::kAgentRoot, schema::kAgentKey) {}

void ApplyFirstRunRule(IRegistry& registry, const std::string& notRegistered) {
    SettingsStore store(registry);
    RegValue path1;
    if (store.ReadRaw(schema::AppSlot::PathValue(1).c_str(), path1) != kErrorFileNotFound) return;
    for (int n = 1; n <= schema::kAppSlotCount; ++n) {
        store.WriteString(schema::AppSlot::ExeValue(n).c_str(), notRegistered);
        store.WriteString(schema::AppSlot::PathValue(n).c_str(), notRegistered);
        store.WriteString(schema::AppSlot::NameValue(n).c_str(), notRegistered);
    }
}

void ReadShownSlotName(const RegistryKey& store, int slot, const std::string& notRegistered,
                       std::string& name) {
    const std::string pathValue = schema::AppSlot::PathValue(slot);
    RegValue path;
    std::string text;
    if (store.ReadRaw(pathValue.c_str(), path) == kErrorSuccess &&
        ((path.type != kRegSz && path.type != kRegExpandSz) || !store.ReadString(pathValue.c_str(), text))) {
        name = notRegistered;
        return;
    }
    store.ReadString(schema::AppSlot::NameValue(slot).c_str(), name);
}

}  // namespace kardello
