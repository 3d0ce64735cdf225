#include "device/CardReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "fakes/FakeDevices.h"
#include "fakes/FakeRegistry.h"
#include "store/RegistrySchema.h"

namespace kardello {
namespace {

using test::Bytes;
using test::FakeDevices;
using test::FakeRegistry;
using test::FakeSystemInfo;
using test::MakeRecord;

constexpr const char* kControl = "\\\\.\\VRUSBMSC";

class CardReaderTest : public ::testing::Test {
protected:
    CardReaderTest() {
        // Garbage where the query must zero or fill.
        std::memset(table.data(), 0xAA, sizeof(CardRecord) * table.size());
    }
    void TearDown() override {
        EXPECT_EQ(devices.OpenHandles(), 0u) << "a device handle was left open";
        EXPECT_EQ(devices.BadCloses(), 0);
        EXPECT_EQ(registry.OpenHandles(), 0u) << "a registry key was left open";
    }

    void ListInstance(int index, const std::string& name) {
        registry.PutString(schema::kDriverInstanceRoot, schema::kDriverInstanceKey,
                           std::to_string(index), name);
    }
    // Instance device `name` answering `records`, listed under value `index`.
    void Instance(int index, const std::string& name, const std::vector<CardRecord>& records) {
        ListInstance(index, name);
        devices.Answer("\\\\.\\" + name, CardReader::kInstanceCode, records);
    }
    const std::uint8_t* Raw(int index) const {
        return reinterpret_cast<const std::uint8_t*>(&table[index]);
    }
    bool AllZero(int from, int to) const {
        for (int i = from; i < to; ++i)
            for (std::size_t b = 0; b < sizeof(CardRecord); ++b)
                if (Raw(i)[b] != 0) return false;
        return true;
    }

    FakeRegistry registry;
    FakeDevices devices;
    FakeSystemInfo system;
    CardReader reader{registry, devices, system};
    std::array<CardRecord, kMaxCardRecords> table{};
    int count = kMaxCardRecords;
};

std::vector<CardRecord> Cards(int n, const std::string& prefix = "SN") {
    std::vector<CardRecord> records;
    for (int i = 0; i < n; ++i)
        records.push_back(MakeRecord(1, prefix + std::to_string(i), static_cast<char>('E' + i),
                                     static_cast<std::uint16_t>(i)));
    return records;
}

// ---- Windows 95 family: the control device ----

TEST_F(CardReaderTest, ControlDeviceIsAskedExactlyAsTheDriverExpects) {
    devices.Answer(kControl, CardReader::kControlCode, Cards(2));
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 2);
    ASSERT_EQ(devices.Opens().size(), 1u);
    EXPECT_EQ(devices.Opens()[0].path, kControl);
    EXPECT_EQ(devices.Opens()[0].access, 0xC0000000u);
    EXPECT_EQ(devices.Opens()[0].share, 3u);
    EXPECT_EQ(devices.Opens()[0].disposition, 3u);
    ASSERT_EQ(devices.Calls().size(), 1u);
    EXPECT_EQ(devices.Calls()[0].code, 1u);
    EXPECT_EQ(devices.Calls()[0].outSize, 468u);
    EXPECT_EQ(table[1].SerialText(), "SN1");
    EXPECT_EQ(table[1].driveLetter, 'F');
    EXPECT_TRUE(AllZero(2, kMaxCardRecords));
}

TEST_F(CardReaderTest, ControlDeviceKeepsAtMostFiveRecords) {
    devices.Answer(kControl, CardReader::kControlCode, Cards(7));
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(table[4].SerialText(), "SN4");
    EXPECT_TRUE(AllZero(5, kMaxCardRecords));
}

TEST_F(CardReaderTest, ControlDeviceCopiesATrailingPartialRecordWithoutCountingIt) {
    auto reply = Bytes(Cards(3));
    reply.resize(40);  // two records and four bytes of the third
    devices.Add(kControl, CardReader::kControlCode).reply = reply;
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::memcmp(Raw(2), reply.data() + 36, 4), 0);
    EXPECT_EQ(Raw(2)[4], 0);
    EXPECT_TRUE(AllZero(3, kMaxCardRecords));

    // Five whole records and ten bytes: not more than five whole ones, so all is copied.
    reply = Bytes(Cards(6));
    reply.resize(100);
    devices.Add(kControl, CardReader::kControlCode).reply = reply;
    count = kMaxCardRecords;
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(std::memcmp(Raw(5), reply.data() + 90, 10), 0);
}

TEST_F(CardReaderTest, ControlDeviceFailuresLeaveTheCountAndReportFalse) {
    // No driver: the open fails.
    EXPECT_FALSE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_TRUE(AllZero(0, kMaxCardRecords));
    EXPECT_TRUE(devices.Calls().empty());

    devices.Answer(kControl, CardReader::kControlCode, Cards(2));
    devices.Find(kControl)->fail = true;
    EXPECT_FALSE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_TRUE(AllZero(0, kMaxCardRecords));
}

TEST_F(CardReaderTest, ByteCountsBeyondTheBufferAreNotTrusted) {
    devices.Answer(kControl, CardReader::kControlCode, Cards(3));
    devices.Find(kControl)->report = 100000;
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    EXPECT_EQ(count, 5);  // the cap still holds; nothing read past the reply buffer

    Instance(0, "VRUSBDSK0", Cards(2, "A"));
    Instance(1, "VRUSBDSK1", Cards(1, "B"));
    devices.Find("\\\\.\\VRUSBDSK0")->report = 0xFFFFFFFFu;
    count = kMaxCardRecords;
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);  // the table is full; the next instance has no room
    EXPECT_EQ(table[1].SerialText(), "A1");
}

// ---- NT family: the instance devices ----

TEST_F(CardReaderTest, InstancesAreAskedInOrderAndPlacedWithoutGaps) {
    Instance(0, "VRUSBDSK0", Cards(1, "A"));
    Instance(1, "VRUSBDSK1", Cards(2, "B"));
    Instance(2, "VRUSBDSK2", {});
    Instance(4, "VRUSBDSK4", Cards(1, "D"));  // "3" is missing
    ListInstance(26, "VRUSBDSK9");              // beyond the table: never asked
    devices.Answer("\\\\.\\VRUSBDSK9", CardReader::kInstanceCode, Cards(1, "Z"));

    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(table[0].SerialText(), "A0");
    EXPECT_EQ(table[1].SerialText(), "B0");
    EXPECT_EQ(table[2].SerialText(), "B1");
    EXPECT_EQ(table[3].SerialText(), "D0");
    EXPECT_TRUE(AllZero(4, kMaxCardRecords));
    ASSERT_EQ(devices.Calls().size(), 4u);
    for (const auto& call : devices.Calls()) {
        EXPECT_EQ(call.code, 0x220004u);
        EXPECT_EQ(call.outSize, 468u);
    }
    for (const auto& open : devices.Opens()) {
        EXPECT_EQ(open.access, 0xC0000000u);
        EXPECT_EQ(open.share, 3u);
        EXPECT_EQ(open.disposition, 3u);
    }
}

TEST_F(CardReaderTest, InstanceThatCannotBeOpenedIsSkippedAndPartialRecordsAreOverwritten) {
    auto partial = Bytes(Cards(3, "A"));
    partial.resize(40);
    ListInstance(0, "VRUSBDSK0");
    devices.Add("\\\\.\\VRUSBDSK0", CardReader::kInstanceCode).reply = partial;
    ListInstance(1, "GONE");  // listed, but no such device
    Instance(2, "VRUSBDSK2", Cards(1, "C"));
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(table[2].SerialText(), "C0");
    EXPECT_EQ(devices.Opens()[1].path, "\\\\.\\GONE");
}

TEST_F(CardReaderTest, AFailingInstanceFailsTheWholeQuery) {
    Instance(0, "VRUSBDSK0", Cards(2, "A"));
    Instance(1, "VRUSBDSK1", Cards(1, "B"));
    Instance(2, "VRUSBDSK2", Cards(1, "C"));
    devices.Find("\\\\.\\VRUSBDSK1")->fail = true;
    EXPECT_FALSE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_EQ(table[1].SerialText(), "A1");  // what was copied before stays
    EXPECT_EQ(devices.Calls().size(), 2u);   // the third is never asked
}

TEST_F(CardReaderTest, MissingInstanceKeyOrNoAnswerAtAll) {
    EXPECT_FALSE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_FALSE(registry.KeyExists(schema::kDriverInstanceRoot, schema::kDriverInstanceKey));
    EXPECT_TRUE(AllZero(0, kMaxCardRecords));

    ListInstance(0, "VRUSBDSK0");  // listed, but nothing answers
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, 0);
}

TEST_F(CardReaderTest, InstancesAnsweringMoreThanTheTableHoldsNeverOverrunIt) {
    for (int i = 0; i < 4; ++i) Instance(i, "VRUSBDSK" + std::to_string(i), Cards(10, "U" + std::to_string(i)));
    ASSERT_TRUE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_EQ(count, kMaxCardRecords);
    EXPECT_EQ(table[25].SerialText(), "U25");  // third instance's sixth record
    // A caller with a smaller table gets no more than it has room for.
    std::array<CardRecord, 3> small{};
    int smallCount = 3;
    ASSERT_TRUE(reader.QueryInstanceDevices(small.data(), smallCount));
    EXPECT_EQ(smallCount, 3);
    EXPECT_EQ(small[2].SerialText(), "U02");
}

TEST_F(CardReaderTest, EnumerateCardsAsksTheFamilyAtEveryCall) {
    devices.Answer(kControl, CardReader::kControlCode, Cards(7, "W"));
    Instance(0, "VRUSBDSK0", Cards(7, "N"));

    system.platformId = kPlatformWin32Nt;
    ASSERT_TRUE(reader.EnumerateCards(table.data(), count));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(table[0].SerialText(), "N0");

    system.platformId = kPlatformWin32Windows;
    count = kMaxCardRecords;
    ASSERT_TRUE(reader.EnumerateCards(table.data(), count));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(table[0].SerialText(), "W0");
    EXPECT_EQ(system.asked, 2);
    EXPECT_FALSE(reader.IsNtFamily());
}

TEST(CardRecordTest, SerialWithoutNulStaysInsideTheRecord) {
    CardRecord records[2];
    std::memset(records, 'X', sizeof records);
    std::memset(records[0].serialNo, 'S', sizeof records[0].serialNo);
    EXPECT_EQ(records[0].SerialText(), std::string(13, 'S'));
    CardRecord a = MakeRecord(1, "ABC");
    CardRecord b = MakeRecord(0, "ABC");
    b.serialNo[5] = 'J';  // bytes after the NUL do not count
    EXPECT_TRUE(a.SameSerial(b));
    EXPECT_TRUE(a.HasCard());
    EXPECT_TRUE(b.IsEmpty());
    CardRecord odd = MakeRecord(2, "ABC");
    EXPECT_FALSE(odd.HasCard());
    EXPECT_FALSE(odd.IsEmpty());
}

}  // namespace
}  // namespace kardello
