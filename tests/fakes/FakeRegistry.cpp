#include "fakes/FakeRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kardello::test {

std::string FakeRegistry::Lower(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

FakeRegistry::KeyId FakeRegistry::Id(RegView view, RegRoot root, const std::string& path) {
    return {root, view, Lower(path)};
}

FakeRegistry::KeyId FakeRegistry::Id(RegRoot root, const std::string& path) {
    return Id(ViewOf(root, path.c_str()), root, path);
}

bool FakeRegistry::IsReadOnly(const KeyId& id) const {
    for (const auto& [root, path] : readOnly_) {
        if (root != id.root) continue;
        if (path.empty() || id.path == path ||
            (id.path.size() > path.size() && id.path.compare(0, path.size(), path) == 0 &&
             id.path[path.size()] == '\\'))
            return true;
    }
    return false;
}

long FakeRegistry::NewHandle(const KeyId& id, RegAccess access, RegKey* key) {
    const std::uintptr_t handle = nextHandle_++;
    handles_[handle] = Handle{id, access};
    *key = reinterpret_cast<RegKey>(handle);
    return kErrorSuccess;
}

FakeRegistry::Key* FakeRegistry::Find(RegKey key) {
    auto handle = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    if (handle == handles_.end()) return nullptr;
    auto found = keys_.find(handle->second.id);
    return found == keys_.end() ? nullptr : &found->second;
}

long FakeRegistry::CreateKey(RegRoot root, const char* subkey, RegKey* key) {
    *key = nullptr;
    if (denied_.count(root)) return kErrorAccessDenied;
    const KeyId id = Id(root, subkey);
    // Full access to an existing key, or a new key under one, is refused alike.
    if (IsReadOnly(id)) {
        ++refused_;
        return kErrorAccessDenied;
    }
    MakeKey(id);
    return NewHandle(id, RegAccess::All, key);
}

long FakeRegistry::OpenKey(RegRoot root, const char* subkey, RegAccess access, RegKey* key) {
    *key = nullptr;
    if (denied_.count(root)) return kErrorAccessDenied;
    const KeyId id = Id(root, subkey);
    if (!keys_.count(id)) return kErrorFileNotFound;
    if (access == RegAccess::All && IsReadOnly(id)) {
        ++refused_;
        return kErrorAccessDenied;
    }
    return NewHandle(id, access, key);
}

long FakeRegistry::QueryValue(RegKey key, const char* name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
    Key* found = Find(key);
    if (found == nullptr) return kErrorInvalidHandle;
    auto value = found->values.find(Lower(name));
    if (value == found->values.end()) return kErrorFileNotFound;
    const auto stored = static_cast<std::uint32_t>(value->second.data.size());
    if (type != nullptr) *type = value->second.type;
    if (data != nullptr && stored > *size) {
        // What the buffer holds after ERROR_MORE_DATA is not defined: make it garbage,
        // so that a caller relying on it shows up.
        std::memset(data, 0xCD, *size);
        *size = stored;
        return kErrorMoreData;
    }
    if (data != nullptr && stored > 0) std::memcpy(data, value->second.data.data(), stored);
    *size = stored;
    return kErrorSuccess;
}

long FakeRegistry::SetValue(RegKey key, const char* name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
    Key* found = Find(key);
    if (found == nullptr) return kErrorInvalidHandle;
    if (failWrites_ || !Writable(key)) return kErrorAccessDenied;
    Value& value = found->values[Lower(name)];
    value.type = type;
    value.data.assign(data, data + size);
    ++writes_;
    writeLog_.push_back(handles_[reinterpret_cast<std::uintptr_t>(key)].id.path + "\\" + name);
    return kErrorSuccess;
}

long FakeRegistry::QueryRawValue(RegKey key, const char* name, RegValue& value) {
    Key* found = Find(key);
    if (found == nullptr) return kErrorInvalidHandle;
    auto stored = found->values.find(Lower(name));
    if (stored == found->values.end()) return kErrorFileNotFound;
    value = stored->second;
    return kErrorSuccess;
}

long FakeRegistry::SetRawValue(RegKey key, const char* name, const RegValue& value) {
    return SetValue(key, name, value.type, value.data.data(), static_cast<std::uint32_t>(value.data.size()));
}

long FakeRegistry::DeleteValue(RegKey key, const char* name) {
    Key* found = Find(key);
    if (found == nullptr) return kErrorInvalidHandle;
    if (failWrites_ || !Writable(key)) return kErrorAccessDenied;
    return found->values.erase(Lower(name)) ? kErrorSuccess : kErrorFileNotFound;
}

long FakeRegistry::CloseKey(RegKey key) {
    return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) ? kErrorSuccess
                                                                 : kErrorInvalidHandle;
}

void FakeRegistry::MakeKey(const KeyId& id) {
    // Windows creates every missing key along the path.
    for (std::size_t pos = 0;; ++pos) {
        pos = id.path.find('\\', pos);
        keys_[KeyId{id.root, id.view, id.path.substr(0, pos)}];
        if (pos == std::string::npos) break;
    }
}

void FakeRegistry::PutIn(const KeyId& id, const std::string& name, std::uint32_t type,
                         std::vector<std::uint8_t> data) {
    // As the installation would: whatever the user's rights.
    MakeKey(id);
    keys_[id].values[Lower(name)] = Value{type, std::move(data)};
}

void FakeRegistry::Put(RegRoot root, const std::string& path, const std::string& name,
                       std::uint32_t type, std::vector<std::uint8_t> data) {
    PutIn(Id(root, path), name, type, std::move(data));
}

namespace {
std::vector<std::uint8_t> TextData(const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}
std::vector<std::uint8_t> NumberData(std::uint32_t number) {
    std::vector<std::uint8_t> data(4);
    std::memcpy(data.data(), &number, 4);
    return data;
}
}  // namespace

void FakeRegistry::PutString(RegRoot root, const std::string& path, const std::string& name,
                             const std::string& text) {
    PutIn(Id(root, path), name, kRegSz, TextData(text));
}

void FakeRegistry::PutNumber(RegRoot root, const std::string& path, const std::string& name,
                             std::uint32_t number) {
    PutIn(Id(root, path), name, kRegDword, NumberData(number));
}

void FakeRegistry::PutString(RegView view, RegRoot root, const std::string& path,
                             const std::string& name, const std::string& text) {
    PutIn(Id(view, root, path), name, kRegSz, TextData(text));
}

void FakeRegistry::PutNumber(RegView view, RegRoot root, const std::string& path,
                             const std::string& name, std::uint32_t number) {
    PutIn(Id(view, root, path), name, kRegDword, NumberData(number));
}

bool FakeRegistry::Writable(RegKey key) const {
    auto handle = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    return handle != handles_.end() && handle->second.access == RegAccess::All;
}

void FakeRegistry::Remove(RegRoot root, const std::string& path, const std::string& name) {
    auto found = keys_.find(Id(root, path));
    if (found != keys_.end()) found->second.values.erase(Lower(name));
}

void FakeRegistry::ClearValues(RegRoot root, const std::string& path) {
    keys_[Id(root, path)].values.clear();
}

void FakeRegistry::RemoveKey(RegRoot root, const std::string& path) { keys_.erase(Id(root, path)); }

std::optional<FakeRegistry::Value> FakeRegistry::Get(RegRoot root, const std::string& path,
                                                     const std::string& name) const {
    return Get(Id(root, path), name);
}

std::optional<FakeRegistry::Value> FakeRegistry::Get(const KeyId& id, const std::string& name) const {
    auto found = keys_.find(id);
    if (found == keys_.end()) return std::nullopt;
    auto value = found->second.values.find(Lower(name));
    if (value == found->second.values.end()) return std::nullopt;
    return value->second;
}

namespace {
std::optional<std::string> AsText(const std::optional<FakeRegistry::Value>& value) {
    if (!value) return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    return text.substr(0, text.find('\0'));
}
std::optional<std::uint32_t> AsNumber(const std::optional<FakeRegistry::Value>& value) {
    if (!value || value->data.size() != 4) return std::nullopt;
    std::uint32_t number = 0;
    std::memcpy(&number, value->data.data(), 4);
    return number;
}
}  // namespace

std::optional<std::string> FakeRegistry::GetString(RegRoot root, const std::string& path,
                                                   const std::string& name) const {
    return AsText(Get(Id(root, path), name));
}

std::optional<std::uint32_t> FakeRegistry::GetNumber(RegRoot root, const std::string& path,
                                                     const std::string& name) const {
    return AsNumber(Get(Id(root, path), name));
}

std::optional<std::string> FakeRegistry::GetString(RegView view, RegRoot root,
                                                   const std::string& path,
                                                   const std::string& name) const {
    return AsText(Get(Id(view, root, path), name));
}

std::optional<std::uint32_t> FakeRegistry::GetNumber(RegView view, RegRoot root,
                                                     const std::string& path,
                                                     const std::string& name) const {
    return AsNumber(Get(Id(view, root, path), name));
}

bool FakeRegistry::KeyExists(RegRoot root, const std::string& path) const {
    return keys_.count(Id(root, path)) > 0;
}

bool FakeRegistry::KeyExists(RegView view, RegRoot root, const std::string& path) const {
    return keys_.count(Id(view, root, path)) > 0;
}

std::size_t FakeRegistry::ValueCount(RegRoot root, const std::string& path) const {
    auto found = keys_.find(Id(root, path));
    return found == keys_.end() ? 0 : found->second.values.size();
}

}  // namespace kardello::test
