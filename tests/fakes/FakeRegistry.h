#pragma once
// An in-memory registry with Windows' semantics: case-insensitive names, created
// parents, ERROR_MORE_DATA with the needed size, text stored exactly as given, the
// 32-bit and 64-bit views kept apart, and keys a standard user may only read. A raw
// read or write sees the bytes as stored, text in the form it was given.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Registry.h"

namespace kardello::test {

class FakeRegistry : public IRegistry {
public:
    using Value = RegValue;

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

    // Arranging and inspecting, outside any handle, in the view the agent opens the
    // key in; the overloads with a view reach the other one.
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
    void PutString(RegView view, RegRoot root, const std::string& path, const std::string& name,
                   const std::string& text);
    void PutNumber(RegView view, RegRoot root, const std::string& path, const std::string& name,
                   std::uint32_t number);
    std::optional<std::string> GetString(RegView view, RegRoot root, const std::string& path,
                                         const std::string& name) const;
    std::optional<std::uint32_t> GetNumber(RegView view, RegRoot root, const std::string& path,
                                           const std::string& name) const;
    bool KeyExists(RegView view, RegRoot root, const std::string& path) const;
    std::size_t ValueCount(RegRoot root, const std::string& path) const;

    // A root the caller may not open or create keys under at all.
    void DenyRoot(RegRoot root) { denied_.insert(root); }
    // The key and everything below it may only be read, as a standard user may
    // the machine's keys: a full-access open or a create is refused, a read-only
    // open is granted and every write through it is refused. "" is the whole root.
    void ReadOnly(RegRoot root, const std::string& path) { readOnly_.insert({root, Lower(path)}); }
    // Opens that asked for full access and were refused.
    int RefusedOpens() const { return refused_; }
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
    struct KeyId {
        RegRoot root;
        RegView view;
        std::string path;  // lower case
        bool operator<(const KeyId& o) const {
            return std::tie(root, view, path) < std::tie(o.root, o.view, o.path);
        }
    };
    struct Handle {
        KeyId id;
        RegAccess access;
    };

    static std::string Lower(const std::string& text);
    static KeyId Id(RegRoot root, const std::string& path);
    static KeyId Id(RegView view, RegRoot root, const std::string& path);
    bool IsReadOnly(const KeyId& id) const;
    long NewHandle(const KeyId& id, RegAccess access, RegKey* key);
    void MakeKey(const KeyId& id);  // with every missing parent
    Key* Find(RegKey key);
    std::optional<Value> Get(const KeyId& id, const std::string& name) const;
    void PutIn(const KeyId& id, const std::string& name, std::uint32_t type,
               std::vector<std::uint8_t> data);
    bool Writable(RegKey key) const;

    std::map<KeyId, Key> keys_;
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x100;
    std::set<RegRoot> denied_;
    std::set<std::pair<RegRoot, std::string>> readOnly_;  // lower-case paths, in either view
    int refused_ = 0;
    bool failWrites_ = false;
    int writes_ = 0;
    std::vector<std::string> writeLog_;
};

}  // namespace kardello::test
