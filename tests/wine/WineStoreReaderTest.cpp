// The real Win32 store and reader against Wine's registry and the simulated card reader
// driver: the shared scenarios, run once as an NT-family program and once under the
// Windows 95 family version setting (each checks which it got), and what only a real
// registry shows.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "EndToEnd.h"
#include "SimDriverState.h"
#include "platform/win32/Utf16.h"
#include "platform/win32/Win32DeviceIo.h"
#include "platform/win32/Win32SystemInfo.h"
#include "shared/StoreAndReaderScenarios.h"

namespace kardello {
namespace {

using namespace wine;

REGSAM Flag(RegView view) { return view == RegView::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

HKEY Open(RegView view, const char* key, bool create) {
    HKEY opened = nullptr;
    if (create)
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | Flag(view), nullptr, &opened, nullptr);
    else
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | Flag(view), &opened);
    return opened;
}

// The shared scenarios over Wine's registry and the simulated driver; the test key goes
// from both views at the end, and the driver is put back as it was.
struct WineBench {
    WineBench() { Clean(); }
    ~WineBench() { Clean(); }
    void Clean() {
        readOnly.reset();
        for (RegView view : {RegView::Wow32, RegView::Native}) {
            HKEY parent = Open(view, "Software\\VARNO", true);
            RegDeleteTreeA(parent, "Kardello Test");
            RegCloseKey(parent);
        }
        ClearSim();
    }
    bool Family(bool nt) { return (system.PlatformId() == kPlatformWin32Nt) == nt; }
    void List(int k, const std::string& name) { ListInstance(k, name); }
    static std::string Who(int k) { return k < 0 ? "Control" : "Dev" + std::to_string(k); }
    void Reply(int k, const std::vector<std::uint8_t>& bytes) { SetReply(Who(k), bytes); }
    void Fail(int k) { SetFlag(Who(k) + "Fail", 1); }
    void Report(int k, std::uint32_t bytes) { SetFlag(Who(k) + "Report", bytes); }
    void Absent() { SetFlag("Absent", 1); }
    void DeleteInstances() { DeleteInstanceKey(); }

    // Raw values go through the A function, as the program of old wrote them.
    void PutRaw(const char* key, const char* name, std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
        HKEY opened = Open(RegView::Wow32, key, true);
        RegSetValueExA(opened, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
        RegCloseKey(opened);
    }
    void PutText(RegView view, const char* key, const char* name, const std::string& text) {
        HKEY opened = Open(view, key, true);
        const WideString units = Wide(text);
        RegSetValueExW(opened, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(units.c_str()),
                       static_cast<DWORD>((units.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    bool Read(RegView view, const char* key, const char* name, DWORD type, void* data, DWORD size) const {
        HKEY opened = Open(view, key, false);
        DWORD kind = 0;
        const bool read = opened != nullptr && RegQueryValueExW(opened, Wide(name).c_str(), nullptr, &kind,
                                                                static_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
        if (opened != nullptr) RegCloseKey(opened);
        return read && kind == type;
    }
    std::optional<std::string> Text(RegView view, const char* key, const char* name) const {
        wchar_t text[1100] = {};  // room for a NUL after any text the store writes
        if (!Read(view, key, name, REG_SZ, text, sizeof text - sizeof(wchar_t))) return std::nullopt;
        return Narrow(text);
    }
    std::optional<std::uint32_t> Number(RegView view, const char* key, const char* name) const {
        DWORD number = 0;
        if (!Read(view, key, name, REG_DWORD, &number, sizeof number)) return std::nullopt;
        return number;
    }
    bool KeyExists(RegView view, const char* key) const {
        HKEY opened = Open(view, key, false);
        if (opened != nullptr) RegCloseKey(opened);
        return opened != nullptr;
    }
    bool ReadOnly(const char* key) {
        readOnly = std::make_unique<ReadOnlyKey>(HKEY_LOCAL_MACHINE, key);
        return readOnly->Applied();
    }

    Win32Registry registry;
    Win32DeviceIo devices;
    Win32SystemInfo system;
    std::unique_ptr<ReadOnlyKey> readOnly;
};

}  // namespace

namespace scenarios {
INSTANTIATE_TYPED_TEST_SUITE_P(Wine, StoreAndReader, WineBench);
}  // namespace scenarios

namespace {

constexpr const char* kTestKey = "Software\\VARNO\\Kardello Wine Test";

// What only a real registry shows: a program that reads with the A functions in a
// Western code page reads what it always did, one byte per character; any text the
// registry holds, half a pair and characters of any plane included, read and written
// back is the same; and the A variant wants room for the NUL it adds.
TEST(StoreOnWine, OtherProgramsReadWhatTheyAlwaysDidAndAnyTextRoundTrips) {
    Win32Registry registry;
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    {
        RegistryKey store(registry, RegRoot::CurrentUser, kTestKey);
        ASSERT_TRUE(store.HasKey());
        EXPECT_TRUE(store.WriteString("APPNAME1", "Inicialización"));
        EXPECT_TRUE(store.WriteString("Empty", ""));
        EXPECT_TRUE(store.WriteString("DriLetter", "G"));
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    char narrow[32] = {};
    size = sizeof narrow;
    EXPECT_EQ(RegQueryValueExA(key, "DriLetter", nullptr, &type, reinterpret_cast<BYTE*>(narrow), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    EXPECT_STREQ(narrow, "G");
    if (GetACP() == 1252) {
        size = sizeof narrow;
        RegQueryValueExA(key, "APPNAME1", nullptr, &type, reinterpret_cast<BYTE*>(narrow), &size);
        EXPECT_STREQ(narrow, "Inicializaci\xF3n");
    }
    const wchar_t odd[] = {L'F', 0xD83C, 0xDF9E, L' ', 0xDC00, L'\x5199', 0};
    RegSetValueExW(key, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(odd), sizeof odd);
    const std::string full(1024, 'q');
    RegSetValueExA(key, "Full", 0, REG_SZ, reinterpret_cast<const BYTE*>(full.data()), 1024);
    // 348 units as stored, though 1042 bytes as UTF-8: within the limit.
    std::vector<wchar_t> cjk(347, L'\x5199');
    cjk.push_back(0);
    RegSetValueExW(key, L"Cjk", 0, REG_SZ, reinterpret_cast<const BYTE*>(cjk.data()),
                   static_cast<DWORD>(cjk.size() * sizeof(wchar_t)));
    {
        RegistryKey store(registry, RegRoot::CurrentUser, kTestKey);
        std::string text;
        EXPECT_TRUE(store.ReadString("Cjk", text));
        EXPECT_EQ(text.size(), 347u * 3);
        EXPECT_TRUE(store.ReadString("Odd", text));
        EXPECT_TRUE(store.WriteString("Odd", text));
        text = "kept";
        EXPECT_FALSE(store.ReadString("Full", text));
        EXPECT_EQ(text, "kept");
    }
    wchar_t back[16] = {};
    size = sizeof back;
    EXPECT_EQ(RegQueryValueExW(key, L"Odd", nullptr, &type, reinterpret_cast<BYTE*>(back), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof odd);
    EXPECT_EQ(std::memcmp(back, odd, sizeof odd), 0);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
}

}  // namespace
}  // namespace kardello
