#include "store/SettingsStore.h"

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

TEST_F(SettingsStoreTest, CreatingStoreMakesTheKeyAndRoundTripsValues) {
    EXPECT_FALSE(registry.KeyExists(kRoot, kKey));
    {
        SettingsStore store(registry, kRoot, kKey);
        ASSERT_TRUE(store.HasKey());
        EXPECT_TRUE(store.WriteNumber("DirectExec", 2));
        EXPECT_TRUE(store.WriteString("APPNAME1", "Fotos"));
        std::uint32_t number = 0;
        std::string text;
        EXPECT_TRUE(store.ReadNumber("directexec", number));  // names are case-insensitive
        EXPECT_TRUE(store.ReadString("APPNAME1", text));
        EXPECT_EQ(number, 2u);
        EXPECT_EQ(text, "Fotos");
        EXPECT_EQ(registry.OpenHandles(), 1u);
    }
    EXPECT_TRUE(registry.KeyExists(kRoot, kKey));
    EXPECT_TRUE(registry.KeyExists(kRoot, "Software\\VARNO"));
    auto number = registry.Get(kRoot, kKey, "DirectExec");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, kRegDword);
    EXPECT_EQ(number->data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    auto text = registry.Get(kRoot, kKey, "APPNAME1");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, kRegSz);
    EXPECT_EQ(text->data, Raw(std::string("Fotos\0", 6)));
}

TEST_F(SettingsStoreTest, FailedNumberReadsLeaveTheCallersValueExactlyAsItWas) {
    registry.Put(kRoot, kKey, "Long", kRegBinary, Raw("12345678"));
    SettingsStore store(registry, kRoot, kKey);
    std::uint32_t value = 0x11223344;
    EXPECT_FALSE(store.ReadNumber("Missing", value));
    EXPECT_EQ(value, 0x11223344u);
    // The registry scribbles over the buffer when the data does not fit.
    EXPECT_FALSE(store.ReadNumber("Long", value));
    EXPECT_EQ(value, 0x11223344u);
}

TEST_F(SettingsStoreTest, NumberReadsTakeRawBytesOfAnyTypeUpToFour) {
    registry.Put(kRoot, kKey, "Two", kRegBinary, {0xAA, 0xBB});
    registry.Put(kRoot, kKey, "Text", kRegSz, Raw(std::string("ab\0", 3)));
    registry.Put(kRoot, kKey, "Empty", kRegBinary, {});
    SettingsStore store(registry, kRoot, kKey);
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
    registry.Put(kRoot, kKey, "Embedded", kRegSz, Raw(std::string("abc\0def\0", 8)));
    registry.Put(kRoot, kKey, "NoNul", kRegSz, Raw("xyz"));
    registry.Put(kRoot, kKey, "Full", kRegSz, Raw(std::string(1024, 'q')));
    registry.Put(kRoot, kKey, "TooLong", kRegSz, Raw(std::string(1025, 'r')));
    registry.Put(kRoot, kKey, "Limit", kRegSz, Raw(std::string(1023, 's') + '\0'));
    SettingsStore store(registry, kRoot, kKey);

    std::string text = "before";
    EXPECT_TRUE(store.ReadString("Embedded", text));
    EXPECT_EQ(text, "abc");
    // Shorter than its predecessor and without a NUL: nothing of the old text survives.
    text = "a much longer text than three";
    EXPECT_TRUE(store.ReadString("NoNul", text));
    EXPECT_EQ(text, "xyz");
    // Exactly the buffer's size without a NUL: all 1024 characters, nothing beyond.
    EXPECT_TRUE(store.ReadString("Full", text));
    EXPECT_EQ(text, std::string(1024, 'q'));
    EXPECT_TRUE(store.ReadString("Limit", text));
    EXPECT_EQ(text, std::string(1023, 's'));

    text = "kept";
    EXPECT_FALSE(store.ReadString("TooLong", text));
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(store.ReadString("Missing", text));
    EXPECT_EQ(text, "kept");
}

TEST_F(SettingsStoreTest, TextWritesStoreTheNulAndStopAtAnEmbeddedOne) {
    {
        SettingsStore store(registry, kRoot, kKey);
        EXPECT_TRUE(store.WriteString("Empty", ""));
        EXPECT_TRUE(store.WriteString("Cut", std::string("ab\0cd", 5)));
        std::string text = "x";
        EXPECT_TRUE(store.ReadString("Empty", text));
        EXPECT_EQ(text, "");
    }
    EXPECT_EQ(registry.Get(kRoot, kKey, "Empty")->data, (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(registry.Get(kRoot, kKey, "Empty")->type, kRegSz);
    EXPECT_EQ(registry.Get(kRoot, kKey, "Cut")->data, (std::vector<std::uint8_t>{'a', 'b', 0}));
}

TEST_F(SettingsStoreTest, OpenExistingNeverCreatesAndReportsTheStatus) {
    SettingsStore missing(registry);
    EXPECT_EQ(missing.OpenExisting(kRoot, "SYSTEM\\Nothing\\Here"), kErrorFileNotFound);
    EXPECT_FALSE(missing.HasKey());
    EXPECT_FALSE(registry.KeyExists(kRoot, "SYSTEM\\Nothing\\Here"));
    std::string text = "default";
    EXPECT_FALSE(missing.ReadString("0", text));
    EXPECT_EQ(text, "default");
    EXPECT_FALSE(missing.WriteString("0", "x"));
    EXPECT_FALSE(registry.KeyExists(kRoot, "SYSTEM\\Nothing\\Here"));

    registry.PutString(kRoot, "SYSTEM\\There", "0", "VRUSBDSK0");
    SettingsStore present(registry);
    EXPECT_EQ(present.OpenExisting(kRoot, "system\\there"), kErrorSuccess);
    EXPECT_TRUE(present.ReadString("0", text));
    EXPECT_EQ(text, "VRUSBDSK0");
    // A second open keeps one key per store and closes the first.
    EXPECT_EQ(present.OpenExisting(kRoot, "SYSTEM\\There"), kErrorSuccess);
    EXPECT_EQ(registry.OpenHandles(), 1u);

    // Another program's key, opened for reading: read, never written, even where the
    // user may write it.
    SettingsStore reading(registry);
    EXPECT_EQ(reading.OpenForReading(kRoot, "SYSTEM\\There"), kErrorSuccess);
    EXPECT_TRUE(reading.ReadString("0", text));
    EXPECT_FALSE(reading.WriteString("0", "changed"));
}

TEST_F(SettingsStoreTest, AStoreWithoutAKeyFailsEverythingAndTouchesNothing) {
    registry.PutString(kRoot, kKey, "CAPTION", "Agent");
    registry.DenyRoot(kRoot);
    SettingsStore store(registry, kRoot, kKey);
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

// A standard user (or an administrator under UAC) may read the machine's keys but is
// refused any open that asks for full access.
TEST_F(SettingsStoreTest, AKeyTheUserMayOnlyReadIsReadButNeverCreatedOrWritten) {
    registry.PutString(kRoot, kKey, "CAPTION", "Agent");
    registry.PutNumber(kRoot, kKey, "DirectExec", 1);
    registry.PutString(kRoot, "SYSTEM\\Driver\\Instance", "0", "VRUSBDSK0");
    registry.ReadOnly(kRoot, "");
    {
        SettingsStore store(registry, kRoot, kKey);
        ASSERT_TRUE(store.HasKey());
        std::string caption;
        std::uint32_t number = 0;
        EXPECT_TRUE(store.ReadString("CAPTION", caption));
        EXPECT_TRUE(store.ReadNumber("DirectExec", number));
        EXPECT_EQ(caption, "Agent");
        EXPECT_EQ(number, 1u);
        EXPECT_FALSE(store.WriteNumber("DirectExec", 0));
        EXPECT_FALSE(store.WriteString("CAPTION", "other"));
    }
    EXPECT_EQ(registry.RefusedOpens(), 1);
    EXPECT_EQ(registry.WriteCount(), 0);
    EXPECT_EQ(*registry.GetNumber(kRoot, kKey, "DirectExec"), 1u);

    // The fallback never creates: a missing key stays missing, and the store has none.
    {
        SettingsStore missing(registry, kRoot, "Software\\VARNO\\VARNO Fotimo");
        EXPECT_FALSE(missing.HasKey());
    }
    EXPECT_FALSE(registry.KeyExists(kRoot, "Software\\VARNO\\VARNO Fotimo"));

    // An existing key opened without creating falls back the same way.
    SettingsStore instances(registry);
    EXPECT_EQ(instances.OpenExisting(kRoot, "SYSTEM\\Driver\\Instance"), kErrorSuccess);
    std::string name;
    EXPECT_TRUE(instances.ReadString("0", name));
    EXPECT_EQ(name, "VRUSBDSK0");
    SettingsStore none(registry);
    EXPECT_EQ(none.OpenExisting(kRoot, "SYSTEM\\Driver\\Gone"), kErrorFileNotFound);
    EXPECT_FALSE(none.HasKey());
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

    // A decoy with other values in the 64-bit view is never read nor written.
    registry.PutString(RegView::Native, kRoot, kKey, "CAPTION", "decoy");
    registry.PutString(RegView::Wow32, kRoot, kKey, "CAPTION", "Agent");
    {
        SettingsStore store(registry, kRoot, kKey);
        std::string caption;
        EXPECT_TRUE(store.ReadString("CAPTION", caption));
        EXPECT_EQ(caption, "Agent");
        EXPECT_TRUE(store.WriteNumber("DirectExec", 1));
    }
    EXPECT_EQ(registry.GetNumber(RegView::Wow32, kRoot, kKey, "DirectExec"), 1u);
    EXPECT_FALSE(registry.GetNumber(RegView::Native, kRoot, kKey, "DirectExec"));
    EXPECT_EQ(registry.GetString(RegView::Native, kRoot, kKey, "CAPTION"), "decoy");
}

TEST_F(SettingsStoreTest, RefusedWritesReportFailureAndLeaveTheOldValue) {
    registry.PutNumber(kRoot, kKey, "DirectExec", 1);
    registry.FailWrites(true);
    SettingsStore store(registry, kRoot, kKey);
    ASSERT_TRUE(store.HasKey());
    EXPECT_FALSE(store.WriteNumber("DirectExec", 0));
    EXPECT_FALSE(store.WriteString("APPNAME1", "x"));
    EXPECT_EQ(*registry.GetNumber(kRoot, kKey, "DirectExec"), 1u);
    EXPECT_FALSE(registry.Get(kRoot, kKey, "APPNAME1"));
}

}  // namespace
}  // namespace kardello
