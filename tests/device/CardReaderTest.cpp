#include "device/CardReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "fakes/FakeDevices.h"
#include "fakes/FakeRegistry.h"
#include "shared/CardBytes.h"
#include "store/DriverInstanceKey.h"

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
    void TearDown() override {
        EXPECT_EQ(devices.OpenHandles(), 0u) << "a device handle was left open";
        EXPECT_EQ(devices.BadCloses(), 0);
        EXPECT_EQ(registry.OpenHandles(), 0u) << "a registry key was left open";
    }

    // Instance device `name` answering `bytes`, listed under value `index`.
    void Instance(int index, const std::string& name, const std::vector<std::uint8_t>& bytes) {
        registry.PutString(schema::kDriverInstanceRoot, schema::kDriverInstanceKey, std::to_string(index), name);
        devices.Add("\\\\.\\" + name, CardReader::kInstanceCode).reply = bytes;
    }

    FakeRegistry registry;
    FakeDevices devices;
    FakeSystemInfo system;
    CardReader reader{registry, devices, system};
    std::array<CardRecord, kMaxCardRecords> table{};
    int count = kMaxCardRecords;
};

using scenarios::Cards;

// What the driver expects of every request: the open's rights and sharing, the code and
// the buffer's size.
void ExpectAsked(const FakeDevices& devices, std::size_t i, const std::string& path, std::uint32_t code) {
    ASSERT_GT(devices.Calls().size(), i);
    EXPECT_EQ(devices.Calls()[i].code, code);
    EXPECT_EQ(devices.Calls()[i].outSize, 468u);
    EXPECT_EQ(devices.Opens()[i].path, path);
    EXPECT_EQ(devices.Opens()[i].access, 0xC0000000u);
    EXPECT_EQ(devices.Opens()[i].share, 3u);
    EXPECT_EQ(devices.Opens()[i].disposition, 3u);
}

TEST_F(CardReaderTest, ControlDeviceIsAskedExactlyAsTheDriverExpects) {
    devices.Add(kControl, CardReader::kControlCode).reply = Cards(2, "SN");
    ASSERT_TRUE(reader.QueryControlDevice(table.data(), count));
    ASSERT_EQ(devices.Calls().size(), 1u);
    ExpectAsked(devices, 0, kControl, 1);
}

// A failing unit ends the round; the instance key is only read.
TEST_F(CardReaderTest, InstancesAreAskedInOrderUntilOneFails) {
    Instance(0, "VRUSBDSK0", Cards(2, "A"));
    Instance(1, "VRUSBDSK1", Cards(1, "B"));
    Instance(2, "VRUSBDSK2", Cards(1, "C"));
    devices.Find("\\\\.\\VRUSBDSK1")->fail = true;
    EXPECT_FALSE(reader.QueryInstanceDevices(table.data(), count));
    ASSERT_EQ(devices.Calls().size(), 2u);  // the third unit is never asked
    for (std::size_t i = 0; i < 2; ++i) ExpectAsked(devices, i, "\\\\.\\VRUSBDSK" + std::to_string(i), 0x220004);
    registry.RemoveKey(schema::kDriverInstanceRoot, schema::kDriverInstanceKey);
    EXPECT_FALSE(reader.QueryInstanceDevices(table.data(), count));
    EXPECT_FALSE(registry.KeyExists(schema::kDriverInstanceRoot, schema::kDriverInstanceKey));
}

TEST_F(CardReaderTest, EnumerateCardsAsksTheFamilyAtEveryCall) {
    devices.Add(kControl, CardReader::kControlCode).reply = Cards(7, "W");
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
