#pragma once
// An in-memory registry with Windows' semantics: case-insensitive names, created
// parents, ERROR_MORE_DATA with the needed size, text stored exactly as given.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace kardello::test {

class FakeRegistry : public IRegistry {
public:
    struct Value {
        std::uint32_t type = kRegNone;
        std::vector<std::uint8_t> data;
    };

    long CreateKey(RegRoot root, const char* subkey, RegKey* key) override;
    long OpenKey(RegRoot root, const char* subkey, RegKey* key) override;
    long QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(RegKey key, const char* name) override;
    long CloseKey(RegKey key) override;

    // Arranging and inspecting, outside any handle.
    void Put(RegRoot root, const std::string& path, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data);
    void PutString(RegRoot root, const std::string& path, const std::string& name,
                   const std::string& text);  // with its NUL, as Windows stores REG_SZ
    void PutNumber(RegRoot root, const std::string& path, const std::string& name,
                   std::uint32_t number);
    void Remove(RegRoot root, const std::string& path, const std::string& name);
    void RemoveKey(RegRoot root, const std::string& path);
    void ClearValues(RegRoot root, const std::string& path);  // the key stays, or is made
    std::optional<Value> Get(RegRoot root, const std::string& path, const std::string& name) const;
    std::optional<std::string> GetString(RegRoot root, const std::string& path,
                                         const std::string& name) const;  // up to the first NUL
    std::optional<std::uint32_t> GetNumber(RegRoot root, const std::string& path,
                                           const std::string& name) const;
    bool KeyExists(RegRoot root, const std::string& path) const;
    std::size_t ValueCount(RegRoot root, const std::string& path) const;

    // A root the caller may not open or create keys under (a standard user and HKLM).
    void DenyRoot(RegRoot root) { denied_.insert(root); }
    // Every SetValue and DeleteValue fails with access denied.
    void FailWrites(bool fail) { failWrites_ = fail; }

    std::size_t OpenHandles() const { return handles_.size(); }
    int WriteCount() const { return writes_; }
    // Names of the values set, in order, "root-relative path\\name".
    const std::vector<std::string>& WriteLog() const { return writeLog_; }
    void ClearWriteLog() { writeLog_.clear(); }

private:
    struct Key {
        std::map<std::string, Value> values;  // by lower-case name
    };
    using KeyId = std::pair<RegRoot, std::string>;  // lower-case path

    static std::string Lower(const std::string& text);
    static KeyId Id(RegRoot root, const std::string& path);
    Key* Find(RegKey key);

    std::map<KeyId, Key> keys_;
    std::map<std::uintptr_t, KeyId> handles_;
    std::uintptr_t nextHandle_ = 0x100;
    std::set<RegRoot> denied_;
    bool failWrites_ = false;
    int writes_ = 0;
    std::vector<std::string> writeLog_;
};

}  // namespace kardello::test
