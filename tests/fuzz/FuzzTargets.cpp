#include "fuzz/FuzzTargets.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/CardReader.h"
#include "fakes/FakeDevices.h"
#include "fakes/FakeExecutor.h"
#include "fakes/FakeKernel.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeShell.h"
#include "fakes/FakeUser.h"
#include "platform/win32/Utf16.h"
#include "settings/DeviceInfoPanel.h"
#include "store/DriverInstanceKey.h"
#include "store/RegistryKey.h"

namespace kardello::fuzz {

namespace {

// Reads the input front to back; past its end everything reads as zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        const std::size_t take = count < size_ - pos_ ? count : size_ - pos_;
        std::vector<std::uint8_t> bytes(data_ + pos_, data_ + pos_ + take);
        pos_ += take;
        return bytes;
    }
    std::vector<std::uint8_t> Rest() { return Bytes(size_ - pos_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

void CardReaderReplies(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    test::FakeRegistry registry;
    test::FakeDevices devices;
    test::FakeSystemInfo system;
    const std::uint8_t mode = in.Byte();
    system.platformId = (mode & 1) ? kPlatformWin32Nt : kPlatformWin32Windows;

    auto& control = devices.Add("\\\\.\\VRUSBMSC", CardReader::kControlCode);
    control.fail = (mode & 2) != 0;
    if (mode & 4) control.report = in.Word();
    control.reply = in.Bytes(in.Byte() * 4u);

    // An instance list of up to 30 values, some missing, some naming no device.
    const int instances = in.Byte() % 31;
    if (!(mode & 8)) registry.ClearValues(schema::kDriverInstanceRoot, schema::kDriverInstanceKey);
    for (int i = 0; i < instances; ++i) {
        const std::uint8_t shape = in.Byte();
        if (shape & 1) continue;  // no value for this index
        const std::string name = "DEV" + std::to_string(i);
        registry.PutString(schema::kDriverInstanceRoot, schema::kDriverInstanceKey,
                           std::to_string(i), name);
        if (shape & 2) continue;  // listed, but no such device
        auto& device = devices.Add("\\\\.\\" + name, CardReader::kInstanceCode);
        device.fail = (shape & 4) && (shape & 8);
        if (shape & 16) device.report = in.Word();
        device.reply = in.Bytes(in.Byte() * 2u);
    }

    CardReader reader(registry, devices, system);
    // Exactly the room the callers give; a write beyond it is an overflow.
    std::vector<CardRecord> table(kMaxCardRecords);
    int count = kMaxCardRecords;
    const bool ok = reader.EnumerateCards(table.data(), count);
    if (!ok) {
        Require(count == kMaxCardRecords);
    } else {
        Require(count >= 0 && count <= kMaxCardRecords);
        if (system.platformId != kPlatformWin32Nt) Require(count <= CardReader::kWin95RecordCap);
    }
    for (const CardRecord& record : table) Require(record.SerialText().size() <= sizeof record.serialNo);
    Require(devices.OpenHandles() == 0);
    Require(registry.OpenHandles() == 0);
}

void SettingsStoreReads(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    test::FakeRegistry registry;
    const std::uint32_t type = in.Byte();
    const std::vector<std::uint8_t> bytes = in.Rest();
    registry.Put(RegRoot::LocalMachine, "Software\\Fuzz", "Value", type, bytes);
    {
        RegistryKey store(registry, RegRoot::LocalMachine, "Software\\Fuzz");
        std::uint32_t number = 0xA5A5A5A5u;
        if (store.ReadNumber("Value", number)) {
            Require(bytes.size() <= 4);
            std::uint32_t expected = 0xA5A5A5A5u;
            if (!bytes.empty()) std::memcpy(&expected, bytes.data(), bytes.size());
            Require(number == expected);
        } else {
            Require(bytes.size() > 4 && number == 0xA5A5A5A5u);
        }
        std::string text = "unchanged";
        // UTF-16 units as Windows would store these bytes read as UTF-8.
        std::size_t units = 0;
        for (std::uint8_t b : bytes) units += ((b & 0xC0) != 0x80) + (b >= 0xF0);
        const bool fits = bytes.size() <= RegistryKey::kMaxTextBytes && units <= RegistryKey::kMaxTextUnits;
        if (store.ReadString("Value", text)) {
            Require(fits);
            Require(text.size() <= bytes.size());
            Require(text.find('\0') == std::string::npos);
            Require(text.empty() || std::memcmp(text.data(), bytes.data(), text.size()) == 0);
        } else {
            Require(!fits && text == "unchanged");
        }
    }
    Require(registry.OpenHandles() == 0);
}

void DevicePanelText(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    test::FakeRegistry registry;
    test::FakeDevices devices;
    test::FakeSystemInfo system;
    test::FakeKernel kernel;
    test::FakeShell shell;
    test::FakeUser user;
    test::FakeExecutor shellExecutor(user);
    Platform platform{registry, devices, system, kernel, shell, user, shellExecutor};

    // One family, one reply of any bytes: the panel sees what the reader passes on.
    const std::uint8_t mode = in.Byte();
    const bool nt = (mode & 1) != 0;
    system.platformId = nt ? kPlatformWin32Nt : kPlatformWin32Windows;
    std::vector<std::uint8_t> reply = in.Bytes(in.Byte() * 2u);
    const std::uint32_t report = in.Word();
    if (nt) {
        registry.ClearValues(schema::kDriverInstanceRoot, schema::kDriverInstanceKey);
        registry.PutString(schema::kDriverInstanceRoot, schema::kDriverInstanceKey, "0", "DEV0");
        auto& device = devices.Add("\\\\.\\DEV0", CardReader::kInstanceCode);
        device.reply = std::move(reply);
        device.fail = (mode & 2) != 0;
        if (mode & 4) device.report = report;
    } else {
        auto& control = devices.Add("\\\\.\\VRUSBMSC", CardReader::kControlCode);
        control.reply = std::move(reply);
        control.fail = (mode & 2) != 0;
        if (mode & 4) control.report = report;
    }
    // Volume names of any bytes for a few roots, letters or not.
    const int volumes = in.Byte() % 8;
    for (int i = 0; i < volumes; ++i) {
        const char letter = static_cast<char>(in.Byte());
        const std::vector<std::uint8_t> name = in.Bytes(in.Byte() % 48);
        system.volumes[std::string(1, letter) + ":\\"] = std::string(name.begin(), name.end());
    }

    CardReader reader(registry, devices, system);
    DeviceInfoPanel panel(platform, reader);
    panel.SetFirstLine(static_cast<std::int32_t>(in.Word()));
    const DeviceInfoPanel::Lines lines = panel.BuildLines();
    for (int i = 0; i < DeviceInfoPanel::kLineCount; ++i) {
        const std::string& line = lines[i];
        // Every line stays one line of printable text of bounded length.
        for (char c : line) Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        Require(line.size() <= 128);
        if (i % 5 == 4) Require(line.empty());
        if (i % 5 == 0) Require(line.rfind(" Drive Name", 0) == 0);
    }
    const std::string text = panel.VisibleText(lines);
    // Whatever line was asked for, the three shown are three of the 25, and showing
    // again shows the same.
    bool shownLines = false;
    for (int first = 0; first <= DeviceInfoPanel::kLastFirstLine && !shownLines; ++first)
        shownLines = text == lines[first] + "\r\n" + lines[first + 1] + "\r\n" + lines[first + 2] + "\r\n";
    Require(shownLines);
    Require(panel.VisibleText(lines) == text);
    std::size_t breaks = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++breaks;
    Require(breaks == DeviceInfoPanel::kVisibleLines);
    Require(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
    Require(devices.OpenHandles() == 0);
    Require(registry.OpenHandles() == 0);
}

namespace {

// A decoder written apart from the one under test, from the table of well-formed
// byte sequences: for each lead byte the range each following byte must lie in.
// Surrogates' three-byte forms are accepted (how a lone one is carried); overlong
// forms and anything past U+10FFFF are not. A broken sequence becomes one U+FFFD for
// its longest well-formed start, or for its first byte.
struct Range {
    std::uint8_t low, high;
};
int Follows(std::uint8_t lead, Range (&next)[3]) {
    const Range any{0x80, 0xBF};
    if (lead <= 0x7F) return 0;
    if (lead >= 0xC2 && lead <= 0xDF) { next[0] = any; return 1; }
    if (lead == 0xE0) { next[0] = {0xA0, 0xBF}; next[1] = any; return 2; }
    if (lead >= 0xE1 && lead <= 0xEF) { next[0] = any; next[1] = any; return 2; }
    if (lead == 0xF0) { next[0] = {0x90, 0xBF}; next[1] = any; next[2] = any; return 3; }
    if (lead >= 0xF1 && lead <= 0xF3) { next[0] = any; next[1] = any; next[2] = any; return 3; }
    if (lead == 0xF4) { next[0] = {0x80, 0x8F}; next[1] = any; next[2] = any; return 3; }
    return -1;
}

std::u16string ReferenceDecode(const std::uint8_t* bytes, std::size_t size) {
    std::u16string out;
    std::size_t i = 0;
    while (i < size) {
        Range next[3];
        const int follows = Follows(bytes[i], next);
        int good = 0;
        while (good < follows && i + 1 + good < size && bytes[i + 1 + good] >= next[good].low &&
               bytes[i + 1 + good] <= next[good].high)
            ++good;
        if (follows < 0 || good < follows) {
            out.push_back(u'\uFFFD');
            i += 1 + (follows < 0 ? 0 : good);
            continue;
        }
        static const std::uint8_t kLeadBits[] = {0x7F, 0x1F, 0x0F, 0x07};
        std::uint32_t point = bytes[i] & kLeadBits[follows];
        for (int k = 1; k <= follows; ++k) point = point * 64 + (bytes[i + k] - 0x80);
        Require(point <= 0x10FFFF);
        if (point >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD7C0 + (point >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 | (point & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(point));
        }
        i += 1 + follows;
    }
    return out;
}

}  // namespace

void Utf16Conversion(const std::uint8_t* data, std::size_t size) {
    // As UTF-16: whatever the units, lone surrogates included, they come back whole,
    // and the UTF-8 between is what the reference reads as those same units.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::string utf8 = utf16::ToUtf8(units);
    Require(utf16::FromUtf8(utf8) == units);
    Require(ReferenceDecode(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()) == units);

    // As bytes: decoded as the reference decodes them, never into more units than
    // bytes, and a second pass changes nothing.
    const std::u16string decoded = utf16::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    Require(decoded == ReferenceDecode(data, size));
    Require(decoded.size() <= size);
    const std::string again = utf16::ToUtf8(decoded);
    Require(utf16::FromUtf8(again) == decoded);
    Require(utf16::ToUtf8(utf16::FromUtf8(again)) == again);
}

}  // namespace kardello::fuzz
