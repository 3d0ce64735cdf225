#include "store/RegistryKey.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fakes/FakeRegistry.h"

namespace kardello {
namespace {

using test::FakeRegistry;

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
