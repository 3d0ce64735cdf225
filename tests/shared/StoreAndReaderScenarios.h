#pragma once
// The settings store and the card reader, as any registry and any driver must see them:
// one suite, over the fakes natively and over Wine's registry and the simulated driver.
// A bench has `registry`, `devices` and `system`; Family(nt) makes or confirms the family;
// List, Reply, Fail, Report (unit k is VRUSBDSK<k>, -1 the control device), Absent and
// DeleteInstances set what the driver answers; PutRaw, PutText, Text, Number, KeyExists
// and ReadOnly (true: now only readable) reach the machine's keys in either view.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "device/CardReader.h"
#include "shared/CardBytes.h"
#include "store/RegistryKey.h"

namespace kardello::scenarios {

constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr const char* kKey = "Software\\VARNO\\Kardello Test";

inline std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}
inline std::vector<std::uint8_t> Raw(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

template <class Bench>
class StoreAndReader : public ::testing::Test {
protected:
    // Garbage where a query must zero or fill.
    StoreAndReader() { std::memset(static_cast<void*>(table.data()), 0xAA, sizeof table); }

    const std::uint8_t* Bytes(int index) const { return reinterpret_cast<const std::uint8_t*>(table.data() + index); }
    bool ZeroFrom(int index) const {
        return std::all_of(Bytes(index), Bytes(kMaxCardRecords), [](std::uint8_t b) { return b == 0; });
    }
    void Unit(int k, const std::vector<std::uint8_t>& bytes) {
        bench.List(k, "VRUSBDSK" + std::to_string(k));
        bench.Reply(k, bytes);
    }

    Bench bench;
    CardReader reader{bench.registry, bench.devices, bench.system};
    std::array<CardRecord, kMaxCardRecords> table{};
    int count = kMaxCardRecords;
};
TYPED_TEST_SUITE_P(StoreAndReader);

// ---- The registry ----

TYPED_TEST_P(StoreAndReader, StoreRoundTripsNumbersAndTextsAsWindowsTypes) {
    auto& bench = this->bench;
    {
        RegistryKey store(bench.registry, kRoot, kKey);
        ASSERT_TRUE(store.HasKey());
        EXPECT_TRUE(store.WriteNumber("DirectExec", 2));
        EXPECT_TRUE(store.WriteString("APPNAME1", "Inicialización"));
        EXPECT_TRUE(store.WriteString("Empty", ""));
        EXPECT_TRUE(store.WriteString("Cut", std::string("ab\0cd", 5)));  // ends at the NUL
        std::uint32_t number = 0;
        std::string text;
        EXPECT_TRUE(store.ReadNumber("DIRECTEXEC", number));  // names are case-insensitive
        EXPECT_EQ(number, 2u);
        EXPECT_TRUE(store.ReadString("APPNAME1", text));
        EXPECT_EQ(text, "Inicialización");
        EXPECT_TRUE(store.ReadString("Empty", text));
        EXPECT_EQ(text, "");
    }
    EXPECT_EQ(bench.Number(RegView::Wow32, kKey, "DirectExec"), 2u);
    EXPECT_EQ(bench.Text(RegView::Wow32, kKey, "APPNAME1"), "Inicialización");
    EXPECT_EQ(bench.Text(RegView::Wow32, kKey, "Empty"), "");
    EXPECT_EQ(bench.Text(RegView::Wow32, kKey, "Cut"), "ab");
}

TYPED_TEST_P(StoreAndReader, StoreGivesOddValuesDefinedResults) {
    auto& bench = this->bench;
    bench.PutRaw(kKey, "Almost", kRegSz, Raw(std::string(1023, 'q')));  // no NUL
    bench.PutRaw(kKey, "TooLong", kRegSz, Raw(std::string(1025, 'r')));
    bench.PutRaw(kKey, "Embedded", kRegSz, Raw(std::string("abc\0def\0", 8)));
    bench.PutRaw(kKey, "Eight", kRegBinary, Raw("12345678"));
    RegistryKey store(bench.registry, kRoot, kKey);
    std::string text = "kept";
    EXPECT_FALSE(store.ReadString("TooLong", text));
    EXPECT_FALSE(store.ReadString("Missing", text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(store.ReadString("Almost", text));
    EXPECT_EQ(text, std::string(1023, 'q'));
    EXPECT_TRUE(store.ReadString("Embedded", text));
    EXPECT_EQ(text, "abc");
    // The registry scribbles over the buffer when the data does not fit.
    std::uint32_t number = 0x11223344;
    EXPECT_FALSE(store.ReadNumber("Eight", number));
    EXPECT_FALSE(store.ReadNumber("Missing", number));
    EXPECT_EQ(number, 0x11223344u);

    RegistryKey missing(bench.registry);
    EXPECT_EQ(missing.OpenExisting(kRoot, "Software\\VARNO\\No Such Key"), kErrorFileNotFound);
    EXPECT_FALSE(missing.HasKey());
    EXPECT_FALSE(missing.WriteString("0", "x"));
    EXPECT_FALSE(bench.KeyExists(RegView::Wow32, "Software\\VARNO\\No Such Key"));
}

// The VARNO keys live in the 32-bit view; a decoy in the 64-bit one is never touched.
TYPED_TEST_P(StoreAndReader, StoreKeepsTheVarnoKeysInTheThirtyTwoBitView) {
    auto& bench = this->bench;
    bench.PutText(RegView::Native, kKey, "CAPTION", "decoy");
    bench.PutText(RegView::Wow32, kKey, "CAPTION", "Agent");
    {
        RegistryKey store(bench.registry, kRoot, kKey);
        std::string caption;
        EXPECT_TRUE(store.ReadString("CAPTION", caption));
        EXPECT_EQ(caption, "Agent");
        EXPECT_TRUE(store.WriteNumber("DirectExec", 1));
    }
    EXPECT_EQ(bench.Number(RegView::Wow32, kKey, "DirectExec"), 1u);
    EXPECT_FALSE(bench.Number(RegView::Native, kKey, "DirectExec"));
    EXPECT_EQ(bench.Text(RegView::Native, kKey, "CAPTION"), "decoy");
}

// A standard user (or an administrator under UAC) may read the machine's keys but is
// refused any open that asks for full access: read, never written, nothing made below.
TYPED_TEST_P(StoreAndReader, StoreReadsAKeyTheUserMayOnlyRead) {
    auto& bench = this->bench;
    const std::string below = std::string(kKey) + "\\Sub";
    bench.PutText(RegView::Wow32, kKey, "CAPTION", "Agent");
    ASSERT_TRUE(bench.ReadOnly(kKey));
    {
        RegistryKey store(bench.registry, kRoot, kKey);
        ASSERT_TRUE(store.HasKey());
        std::string caption;
        EXPECT_TRUE(store.ReadString("CAPTION", caption));
        EXPECT_EQ(caption, "Agent");
        EXPECT_FALSE(store.WriteString("CAPTION", "Other"));
        RegistryKey existing(bench.registry);
        EXPECT_EQ(existing.OpenExisting(kRoot, kKey), kErrorSuccess);
        EXPECT_FALSE(existing.WriteNumber("DirectExec", 1));
        RegistryKey reading(bench.registry);
        EXPECT_EQ(reading.OpenForReading(kRoot, kKey), kErrorSuccess);
        EXPECT_FALSE(reading.WriteString("CAPTION", "Other"));
        RegistryKey sub(bench.registry, kRoot, below.c_str());
        EXPECT_FALSE(sub.HasKey());
    }
    EXPECT_EQ(bench.Text(RegView::Wow32, kKey, "CAPTION"), "Agent");
    EXPECT_FALSE(bench.Number(RegView::Wow32, kKey, "DirectExec"));
    EXPECT_FALSE(bench.KeyExists(RegView::Wow32, below.c_str()));
}

// ---- NT family: the instance devices ----

TYPED_TEST_P(StoreAndReader, NtFamilyInstancesArePlacedInOrderWithoutGaps) {
    auto& bench = this->bench;
    ASSERT_TRUE(bench.Family(true));
    this->Unit(0, Cards(1, "A"));
    this->Unit(1, Cards(2, "B"));
    this->Unit(2, {});
    this->Unit(4, Cards(1, "D"));  // "3" is not listed
    bench.List(26, "VRUSBDSK5");   // beyond the table: never asked
    bench.Reply(5, Cards(1, "Z"));
    ASSERT_TRUE(this->reader.EnumerateCards(this->table.data(), this->count));
    EXPECT_EQ(this->count, 4);
    EXPECT_EQ(this->table[0].SerialText(), "A0");
    EXPECT_EQ(this->table[2].SerialText(), "B1");
    EXPECT_EQ(this->table[3].SerialText(), "D0");
    EXPECT_EQ(this->table[3].extendStatus, 0x100);
    EXPECT_EQ(this->table[3].driveLetter, 'E');
    EXPECT_TRUE(this->ZeroFrom(4));
}

TYPED_TEST_P(StoreAndReader, NtFamilyOddRepliesAndFailures) {
    auto& bench = this->bench;
    auto& table = this->table;
    ASSERT_TRUE(bench.Family(true));
    this->Unit(0, Cut(Cards(3, "P"), 40));  // two records and a piece of the third
    bench.List(1, "NOSUCHDEVICE");          // cannot be opened: skipped
    this->Unit(2, Cards(1, "C"));
    ASSERT_TRUE(this->reader.QueryInstanceDevices(table.data(), this->count));
    EXPECT_EQ(this->count, 3);
    EXPECT_EQ(table[2].SerialText(), "C0");  // over the piece

    // One failing unit fails the whole query; what came before it stays.
    bench.Fail(2);
    this->count = kMaxCardRecords;
    EXPECT_FALSE(this->reader.QueryInstanceDevices(table.data(), this->count));
    EXPECT_EQ(this->count, kMaxCardRecords);
    EXPECT_EQ(table[1].SerialText(), "P1");

    bench.DeleteInstances();
    EXPECT_FALSE(this->reader.QueryInstanceDevices(table.data(), this->count));
    EXPECT_EQ(this->count, kMaxCardRecords);
}

// Listed, but no driver answers: no cards.
TYPED_TEST_P(StoreAndReader, NtFamilyWithoutADriverHasNoCards) {
    ASSERT_TRUE(this->bench.Family(true));
    this->bench.Absent();
    this->Unit(0, Cards(1, "A"));
    ASSERT_TRUE(this->reader.QueryInstanceDevices(this->table.data(), this->count));
    EXPECT_EQ(this->count, 0);
    EXPECT_TRUE(this->ZeroFrom(0));
}

TYPED_TEST_P(StoreAndReader, NtFamilyNeverOverrunsTheTableWhateverTheUnitsSay) {
    auto& bench = this->bench;
    ASSERT_TRUE(bench.Family(true));
    for (int k = 0; k < 4; ++k) this->Unit(k, Cards(10, "U" + std::to_string(k)));
    ASSERT_TRUE(this->reader.QueryInstanceDevices(this->table.data(), this->count));
    EXPECT_EQ(this->count, kMaxCardRecords);
    EXPECT_EQ(this->table[25].SerialText(), "U25");  // the third unit's sixth record
    // A caller with a smaller table gets no more than it has room for.
    std::array<CardRecord, 3> small{};
    int smallCount = 3;
    ASSERT_TRUE(this->reader.QueryInstanceDevices(small.data(), smallCount));
    EXPECT_EQ(smallCount, 3);
    EXPECT_EQ(small[2].SerialText(), "U02");

    // A unit reporting more bytes than its buffer: only the buffer's records are taken,
    // and the next unit finds no room.
    this->Unit(0, Cards(2, "R"));
    this->Unit(1, Cards(1, "S"));
    bench.Report(0, 5000);
    this->count = kMaxCardRecords;
    ASSERT_TRUE(this->reader.QueryInstanceDevices(this->table.data(), this->count));
    EXPECT_EQ(this->count, kMaxCardRecords);
    EXPECT_EQ(this->table[1].SerialText(), "R1");
}

// ---- Windows 95 family: the control device ----

TYPED_TEST_P(StoreAndReader, Win95FamilyKeepsAtMostFiveRecords) {
    auto& bench = this->bench;
    ASSERT_TRUE(bench.Family(false));
    bench.Reply(-1, Cards(7, "W"));
    ASSERT_TRUE(this->reader.EnumerateCards(this->table.data(), this->count));
    EXPECT_EQ(this->count, 5);
    EXPECT_EQ(this->table[4].SerialText(), "W4");
    EXPECT_EQ(this->table[1].driveLetter, 'F');
    EXPECT_TRUE(this->ZeroFrom(5));

    // More bytes reported than the buffer holds, or than five records: still five.
    bench.Reply(-1, Cards(30, "X"));
    for (std::uint32_t report : {5000u, 200u}) {
        bench.Report(-1, report);
        this->count = kMaxCardRecords;
        ASSERT_TRUE(this->reader.QueryControlDevice(this->table.data(), this->count));
        EXPECT_EQ(this->count, 5) << report;
        EXPECT_TRUE(this->ZeroFrom(5)) << report;
    }
}

TYPED_TEST_P(StoreAndReader, Win95FamilyOddRepliesAndFailures) {
    auto& bench = this->bench;
    ASSERT_TRUE(bench.Family(false));
    // A trailing piece of a record is copied but not counted.
    const auto partial = Cut(Cards(3, "P"), 40);
    bench.Reply(-1, partial);
    ASSERT_TRUE(this->reader.QueryControlDevice(this->table.data(), this->count));
    EXPECT_EQ(this->count, 2);
    EXPECT_EQ(std::memcmp(this->Bytes(2), partial.data() + 36, 4), 0);
    EXPECT_TRUE(std::all_of(this->Bytes(2) + 4, this->Bytes(3), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(this->ZeroFrom(3));
    // Five whole records and a piece: no more than five whole ones, so all is copied.
    const auto more = Cut(Cards(6, "M"), 100);
    bench.Reply(-1, more);
    this->count = kMaxCardRecords;
    ASSERT_TRUE(this->reader.QueryControlDevice(this->table.data(), this->count));
    EXPECT_EQ(this->count, 5);
    EXPECT_EQ(std::memcmp(this->Bytes(5), more.data() + 90, 10), 0);

    bench.Fail(-1);
    this->count = kMaxCardRecords;
    EXPECT_FALSE(this->reader.QueryControlDevice(this->table.data(), this->count));
    EXPECT_EQ(this->count, kMaxCardRecords);

    bench.Absent();
    std::memset(static_cast<void*>(this->table.data()), 0xAA, sizeof this->table);
    EXPECT_FALSE(this->reader.QueryControlDevice(this->table.data(), this->count));
    EXPECT_EQ(this->count, kMaxCardRecords);
    EXPECT_TRUE(this->ZeroFrom(0));
}

REGISTER_TYPED_TEST_SUITE_P(StoreAndReader, StoreRoundTripsNumbersAndTextsAsWindowsTypes,
                            StoreGivesOddValuesDefinedResults, StoreKeepsTheVarnoKeysInTheThirtyTwoBitView,
                            StoreReadsAKeyTheUserMayOnlyRead, NtFamilyInstancesArePlacedInOrderWithoutGaps,
                            NtFamilyOddRepliesAndFailures, NtFamilyWithoutADriverHasNoCards, NtFamilyNeverOverrunsTheTableWhateverTheUnitsSay,
                            Win95FamilyKeepsAtMostFiveRecords, Win95FamilyOddRepliesAndFailures);

}  // namespace kardello::scenarios
