#include "store/RegistryKey.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fakes/FakeDevices.h"
#include "fakes/FakeRegistry.h"
#include "shared/StoreAndReaderScenarios.h"
#include "store/DriverInstanceKey.h"

namespace kardello {
namespace {

using test::FakeDevices;
using test::FakeRegistry;
using test::FakeSystemInfo;

// The shared store and reader scenarios over the fakes; every handle closed at the end.
struct FakeBench {
    ~FakeBench() {
        EXPECT_EQ(devices.OpenHandles(), 0u) << "a device handle was left open";
        EXPECT_EQ(devices.BadCloses(), 0);
        EXPECT_EQ(registry.OpenHandles(), 0u) << "a registry key was left open";
    }
    static std::string Path(int k) {
        return k < 0 ? "\\\\.\\VRUSBMSC" : "\\\\.\\VRUSBDSK" + std::to_string(k);
    }
    bool Family(bool nt) {
        system.platformId = nt ? kPlatformWin32Nt : kPlatformWin32Windows;
        return true;
    }
    void List(int k, const std::string& name) {
        registry.PutString(schema::kDriverInstanceRoot, schema::kDriverInstanceKey, std::to_string(k), name);
    }
    void Reply(int k, const std::vector<std::uint8_t>& bytes) {
        if (!absent) devices.Add(Path(k), k < 0 ? CardReader::kControlCode : CardReader::kInstanceCode).reply = bytes;
    }
    void Fail(int k) { devices.Find(Path(k))->fail = true; }
    void Report(int k, std::uint32_t bytes) { devices.Find(Path(k))->report = bytes; }
    void Absent() {
        absent = true;
        for (int k = -1; k < 8; ++k) devices.RemoveDevice(Path(k));
    }
    void DeleteInstances() { registry.RemoveKey(schema::kDriverInstanceRoot, schema::kDriverInstanceKey); }

    void PutRaw(const char* key, const char* name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
        registry.Put(scenarios::kRoot, key, name, type, std::move(bytes));
    }
    void PutText(RegView view, const char* key, const char* name, const std::string& text) {
        registry.PutString(view, scenarios::kRoot, key, name, text);
    }
    std::optional<std::string> Text(RegView view, const char* key, const char* name) const {
        return registry.GetString(view, scenarios::kRoot, key, name);
    }
    std::optional<std::uint32_t> Number(RegView view, const char* key, const char* name) const {
        return registry.GetNumber(view, scenarios::kRoot, key, name);
    }
    bool KeyExists(RegView view, const char* key) const { return registry.KeyExists(view, scenarios::kRoot, key); }
    bool ReadOnly(const char* key) {
        registry.ReadOnly(scenarios::kRoot, key);
        return true;
    }

    FakeRegistry registry;
    FakeDevices devices;
    FakeSystemInfo system;
    bool absent = false;
};

}  // namespace

namespace scenarios {
INSTANTIATE_TYPED_TEST_SUITE_P(Fakes, StoreAndReader, FakeBench);
}  // namespace scenarios

namespace {

constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr const char* kKey = "Software\\VARNO\\VARNO Kardello";

std::vector<std::uint8_t> Raw(const std::string& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(registry.OpenHandles(), 0u) << "a key was left open"; }
    FakeRegistry registry;
};

TEST_F(SettingsStoreTest, NumberReadsTakeRawBytesOfAnyTypeUpToFour) {
    registry.Put(kRoot, kKey, "Two", kRegBinary, {0xAA, 0xBB});
    registry.Put(kRoot, kKey, "Text", kRegSz, Raw(std::string("ab\0", 3)));
    registry.Put(kRoot, kKey, "Empty", kRegBinary, {});
    RegistryKey store(registry, kRoot, kKey);
    std::uint32_t value = 0x11223344;
    EXPECT_TRUE(store.ReadNumber("Two", value));
    EXPECT_EQ(value, 0x1122BBAAu);  // only the bytes the value has are replaced
    EXPECT_TRUE(store.ReadNumber("Text", value));
    EXPECT_EQ(value, 0x11006261u);
    value = 7;
    EXPECT_TRUE(store.ReadNumber("Empty", value));
    EXPECT_EQ(value, 7u);
}

TEST_F(SettingsStoreTest, TextReadsStopAtTheFirstNulAndNeverPastTheData) {
    registry.Put(kRoot, kKey, "NoNul", kRegSz, Raw("xyz"));
    registry.Put(kRoot, kKey, "Full", kRegSz, Raw(std::string(1024, 'q')));
    registry.Put(kRoot, kKey, "Limit", kRegSz, Raw(std::string(1023, 's') + '\0'));
    RegistryKey store(registry, kRoot, kKey);

    // Shorter than its predecessor and without a NUL: nothing of the old text survives.
    std::string text = "a much longer text than three";
    EXPECT_TRUE(store.ReadString("NoNul", text));
    EXPECT_EQ(text, "xyz");
    // Exactly the buffer's size without a NUL: all 1024 characters, nothing beyond.
    EXPECT_TRUE(store.ReadString("Full", text));
    EXPECT_EQ(text, std::string(1024, 'q'));
    EXPECT_TRUE(store.ReadString("Limit", text));
    EXPECT_EQ(text, std::string(1023, 's'));
}

// The limit counts UTF-16 units, as Windows stores the text, not its UTF-8 bytes: two
// for a character beyond U+FFFF, the terminator when it is stored.
TEST_F(SettingsStoreTest, TextLimitIsOneThousandAndTwentyFourUnitsAsWindowsStoresThem) {
    std::string cjk, accents, emoji;
    for (int i = 0; i < 347; ++i) cjk += "\xE5\x86\x99";     // 1041 bytes, 347 units
    for (int i = 0; i < 1024; ++i) accents += "\xC3\xA9";    // 2048 bytes, 1024 units
    for (int i = 0; i < 512; ++i) emoji += "\xF0\x9F\x93\xB7";  // 2048 bytes, 1024 units
    registry.PutString(kRoot, kKey, "Cjk", cjk);
    registry.Put(kRoot, kKey, "Accents", kRegSz, Raw(accents));
    registry.Put(kRoot, kKey, "Emoji", kRegSz, Raw(emoji));
    registry.PutString(kRoot, kKey, "EmojiNul", emoji);  // one unit over
    registry.Put(kRoot, kKey, "Over", kRegSz, Raw(std::string(1025, 'o')));
    registry.Put(kRoot, kKey, "Huge", kRegSz, Raw(std::string(64 * 1024, 'h')));
    RegistryKey store(registry, kRoot, kKey);
    std::string text;
    EXPECT_TRUE(store.ReadString("Cjk", text));
    EXPECT_EQ(text, cjk);
    EXPECT_TRUE(store.ReadString("Accents", text));
    EXPECT_EQ(text, accents);
    EXPECT_TRUE(store.ReadString("Emoji", text));
    EXPECT_EQ(text, emoji);
    text = "kept";
    for (const char* name : {"EmojiNul", "Over", "Huge"}) {
        EXPECT_FALSE(store.ReadString(name, text)) << name;
        EXPECT_EQ(text, "kept") << name;
    }
}

TEST_F(SettingsStoreTest, OpenExistingNeverCreatesAndReportsTheStatus) {
    RegistryKey missing(registry);
    EXPECT_EQ(missing.OpenExisting(kRoot, "SYSTEM\\Nothing\\Here"), kErrorFileNotFound);
    EXPECT_FALSE(missing.HasKey());
    EXPECT_FALSE(registry.KeyExists(kRoot, "SYSTEM\\Nothing\\Here"));
    std::string text = "default";
    EXPECT_FALSE(missing.ReadString("0", text));
    EXPECT_EQ(text, "default");
    EXPECT_FALSE(missing.WriteString("0", "x"));
    EXPECT_FALSE(registry.KeyExists(kRoot, "SYSTEM\\Nothing\\Here"));

    registry.PutString(kRoot, "SYSTEM\\There", "0", "VRUSBDSK0");
    RegistryKey present(registry);
    EXPECT_EQ(present.OpenExisting(kRoot, "system\\there"), kErrorSuccess);
    EXPECT_TRUE(present.ReadString("0", text));
    EXPECT_EQ(text, "VRUSBDSK0");
    // A second open keeps one key per store and closes the first.
    EXPECT_EQ(present.OpenExisting(kRoot, "SYSTEM\\There"), kErrorSuccess);
    EXPECT_EQ(registry.OpenHandles(), 1u);
}

// Another program's key, opened for reading: read, never written, even where the user
// may write it.
TEST_F(SettingsStoreTest, AnotherProgramsKeyIsOnlyRead) {
    registry.PutString(kRoot, "SYSTEM\\There", "0", "VRUSBDSK0");
    RegistryKey reading(registry);
    std::string text;
    EXPECT_EQ(reading.OpenForReading(kRoot, "SYSTEM\\There"), kErrorSuccess);
    EXPECT_TRUE(reading.ReadString("0", text));
    EXPECT_FALSE(reading.WriteString("0", "changed"));
    EXPECT_EQ(registry.GetString(kRoot, "SYSTEM\\There", "0"), "VRUSBDSK0");
}

// Stored as Windows stores them: a number's four bytes, a text with its NUL; the
// parents made on the way.
TEST_F(SettingsStoreTest, WritesStoreTheBytesWindowsWould) {
    {
        RegistryKey store(registry, kRoot, kKey);
        EXPECT_TRUE(store.WriteNumber("DirectExec", 2));
        EXPECT_TRUE(store.WriteString("Empty", ""));
    }
    EXPECT_TRUE(registry.KeyExists(kRoot, "Software\\VARNO"));
    EXPECT_EQ(registry.Get(kRoot, kKey, "DirectExec")->data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(registry.Get(kRoot, kKey, "Empty")->data, (std::vector<std::uint8_t>{0}));

    // A raw read gives the value as stored, of any type and size; a raw write puts it
    // back exactly. A missing value is told apart and leaves the caller's alone.
    const RegValue odd{kRegExpandSz, std::vector<std::uint8_t>(70000, 'x')};
    registry.Put(kRoot, kKey, "Odd", odd.type, odd.data);
    RegistryKey store(registry, kRoot, kKey);
    RegValue read{kRegBinary, {1}};
    EXPECT_EQ(store.ReadRaw("Missing", read), kErrorFileNotFound);
    EXPECT_EQ(read.data, (std::vector<std::uint8_t>{1}));
    EXPECT_EQ(store.ReadRaw("Odd", read), kErrorSuccess);
    EXPECT_EQ(read.type, kRegExpandSz);
    EXPECT_EQ(read.data, odd.data);
    EXPECT_TRUE(store.WriteRaw("Copy", read));
    EXPECT_TRUE(store.WriteRaw("Nothing", RegValue{kRegSz, {}}));
    EXPECT_EQ(registry.Get(kRoot, kKey, "Copy")->type, kRegExpandSz);
    EXPECT_EQ(registry.Get(kRoot, kKey, "Copy")->data, odd.data);
    EXPECT_TRUE(registry.Get(kRoot, kKey, "Nothing")->data.empty());
    RegistryKey none(registry);
    EXPECT_NE(none.ReadRaw("Odd", read), kErrorFileNotFound) << "no key is no missing value";
    EXPECT_FALSE(none.WriteRaw("Odd", read));
}

TEST_F(SettingsStoreTest, AStoreWithoutAKeyFailsEverythingAndTouchesNothing) {
    registry.PutString(kRoot, kKey, "CAPTION", "Agent");
    registry.DenyRoot(kRoot);
    RegistryKey store(registry, kRoot, kKey);
    EXPECT_FALSE(store.HasKey());
    std::string caption = "none";
    std::uint32_t number = 9;
    EXPECT_FALSE(store.ReadString("CAPTION", caption));
    EXPECT_FALSE(store.ReadNumber("DirectExec", number));
    EXPECT_FALSE(store.WriteNumber("DirectExec", 0));
    EXPECT_FALSE(store.WriteString("CAPTION", "other"));
    EXPECT_EQ(caption, "none");
    EXPECT_EQ(number, 9u);
    EXPECT_EQ(registry.WriteCount(), 0);
    EXPECT_EQ(*registry.GetString(kRoot, kKey, "CAPTION"), "Agent");
}

TEST_F(SettingsStoreTest, TheVarnoKeysAreInTheThirtyTwoBitViewAndNothingElseIsRedirected) {
    EXPECT_EQ(ViewOf(kRoot, "Software\\VARNO\\VARNO Kardello"), RegView::Wow32);
    EXPECT_EQ(ViewOf(kRoot, "software\\varno\\VARNO Fotimo"), RegView::Wow32);
    EXPECT_EQ(ViewOf(kRoot, "Software\\VARNO"), RegView::Wow32);
    EXPECT_EQ(ViewOf(kRoot, "Software\\VARNOS\\Other"), RegView::Native);
    EXPECT_EQ(ViewOf(kRoot, "Software\\VAR"), RegView::Native);  // shorter than the rule
    EXPECT_EQ(ViewOf(kRoot, "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Instance"),
              RegView::Native);
    EXPECT_EQ(ViewOf(RegRoot::CurrentUser, "Software\\VARNO\\VARNO Kardello"), RegView::Native);
    EXPECT_EQ(ViewOf(kRoot, ""), RegView::Native);
    EXPECT_EQ(ViewOf(kRoot, nullptr), RegView::Native);
}

TEST_F(SettingsStoreTest, RefusedWritesReportFailureAndLeaveTheOldValue) {
    registry.PutNumber(kRoot, kKey, "DirectExec", 1);
    registry.FailWrites(true);
    RegistryKey store(registry, kRoot, kKey);
    ASSERT_TRUE(store.HasKey());
    EXPECT_FALSE(store.WriteNumber("DirectExec", 0));
    EXPECT_FALSE(store.WriteString("APPNAME1", "x"));
    EXPECT_EQ(*registry.GetNumber(kRoot, kKey, "DirectExec"), 1u);
    EXPECT_FALSE(registry.Get(kRoot, kKey, "APPNAME1"));
}

}  // namespace
}  // namespace kardello
