#pragma once
// The registry as the system sees it: Windows' own status codes and value types,
// so that the portable code makes exactly the decisions it would make on Windows.

#include <cctype>
#include <cstdint>
#include <vector>

namespace kardello {

struct RegKeyTag;
using RegKey = RegKeyTag*;  // null: no key open

enum class RegRoot { LocalMachine, CurrentUser };

// What an open asks for. A user who may only read a machine key is refused a
// full-access open of it, but granted a read-only one.
enum class RegAccess { All, Read };

// Which view of the registry a key is opened in.
enum class RegView { Native, Wow32 };

// The one rule for views: the VARNO keys under the machine's Software live in the
// 32-bit view, where the 32-bit photo application and installers keep them, for
// both builds. The current user's keys and the machine's SYSTEM are not redirected.
inline RegView ViewOf(RegRoot root, const char* subkey) {
    if (root != RegRoot::LocalMachine || subkey == nullptr) return RegView::Native;
    const char* prefix = "software\\varno";
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(subkey[i])) != prefix[i]) return RegView::Native;
    }
    return subkey[i] == '\0' || subkey[i] == '\\' ? RegView::Wow32 : RegView::Native;
}

// Windows status codes the system looks at.
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// A value as the registry holds it: its type and every byte, text as the UTF-16
// units Windows stores (an odd last byte, embedded NULs and a missing terminator
// included). Nothing is converted either way.
struct RegValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Every key is opened in the view ViewOf gives it. Key and value names are UTF-8.
    // RegCreateKeyExW with KEY_ALL_ACCESS, non-volatile: creates the key when missing.
    virtual long CreateKey(RegRoot root, const char* subkey, RegKey* key) = 0;
    // RegOpenKeyExW with KEY_ALL_ACCESS or KEY_READ: never creates.
    virtual long OpenKey(RegRoot root, const char* subkey, RegAccess access, RegKey* key) = 0;
    // RegQueryValueExW. On entry *size is the room in data; on return it is the
    // value's size. Larger data gives kErrorMoreData. Text values (REG_SZ, REG_EXPAND_SZ,
    // REG_MULTI_SZ) come as UTF-8, with every unit the registry holds (their terminator
    // when they were stored with one, none when not); their size is the UTF-8 size.
    virtual long QueryValue(RegKey key, const char* name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExW; text values are given as UTF-8, terminator included.
    virtual long SetValue(RegKey key, const char* name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    // RegQueryValueExW and RegSetValueExW with the value exactly as stored, of any size.
    virtual long QueryRawValue(RegKey key, const char* name, RegValue& value) = 0;
    virtual long SetRawValue(RegKey key, const char* name, const RegValue& value) = 0;
    // RegDeleteValueW; used by tools and tests, never by the agent.
    virtual long DeleteValue(RegKey key, const char* name) = 0;
    virtual long CloseKey(RegKey key) = 0;
};

}  // namespace kardello
