// The real Win32 store and reader against Wine's registry and the simulated
// card reader driver. Run once as an NT-family program and once under the
// Windows 95 family version setting; each family's suite checks which it got.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "EndToEnd.h"
#include "SimDriverState.h"
#include "device/CardReader.h"
#include "platform/win32/Win32DeviceIo.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"
#include "store/SettingsStore.h"

namespace kardello {
namespace {

using namespace wine;

constexpr const char* kTestKey = "Software\\VARNO\\Kardello Wine Test";

class ReaderOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSim();
        std::memset(table.data(), 0xAA, sizeof(CardRecord) * table.size());
    }
    void TearDown() override { ClearSim(); }

    // Instance device k listed as value k, answering `records`.
    void Unit(int k, const std::vector<CardRecord>& records) {
        ListInstance(k, "VRUSBDSK" + std::to_string(k));
        SetReply("Dev" + std::to_string(k), Bytes(records));
    }
    bool ZeroFrom(int index) const {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(table.data());
        for (std::size_t i = index * sizeof(CardRecord); i < sizeof(CardRecord) * table.size(); ++i)
            if (bytes[i] != 0) return false;
        return true;
    }

    Win32Registry registry;
    Win32DeviceIo devices;
    Win32SystemInfo system;
    CardReader reader{registry, devices, system};
    std::array<CardRecord, kMaxCardRecords> table{};
    int count = kMaxCardRecords;
};

std::vector<CardRecord> Cards(int n, const std::string& prefix) {
    std::vector<CardRecord> records;
    for (int i = 0; i < n; ++i)
        records.push_back(Card(1, prefix + std::to_string(i), static_cast<char>('E' + i % 20),
                               static_cast<std::uint16_t>(0x100 + i)));
    return records;
}

// ---- The registry ----

TEST(StoreOnWine, ValuesRoundTripWithWindowsSemantics) {
    Win32Registry registry;
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    {
        SettingsStore store(registry, RegRoot::CurrentUser, kTestKey);
        ASSERT_TRUE(store.HasKey());
        EXPECT_TRUE(store.WriteNumber("DirectExec", 2));
        EXPECT_TRUE(store.WriteString("APPNAME1", "Inicialización"));
        EXPECT_TRUE(store.WriteString("Empty", ""));
        std::uint32_t number = 0;
        std::string text;
        EXPECT_TRUE(store.ReadNumber("DIRECTEXEC", number));
        EXPECT_EQ(number, 2u);
        EXPECT_TRUE(store.ReadString("APPNAME1", text));
        EXPECT_EQ(text, "Inicialización");
        EXPECT_TRUE(store.ReadString("Empty", text));
        EXPECT_EQ(text, "");
        EXPECT_TRUE(store.WriteString("DriLetter", "G"));
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(RegQueryValueExA(key, "DirectExec", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    // A program that reads with the A functions in a Western code page reads what it
    // always did: one letter and its terminator, one byte per character.
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
    // Whatever the registry holds, half a pair and characters of any plane included,
    // read and written back unchanged is the same bytes.
    const wchar_t odd[] = {L'F', 0xD83C, 0xDF9E, L' ', 0xDC00, L'\x5199', 0};
    RegSetValueExW(key, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(odd), sizeof odd);
    {
        SettingsStore store(registry, RegRoot::CurrentUser, kTestKey);
        std::string text;
        EXPECT_TRUE(store.ReadString("Odd", text));
        EXPECT_TRUE(store.WriteString("Odd", text));
    }
    wchar_t back[16] = {};
    size = sizeof back;
    EXPECT_EQ(RegQueryValueExW(key, L"Odd", nullptr, &type, reinterpret_cast<BYTE*>(back), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof odd);
    EXPECT_EQ(std::memcmp(back, odd, sizeof odd), 0);
    RegCloseKey(key);
}

// The real registry's answers to the two rules: the VARNO keys in the 32-bit view,
// and a key this user may only read opened read-only.
TEST(StoreOnWine, VarnoKeysAreInTheThirtyTwoBitViewAndAReadOnlyKeyIsStillRead) {
    const char* key = "Software\\VARNO\\Kardello Wine Test";
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, 0);
    Win32Registry registry;
    {
        SettingsStore store(registry, RegRoot::LocalMachine, key);
        ASSERT_TRUE(store.HasKey());
        EXPECT_TRUE(store.WriteString("CAPTION", "Agent"));
    }
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_32KEY, &opened), ERROR_SUCCESS);
    RegCloseKey(opened);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_64KEY, &opened),
              ERROR_FILE_NOT_FOUND);
    {
        ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, key);
        ASSERT_TRUE(readOnly.Applied());
        SettingsStore store(registry, RegRoot::LocalMachine, key);
        ASSERT_TRUE(store.HasKey());
        std::string caption;
        EXPECT_TRUE(store.ReadString("CAPTION", caption));
        EXPECT_EQ(caption, "Agent");
        EXPECT_FALSE(store.WriteString("CAPTION", "Other"));
        SettingsStore existing(registry);
        EXPECT_EQ(existing.OpenExisting(RegRoot::LocalMachine, key), ERROR_SUCCESS);
        EXPECT_FALSE(existing.WriteNumber("DirectExec", 1));
        // A missing key below one this user may only read is not created.
        SettingsStore below(registry, RegRoot::LocalMachine, "Software\\VARNO\\Kardello Wine Test\\Sub");
        EXPECT_FALSE(below.HasKey());
    }
    std::string caption;
    SettingsStore after(registry, RegRoot::LocalMachine, key);
    EXPECT_TRUE(after.ReadString("CAPTION", caption));
    EXPECT_EQ(caption, "Agent");
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
}

TEST(StoreOnWine, OddValuesGiveDefinedResults) {
    Win32Registry registry;
    SettingsStore store(registry, RegRoot::CurrentUser, kTestKey);
    ASSERT_TRUE(store.HasKey());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const std::string full(1024, 'q');
    const std::string longer(1025, 'r');
    const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    RegSetValueExA(key, "Full", 0, REG_SZ, reinterpret_cast<const BYTE*>(full.data()), 1024);
    RegSetValueExA(key, "Almost", 0, REG_SZ, reinterpret_cast<const BYTE*>(full.data()), 1023);
    RegSetValueExA(key, "TooLong", 0, REG_SZ, reinterpret_cast<const BYTE*>(longer.data()), 1025);
    RegSetValueExA(key, "Eight", 0, REG_BINARY, eight, 8);
    RegSetValueExA(key, "Embedded", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 6);
    RegCloseKey(key);

    // Wine's A-variant wants room for the NUL it adds: 1024 bytes without one do not
    // fit, and the read fails cleanly. One byte less is read whole.
    std::string text = "kept";
    EXPECT_FALSE(store.ReadString("Full", text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(store.ReadString("Almost", text));
    EXPECT_EQ(text, std::string(1023, 'q'));
    text = "kept";
    EXPECT_FALSE(store.ReadString("TooLong", text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(store.ReadString("Embedded", text));
    EXPECT_EQ(text, "ab");
    std::uint32_t number = 77;
    EXPECT_FALSE(store.ReadNumber("Eight", number));
    EXPECT_EQ(number, 77u);
    EXPECT_FALSE(store.ReadNumber("Missing", number));
    EXPECT_EQ(number, 77u);

    SettingsStore missing(registry);
    EXPECT_EQ(missing.OpenExisting(RegRoot::CurrentUser, "Software\\VARNO\\No Such Key"),
              kErrorFileNotFound);
    EXPECT_FALSE(missing.HasKey());
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
}

// ---- NT family: instance devices ----

TEST_F(ReaderOnWine, NtFamilyInstancesPlacedWithoutGaps) {
    ASSERT_TRUE(reader.IsNtFamily()) << "this suite must run as an NT-family program";
    Unit(0, Cards(1, "A"));
    Unit(1, Cards(2, "B"));
    Unit(3, Cards(1, "D"));  // "2" is not listed
    ASSERT_TRUE(reader.EnumerateCards(table.data(), count));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(table[0].SerialText(), "A0");
    EXPECT_EQ(table[2].SerialText(), "B1");
    EXPECT_EQ(table[3].SerialText(), "D0");
    EXPECT_EQ(table[3].extendStatus, 0x100);
    EXPECT_EQ(table[3].driveLetter, 'E');
    EXPECT_TRUE(ZeroFrom(4));
}

TEST_F(ReaderOnWine, NtFamilyOddRepliesAndFailures) {
    ASSERT_TRUE(reader.IsNtFamily());
    auto partial = Bytes(Cards(3, "P"));
    partial.resize(40);
    ListInstance(0, "VRUSBDSK0");
    SetReply("Dev0", partial);
    ListInstance(1, "NOSUCHDEVICE");  // cannot be opened: skipped
    Unit(2, Cards(1, "C"));
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(table[2].SerialText(), "C0");

    SetFlag("Dev2Fail", 1);
    count = kMaxCardRecords;
    EXPECT_FALSE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_EQ(table[1].SerialText(), "P1");

    DeleteInstanceKey();
    EXPECT_FALSE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
}

TEST_F(ReaderOnWine, NtFamilyMoreThanTheTableHolds) {
    ASSERT_TRUE(reader.IsNtFamily());
    for (int k = 0; k < 4; ++k) Unit(k, Cards(10, "U" + std::to_string(k)));
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_EQ(table[25].SerialText(), "U25");
}

TEST_F(ReaderOnWine, NtFamilyNoDriver) {
    ASSERT_TRUE(reader.IsNtFamily());
    Unit(0, Cards(1, "A"));
    SetFlag("Absent", 1);  // every open fails, as without a driver
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(ZeroFrom(0));
}

TEST_F(ReaderOnWine, NtFamilyDriverReportingMoreThanItsBuffer) {
    ASSERT_TRUE(reader.IsNtFamily());
    Unit(0, Cards(2, "R"));
    SetFlag("Dev0Report", 5000);
    // Wine hands the inflated count on; only the buffer's 26 records are taken.
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
}

// ---- Windows 95 family: the control device ----

TEST_F(ReaderOnWine, Win95FamilyKeepsFiveRecords) {
    ASSERT_FALSE(reader.IsNtFamily()) << "this suite must run under the win98 version setting";
    SetReply("Control", Bytes(Cards(7, "W")));
    ASSERT_TRUE(reader.EnumerateCards(table.data(), count));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(table[4].SerialText(), "W4");
    EXPECT_TRUE(ZeroFrom(5));
}

TEST_F(ReaderOnWine, Win95FamilyOddRepliesAndFailures) {
    ASSERT_FALSE(reader.IsNtFamily());
    auto partial = Bytes(Cards(3, "P"));
    partial.resize(40);
    SetReply("Control", partial);
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::memcmp(&table[2], partial.data() + 36, 4), 0);
    const auto* third = reinterpret_cast<const std::uint8_t*>(&table[2]);
    for (std::size_t b = 4; b < sizeof(CardRecord); ++b) EXPECT_EQ(third[b], 0) << b;
    EXPECT_TRUE(ZeroFrom(3));

    SetFlag("ControlFail", 1);
    count = kMaxCardRecords;
    EXPECT_FALSE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);

    SetFlag("ControlFail", 0);
    SetFlag("Absent", 1);
    EXPECT_FALSE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_TRUE(ZeroFrom(0));
}

TEST_F(ReaderOnWine, Win95FamilyDriverReportingMoreThanItsBuffer) {
    ASSERT_FALSE(reader.IsNtFamily());
    SetReply("Control", Bytes(Cards(30, "X")));
    SetFlag("ControlReport", 5000);
    // Wine hands the inflated count on; the buffer's bytes, then the cap of five.
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(ZeroFrom(5));
    SetFlag("ControlReport", 200);  // within the buffer, more than five records
    count = kMaxCardRecords;
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(ZeroFrom(5));
}

}  // namespace
}  // namespace kardello
