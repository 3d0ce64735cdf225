#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/FakeRegistry.h"
#include "simreader/SimCommand.h"
#include "simreader/SimState.h"

namespace kardello::simreader {
namespace {

using test::FakeRegistry;
constexpr RegRoot kHklm = RegRoot::LocalMachine;

Bytes Expected(std::uint8_t status, std::uint16_t extend, char letter, const std::string& serial) {
    Bytes record(kRecordSize, 0);
    record[0] = status;
    record[2] = static_cast<std::uint8_t>(extend & 0xFF);
    record[3] = static_cast<std::uint8_t>(extend >> 8);
    record[4] = static_cast<std::uint8_t>(letter);
    for (std::size_t i = 0; i < serial.size(); ++i) record[5 + i] = static_cast<std::uint8_t>(serial[i]);
    return record;
}

class SimTest : public ::testing::Test {
protected:
    CommandResult Run(std::vector<std::string> args) { return RunSimCommand(registry, args); }

    CommandResult Ok(std::vector<std::string> args) {
        CommandResult result = Run(args);
        EXPECT_EQ(result.exitCode, kExitOk) << args[0] << ": " << result.err;
        return result;
    }

    Bytes Sim(const std::string& name) {
        auto value = registry.Get(kHklm, kSimKey, name);
        return value ? value->data : Bytes{'m', 'i', 's', 's', 'i', 'n', 'g'};
    }
    bool HasSim(const std::string& name) { return registry.Get(kHklm, kSimKey, name).has_value(); }

    // Every value the tool may write, keyed by "key\\name".
    std::map<std::string, FakeRegistry::Value> Snapshot() {
        std::vector<std::string> names = {"Absent", "Units", "Control", "ControlFail", "ControlReport"};
        for (int i = 0; i < kMaxUnits; ++i) {
            const std::string dev = "Dev" + std::to_string(i);
            names.insert(names.end(), {dev, dev + "Fail", dev + "Report",
                                       "Unit" + std::to_string(i + 1)});
        }
        std::map<std::string, FakeRegistry::Value> all;
        for (const auto& name : names)
            if (auto value = registry.Get(kHklm, kSimKey, name)) all["Sim\\" + name] = *value;
        for (int i = 0; i < kInstanceValueSlots; ++i)
            if (auto value = registry.Get(kHklm, kInstanceKey, std::to_string(i)))
                all["Instance\\" + std::to_string(i)] = *value;
        return all;
    }

    static bool Same(const std::map<std::string, FakeRegistry::Value>& a,
                     const std::map<std::string, FakeRegistry::Value>& b) {
        if (a.size() != b.size()) return false;
        for (const auto& [name, value] : a) {
            auto other = b.find(name);
            if (other == b.end() || other->second.type != value.type ||
                other->second.data != value.data)
                return false;
        }
        return true;
    }

    FakeRegistry registry;
};

TEST_F(SimTest, ResetEncodesConnectedUnitsWithoutCardsAndClearsEveryOverride) {
    registry.PutNumber(kHklm, kSimKey, "Absent", 1);
    registry.PutNumber(kHklm, kSimKey, "Delay", 3000);
    registry.PutNumber(kHklm, kSimKey, "ControlFail", 1);
    registry.PutNumber(kHklm, kSimKey, "Dev3Report", 900);
    registry.Put(kHklm, kSimKey, "Dev5", kRegBinary, {1, 2, 3});
    registry.PutString(kHklm, kInstanceKey, "20", "VRUSBDSK20");
    registry.PutString(kHklm, kInstanceKey, "7", "elsewhere");
    registry.PutNumber(kHklm, kSimKey, "Dev1Served", 7);

    Ok({"reset"});
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "Dev1Served"), 7u) << "the driver's count was reset";

    const Bytes unit1 = Expected(0, 0, 'E', "VR0000000001");
    const Bytes unit2 = Expected(0, 0, 'F', "VR0000000002");
    EXPECT_EQ(Sim("Dev0"), unit1);
    EXPECT_EQ(Sim("Dev1"), unit2);
    Bytes control = unit1;
    control.insert(control.end(), unit2.begin(), unit2.end());
    EXPECT_EQ(Sim("Control"), control);
    EXPECT_EQ(registry.Get(kHklm, kSimKey, "Control")->type, kRegBinary);
    for (const char* gone : {"Absent", "Delay", "ControlFail", "Dev3Report", "Dev5", "Dev2"})
        EXPECT_FALSE(HasSim(gone)) << gone;
    EXPECT_EQ(registry.GetString(kHklm, kInstanceKey, "0"), "VRUSBDSK0");
    EXPECT_EQ(registry.GetString(kHklm, kInstanceKey, "1"), "VRUSBDSK1");
    EXPECT_EQ(registry.Get(kHklm, kInstanceKey, "1")->type, kRegSz);
    EXPECT_EQ(registry.ValueCount(kHklm, kInstanceKey), 2u);
    EXPECT_EQ(registry.OpenHandles(), 0u);

    Ok({"reset", "8"});
    EXPECT_EQ(Sim("Control").size(), 8 * kRecordSize);
    EXPECT_EQ(Sim("Dev7"), Expected(0, 0, 'L', "VR0000000008"));
    EXPECT_EQ(registry.GetString(kHklm, kInstanceKey, "7"), "VRUSBDSK7");

    Ok({"reset", "0"});
    EXPECT_TRUE(Sim("Control").empty());
    EXPECT_FALSE(HasSim("Dev0"));
    EXPECT_EQ(registry.ValueCount(kHklm, kInstanceKey), 0u);
}

TEST_F(SimTest, CardAndUnitLifecycleKeepsTheStorageUnitsSerial) {
    Ok({"reset"});
    Ok({"insert", "1", "--serial", "ABC", "--letter", "G", "--extend", "0x1234"});
    EXPECT_EQ(Sim("Dev0"), Expected(1, 0x1234, 'G', "ABC"));
    const Bytes control = Sim("Control");
    ASSERT_EQ(control.size(), 2 * kRecordSize);
    EXPECT_EQ(Bytes(control.begin(), control.begin() + kRecordSize), Expected(1, 0x1234, 'G', "ABC"));

    Ok({"remove", "1"});
    EXPECT_EQ(Sim("Dev0"), Expected(0, 0, 'G', "ABC"));

    Ok({"disconnect", "1"});
    EXPECT_EQ(Sim("Dev0"), Expected(0, 0, 'G', ""));

    // Putting a card in reconnects the unit with the serial it had.
    Ok({"insert", "1"});
    EXPECT_EQ(Sim("Dev0"), Expected(1, 0, 'G', "ABC"));

    Ok({"disconnect", "2"});
    Ok({"connect", "2", "--serial", "NEW"});
    EXPECT_EQ(Sim("Dev1"), Expected(0, 0, 'F', "NEW"));
    const std::string shown = Ok({"show"}).out;
    EXPECT_NE(shown.find("unit 1: card in, serial ABC, letter G"), std::string::npos) << shown;
    EXPECT_NE(shown.find("unit 2: no card, serial NEW"), std::string::npos) << shown;
}

TEST_F(SimTest, TwelveCharacterSerialKeepsItsTerminator) {
    Ok({"reset", "1"});
    Ok({"insert", "1", "--serial", "123456789012"});
    const Bytes dev = Sim("Dev0");
    ASSERT_EQ(dev.size(), kRecordSize);
    EXPECT_EQ(dev[16], '2');
    EXPECT_EQ(dev[17], 0);
    const DecodedRecord decoded = DecodeRecord(dev.data());
    EXPECT_EQ(decoded.serial, "123456789012");
    EXPECT_TRUE(decoded.serialTerminated);
}

TEST_F(SimTest, BadArgumentsChangeNothing) {
    Ok({"reset", "3"});
    Ok({"raw", "control", "01 02"});
    const auto before = Snapshot();
    const int writes = registry.WriteCount();

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"explode"},
        {"insert"},
        {"insert", "0"},
        {"insert", "9"},
        {"insert", "1x"},
        {"insert", "-1"},
        {"insert", "4"},  // only 3 units exist
        {"insert", "1", "--serial", "1234567890123"},
        {"insert", "1", "--serial", ""},
        {"insert", "1", "--letter", "EF"},
        {"insert", "1", "--letter", ""},
        {"insert", "1", "--extend", "65536"},
        {"insert", "1", "--extend", "0x"},
        {"insert", "1", "--serial"},
        {"insert", "1", "--serial", "A", "--serial", "B"},
        {"insert", "1", "--colour", "red"},
        {"connect", "1", "--extend", "1"},
        {"remove", "1", "2"},
        {"disconnect"},
        {"fail", "control", "maybe"},
        {"fail", "9", "on"},
        {"absent", "yes"},
        {"delay", "60001"},
        {"delay", "-5"},
        {"delay", "on"},
        {"delay"},
        {"raw", "control", "0g"},
        {"raw", "control", "123"},
        {"raw", "control", "1 23"},
        {"raw", "1", "--records", "1001"},
        {"raw", "1", "--records", "2", "--with-card"},
        {"report", "1", "4097"},
        {"report", "control", "0x100000000"},
        {"report", "control", "-1"},
        {"instance", "0", "on"},
        {"instance", "9", "off"},
        {"reset", "9"},
        {"install", ""},
        {"requests", "1"},
    };
    for (const auto& args : bad) {
        const CommandResult result = Run(args);
        const std::string what = args.empty() ? "(none)" : args[0] + " ...";
        EXPECT_EQ(result.exitCode, kExitUsage) << what << " " << args.size();
        EXPECT_FALSE(result.err.empty()) << what;
    }
    EXPECT_EQ(registry.WriteCount(), writes);
    EXPECT_TRUE(Same(Snapshot(), before));
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SimTest, ModelCommandsBeforeResetFailWithoutWriting) {
    const CommandResult result = Run({"insert", "1"});
    EXPECT_EQ(result.exitCode, kExitFailed);
    EXPECT_NE(result.err.find("vrsim reset"), std::string::npos) << result.err;
    EXPECT_EQ(registry.WriteCount(), 0);
}

TEST_F(SimTest, DamagedModelHasADefinedOutcome) {
    Ok({"reset"});
    registry.PutNumber(kHklm, kSimKey, "Units", 99);
    EXPECT_EQ(Run({"remove", "1"}).exitCode, kExitFailed);

    registry.Put(kHklm, kSimKey, "Units", kRegBinary, {2, 0, 0, 0});
    EXPECT_EQ(Run({"remove", "1"}).exitCode, kExitFailed);

    // A unit value that cannot be read back counts as a fresh unit.
    registry.PutNumber(kHklm, kSimKey, "Units", 2);
    registry.Put(kHklm, kSimKey, "Unit1", kRegBinary, Bytes(40, 'x'));
    registry.Put(kHklm, kSimKey, "Unit2", kRegBinary, {0x80, 'F', 0, 0});
    Ok({"remove", "2"});
    EXPECT_EQ(Sim("Dev0"), Expected(0, 0, 'E', "VR0000000001"));
    EXPECT_EQ(Sim("Dev1"), Expected(0, 0, 'F', "VR0000000002"));
}

TEST_F(SimTest, RawOverridesAnyLengthUntilUnitsChange) {
    Ok({"reset"});
    Ok({"raw", "control", "01:02-03 04 05"});
    EXPECT_EQ(Sim("Control"), (Bytes{1, 2, 3, 4, 5}));
    Ok({"raw", "2", ""});
    EXPECT_TRUE(Sim("Dev1").empty());
    EXPECT_EQ(registry.Get(kHklm, kSimKey, "Dev1")->type, kRegBinary);

    Ok({"raw", "1", "--records", "30"});
    const Bytes many = Sim("Dev0");
    ASSERT_EQ(many.size(), 30 * kRecordSize);
    const DecodedRecord last = DecodeRecord(many.data() + 29 * kRecordSize);
    EXPECT_EQ(last.status, 1);
    EXPECT_EQ(last.serial, "VR0000000030");
    Ok({"raw", "1", "--records", "2", "--no-card"});
    EXPECT_EQ(DecodeRecord(Sim("Dev0").data()).status, 0);

    Ok({"fail", "control", "on"});
    Ok({"report", "2", "4096"});
    Ok({"report", "control", "0xFFFFFFFF"});
    Ok({"absent", "on"});
    Ok({"delay", "3000"});
    Ok({"instance", "2", "off"});
    Ok({"insert", "2"});
    // Units re-encoded, raw data gone; flags and counts stay.
    EXPECT_EQ(Sim("Control").size(), 2 * kRecordSize);
    EXPECT_EQ(Sim("Dev0"), Expected(0, 0, 'E', "VR0000000001"));
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "ControlFail"), 1u);
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "Dev1Report"), 4096u);
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "ControlReport"), 0xFFFFFFFFu);
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "Absent"), 1u);
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "Delay"), 3000u);
    EXPECT_EQ(registry.Get(kHklm, kSimKey, "Delay")->type, kRegDword);
    EXPECT_FALSE(registry.Get(kHklm, kInstanceKey, "1").has_value());

    Ok({"fail", "control", "off"});
    Ok({"report", "2", "off"});
    Ok({"absent", "off"});
    Ok({"delay", "60000"});
    EXPECT_EQ(registry.GetNumber(kHklm, kSimKey, "Delay"), 60000u);
    Ok({"delay", "off"});
    EXPECT_FALSE(HasSim("Delay"));
    Ok({"delay", "0"});  // held for no time: as off
    Ok({"instance", "8", "on"});
    EXPECT_FALSE(HasSim("ControlFail"));
    EXPECT_FALSE(HasSim("Dev1Report"));
    EXPECT_FALSE(HasSim("Absent"));
    EXPECT_FALSE(HasSim("Delay"));
    EXPECT_EQ(registry.GetString(kHklm, kInstanceKey, "7"), "VRUSBDSK7");
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SimTest, RegistryRefusalIsAFailureNotAUsageError) {
    Ok({"reset"});
    registry.FailWrites(true);
    EXPECT_EQ(Run({"insert", "1"}).exitCode, kExitFailed);
    EXPECT_EQ(Run({"reset"}).exitCode, kExitFailed);
    EXPECT_EQ(Run({"absent", "on"}).exitCode, kExitFailed);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SimTest, InstallRegistersAnAutomaticKernelService) {
    Ok({"install", "Z:\\build\\tools\\vrusbdsk.sys"});
    EXPECT_EQ(registry.GetNumber(kHklm, kServiceKey, "Type"), 1u);
    EXPECT_EQ(registry.GetNumber(kHklm, kServiceKey, "Start"), 2u);
    EXPECT_EQ(registry.GetNumber(kHklm, kServiceKey, "ErrorControl"), 1u);
    const auto image = registry.Get(kHklm, kServiceKey, "ImagePath");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->type, 2u);  // REG_EXPAND_SZ
    EXPECT_EQ(registry.GetString(kHklm, kServiceKey, "ImagePath"), "\\??\\Z:\\build\\tools\\vrusbdsk.sys");
    Ok({"install", "\\??\\C:\\x.sys"});
    EXPECT_EQ(registry.GetString(kHklm, kServiceKey, "ImagePath"), "\\??\\C:\\x.sys");
}

TEST_F(SimTest, InstancesAndAbsentReadBackLikeTheDriverReadsThem) {
    SimState state(registry);
    std::vector<std::pair<std::string, std::string>> instances;
    ASSERT_EQ(state.ReadInstances(&instances), kErrorSuccess);
    EXPECT_TRUE(instances.empty());

    registry.PutString(kHklm, kInstanceKey, "3", "VRUSBDSK3");
    registry.Put(kHklm, kInstanceKey, "0", kRegBinary, {'A', 'B'});
    registry.Put(kHklm, kInstanceKey, "25", kRegSz, {'X', 'Y'});  // no NUL
    registry.Put(kHklm, kInstanceKey, "26", kRegSz, {'Z', 0});   // beyond what the agent reads
    ASSERT_EQ(state.ReadInstances(&instances), kErrorSuccess);
    ASSERT_EQ(instances.size(), 3u);
    EXPECT_EQ(instances[0], (std::pair<std::string, std::string>{"0", "AB <not REG_SZ>"}));
    EXPECT_EQ(instances[1], (std::pair<std::string, std::string>{"3", "VRUSBDSK3"}));
    EXPECT_EQ(instances[2], (std::pair<std::string, std::string>{"25", "XY"}));

    bool absent = true;
    ASSERT_EQ(state.ReadAbsent(&absent), kErrorSuccess);
    EXPECT_FALSE(absent);
    registry.Put(kHklm, kSimKey, "Absent", kRegDword, {1, 0, 0, 0, 0, 0, 0, 0});
    state.ReadAbsent(&absent);
    EXPECT_FALSE(absent);  // 8 bytes: not a DWORD
    registry.Put(kHklm, kSimKey, "Absent", kRegBinary, {1, 0, 0, 0});
    state.ReadAbsent(&absent);
    EXPECT_FALSE(absent);
    registry.PutNumber(kHklm, kSimKey, "Absent", 0x01000000);
    state.ReadAbsent(&absent);
    EXPECT_TRUE(absent);

    // The driver's counts, by the same rule: control first, then each instance device.
    std::vector<std::uint32_t> served;
    ASSERT_EQ(state.ReadServed(&served), kErrorSuccess);
    EXPECT_EQ(served, std::vector<std::uint32_t>(kMaxUnits + 1, 0));
    EXPECT_EQ(Ok({"requests"}).out, "0 request(s) served\n");
    registry.PutNumber(kHklm, kSimKey, "ControlServed", 0x80000000u);
    registry.Put(kHklm, kSimKey, "Dev0Served", kRegDword, {9, 0, 0, 0, 0, 0, 0, 0});
    registry.Put(kHklm, kSimKey, "Dev1Served", kRegBinary, {9, 0, 0, 0});
    registry.PutNumber(kHklm, kSimKey, "Dev7Served", 0x80000003u);
    ASSERT_EQ(state.ReadServed(&served), kErrorSuccess);
    std::vector<std::uint32_t> expected(kMaxUnits + 1, 0);
    expected.front() = 0x80000000u;
    expected.back() = 0x80000003u;
    EXPECT_EQ(served, expected);
    // The total does not wrap.
    EXPECT_EQ(Ok({"requests"}).out, "4294967299 request(s) served\ncontrol: 2147483648\nunit 8: 2147483651\n");
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(SimRecordTest, DecodeAndFormatShowHostileBytesSafely) {
    Bytes raw(kRecordSize, 'A');
    raw[0] = 0xFF;
    raw[1] = 7;
    raw[2] = 0x01;
    raw[3] = 0x80;
    raw[4] = '\n';
    raw[6] = '"';
    const DecodedRecord record = DecodeRecord(raw.data());
    EXPECT_EQ(record.status, 0xFF);
    EXPECT_EQ(record.reserved, 7);
    EXPECT_EQ(record.extend, 0x8001);
    EXPECT_EQ(record.serial.size(), kSerialField);
    EXPECT_FALSE(record.serialTerminated);
    const std::string line = FormatRecord(record);
    EXPECT_EQ(line,
              "status 255 extend 0x8001 letter '\\x0A' serial \"A\\x22AAAAAAAAAAA\" "
              "(no NUL in serial field) reserved 7");

    const DecodedRecord empty = DecodeRecord(Bytes(kRecordSize, 0).data());
    EXPECT_EQ(FormatRecord(empty), "status 0 extend 0x0000 letter '\\x00' serial \"\" (not connected)");
}

TEST(SimRecordTest, HexParsingAcceptsSeparatorsBetweenBytesOnly) {
    Bytes bytes;
    EXPECT_TRUE(ParseHex("00fF 7a:10-0B", &bytes));
    EXPECT_EQ(bytes, (Bytes{0x00, 0xFF, 0x7A, 0x10, 0x0B}));
    EXPECT_TRUE(ParseHex("", &bytes));
    EXPECT_TRUE(bytes.empty());
    bytes = {9};
    EXPECT_FALSE(ParseHex("0", &bytes));
    EXPECT_FALSE(ParseHex("0 0", &bytes));
    EXPECT_FALSE(ParseHex("0x01", &bytes));
    EXPECT_FALSE(ParseHex("zz", &bytes));
    EXPECT_EQ(bytes, Bytes{9});  // untouched on failure
}

}  // namespace
}  // namespace kardello::simreader
