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

FakeRegistry::KeyId FakeRegistry::Id(RegRoot root, const std::string& path) {
    return {root, Lower(path)};
}

FakeRegistry::Key* FakeRegistry::Find(RegKey key) {
    auto handle = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    if (handle == handles_.end()) return nullptr;
    auto found = keys_.find(handle->second);
    return found == keys_.end() ? nullptr : &found->second;
}

long FakeRegistry::CreateKey(RegRoot root, const char* subkey, RegKey* key) {
    *key = nullptr;
    if (denied_.count(root)) return kErrorAccessDenied;
    // Windows creates every missing key along the path.
    std::string path = subkey;
    for (std::size_t pos = 0;; ++pos) {
        pos = path.find('\\', pos);
        keys_[Id(root, path.substr(0, pos))];
        if (pos == std::string::npos) break;
    }
    const std::uintptr_t handle = nextHandle_++;
    handles_[handle] = Id(root, path);
    *key = reinterpret_cast<RegKey>(handle);
    return kErrorSuccess;
}

long FakeRegistry::OpenKey(RegRoot root, const char* subkey, RegKey* key) {
    *key = nullptr;
    if (denied_.count(root)) return kErrorAccessDenied;
    if (!keys_.count(Id(root, subkey))) return kErrorFileNotFound;
    const std::uintptr_t handle = nextHandle_++;
    handles_[handle] = Id(root, subkey);
    *key = reinterpret_cast<RegKey>(handle);
    return kErrorSuccess;
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
    if (failWrites_) return kErrorAccessDenied;
    Value& value = found->values[Lower(name)];
    value.type = type;
    value.data.assign(data, data + size);
    ++writes_;
    writeLog_.push_back(handles_[reinterpret_cast<std::uintptr_t>(key)].second + "\\" + name);
    return kErrorSuccess;
}

long FakeRegistry::DeleteValue(RegKey key, const char* name) {
    Key* found = Find(key);
    if (found == nullptr) return kErrorInvalidHandle;
    if (failWrites_) return kErrorAccessDenied;
    return found->values.erase(Lower(name)) ? kErrorSuccess : kErrorFileNotFound;
}

long FakeRegistry::CloseKey(RegKey key) {
    return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) ? kErrorSuccess
                                                                 : kErrorInvalidHandle;
}

void FakeRegistry::Put(RegRoot root, const std::string& path, const std::string& name,
                       std::uint32_t type, std::vector<std::uint8_t> data) {
    RegKey key = nullptr;
    const bool denied = denied_.erase(root) > 0;
    CreateKey(root, path.c_str(), &key);
    if (denied) denied_.insert(root);
    Key* found = Find(key);
    found->values[Lower(name)] = Value{type, std::move(data)};
    CloseKey(key);
}

void FakeRegistry::PutString(RegRoot root, const std::string& path, const std::string& name,
                             const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    Put(root, path, name, kRegSz, std::move(data));
}

void FakeRegistry::PutNumber(RegRoot root, const std::string& path, const std::string& name,
                             std::uint32_t number) {
    std::vector<std::uint8_t> data(4);
    std::memcpy(data.data(), &number, 4);
    Put(root, path, name, kRegDword, std::move(data));
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
    auto found = keys_.find(Id(root, path));
    if (found == keys_.end()) return std::nullopt;
    auto value = found->second.values.find(Lower(name));
    if (value == found->second.values.end()) return std::nullopt;
    return value->second;
}

std::optional<std::string> FakeRegistry::GetString(RegRoot root, const std::string& path,
                                                   const std::string& name) const {
    auto value = Get(root, path, name);
    if (!value) return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    return text.substr(0, text.find('\0'));
}

std::optional<std::uint32_t> FakeRegistry::GetNumber(RegRoot root, const std::string& path,
                                                     const std::string& name) const {
    auto value = Get(root, path, name);
    if (!value || value->data.size() != 4) return std::nullopt;
    std::uint32_t number = 0;
    std::memcpy(&number, value->data.data(), 4);
    return number;
}

bool FakeRegistry::KeyExists(RegRoot root, const std::string& path) const {
    return keys_.count(Id(root, path)) > 0;
}

std::size_t FakeRegistry::ValueCount(RegRoot root, const std::string& path) const {
    auto found = keys_.find(Id(root, path));
    return found == keys_.end() ? 0 : found->second.values.size();
}

}  // namespace kardello::test
