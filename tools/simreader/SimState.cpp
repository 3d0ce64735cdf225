#include "simreader/SimState.h"

#include <cstdio>

namespace kardello::simreader {

const char* const kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK";
const char* const kSimKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Sim";
const char* const kInstanceKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Instance";

namespace {

constexpr long kErrorInvalidData = 13;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint8_t kFlagConnected = 1;
constexpr std::uint8_t kFlagCard = 2;
constexpr std::size_t kModelHeader = 4;

// Closes the key on every path out.
class KeyGuard {
public:
    KeyGuard(IRegistry& registry, RegKey key) : registry_(registry), key_(key) {}
    ~KeyGuard() {
        if (key_) registry_.CloseKey(key_);
    }
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;

private:
    IRegistry& registry_;
    RegKey key_;
};

long SetBinary(IRegistry& registry, RegKey key, const std::string& name, const Bytes& bytes) {
    return registry.SetValue(key, name.c_str(), kRegBinary, bytes.empty() ? nullptr : bytes.data(),
                             static_cast<std::uint32_t>(bytes.size()));
}

long SetString(IRegistry& registry, RegKey key, const std::string& name, std::uint32_t type,
               const std::string& text) {
    return registry.SetValue(key, name.c_str(), type,
                             reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1));
}

long DeleteIfThere(IRegistry& registry, RegKey key, const std::string& name) {
    const long status = registry.DeleteValue(key, name.c_str());
    return status == kErrorFileNotFound ? kErrorSuccess : status;
}

// Reads a value of at most maxSize bytes; larger ones count as invalid.
long ReadValue(IRegistry& registry, RegKey key, const std::string& name, std::size_t maxSize,
               std::uint32_t* type, Bytes* out) {
    out->assign(maxSize, 0);
    std::uint32_t size = static_cast<std::uint32_t>(maxSize);
    const long status = registry.QueryValue(key, name.c_str(), type, out->data(), &size);
    if (status == kErrorMoreData) return kErrorInvalidData;
    if (status != kErrorSuccess) return status;
    if (size > maxSize) return kErrorInvalidData;
    out->resize(size);
    return kErrorSuccess;
}

// As the driver reads a flag or a count: only a 4-byte REG_DWORD counts, and a value
// missing or of another shape reads as 0.
long ReadDriverDword(IRegistry& registry, RegKey key, const std::string& name, std::uint32_t* value) {
    *value = 0;
    std::uint32_t type = 0;
    Bytes data;
    const long status = ReadValue(registry, key, name, 4, &type, &data);
    if (status == kErrorFileNotFound || status == kErrorInvalidData) return kErrorSuccess;
    if (status != kErrorSuccess) return status;
    if (type == kRegDword && data.size() == 4)
        *value = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    return kErrorSuccess;
}

Bytes EncodeModel(const UnitState& unit) {
    Bytes bytes(kModelHeader);
    bytes[0] = static_cast<std::uint8_t>((unit.connected ? kFlagConnected : 0) |
                                         (unit.card ? kFlagCard : 0));
    bytes[1] = static_cast<std::uint8_t>(unit.letter);
    bytes[2] = static_cast<std::uint8_t>(unit.extend & 0xFF);
    bytes[3] = static_cast<std::uint8_t>(unit.extend >> 8);
    bytes.insert(bytes.end(), unit.serial.begin(), unit.serial.end());
    return bytes;
}

bool DecodeModel(const Bytes& bytes, UnitState* unit) {
    if (bytes.size() < kModelHeader || bytes.size() > kModelHeader + kMaxSerialLength) return false;
    if (bytes[0] & ~(kFlagConnected | kFlagCard)) return false;
    for (std::size_t i = kModelHeader; i < bytes.size(); ++i)
        if (bytes[i] == 0) return false;
    unit->connected = (bytes[0] & kFlagConnected) != 0;
    unit->card = (bytes[0] & kFlagCard) != 0;
    unit->letter = static_cast<char>(bytes[1]);
    unit->extend = static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8));
    unit->serial.assign(bytes.begin() + kModelHeader, bytes.end());
    return true;
}

std::string UnitValueName(int unit) { return "Unit" + std::to_string(unit); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

UnitState DefaultUnit(int unit) {
    UnitState state;
    char serial[16];
    std::snprintf(serial, sizeof serial, "VR%010d", unit);
    state.serial = serial;
    state.letter = static_cast<char>('E' + (unit - 1));
    return state;
}

Record EncodeRecord(const UnitState& state) {
    Record record{};
    const bool card = state.connected && state.card;
    record[0] = card ? 1 : 0;
    record[2] = static_cast<std::uint8_t>(card ? state.extend & 0xFF : 0);
    record[3] = static_cast<std::uint8_t>(card ? state.extend >> 8 : 0);
    record[4] = static_cast<std::uint8_t>(state.letter);
    if (state.connected) {
        const std::size_t n = state.serial.size() < kMaxSerialLength ? state.serial.size()
                                                                      : kMaxSerialLength;
        for (std::size_t i = 0; i < n; ++i) record[5 + i] = static_cast<std::uint8_t>(state.serial[i]);
    }
    return record;
}

DecodedRecord DecodeRecord(const std::uint8_t* bytes) {
    DecodedRecord record;
    record.status = bytes[0];
    record.reserved = bytes[1];
    record.extend = static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8));
    record.letter = static_cast<char>(bytes[4]);
    std::size_t n = 0;
    while (n < kSerialField && bytes[5 + n] != 0) ++n;
    record.serial.assign(reinterpret_cast<const char*>(bytes + 5), n);
    record.serialTerminated = n < kSerialField;
    return record;
}

std::string FormatRecord(const DecodedRecord& record) {
    auto escape = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\' && c != '\'') return std::string(1, c);
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", u);
        return std::string(buf);
    };
    char head[64];
    std::snprintf(head, sizeof head, "status %u extend 0x%04X letter '", record.status,
                  record.extend);
    std::string line = head + escape(record.letter) + "' serial \"";
    for (char c : record.serial) line += escape(c);
    line += '"';
    if (record.serial.empty()) line += " (not connected)";
    if (!record.serialTerminated) line += " (no NUL in serial field)";
    if (record.reserved != 0) line += " reserved " + std::to_string(record.reserved);
    return line;
}

bool ParseHex(const std::string& text, Bytes* out) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-' || c == '\t') {
            if (high >= 0) return false;  // a separator inside a byte
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) return false;
    *out = std::move(bytes);
    return true;
}

std::string DataValueName(const Target& target) {
    return target.control ? "Control" : "Dev" + std::to_string(target.instance);
}
std::string FailValueName(const Target& target) { return DataValueName(target) + "Fail"; }
std::string ReportValueName(const Target& target) { return DataValueName(target) + "Report"; }
std::string ServedValueName(const Target& target) { return DataValueName(target) + "Served"; }

long SimState::WithKey(const char* subkey, bool create, RegKey* key) {
    *key = nullptr;
    return create ? registry_.CreateKey(RegRoot::LocalMachine, subkey, key)
                  : registry_.OpenKey(RegRoot::LocalMachine, subkey, RegAccess::All, key);
}

long SimState::SetDword(const char* subkey, const std::string& name, std::uint32_t value) {
    RegKey key;
    long status = WithKey(subkey, true, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    const std::uint8_t data[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                  static_cast<std::uint8_t>(value >> 16),
                                  static_cast<std::uint8_t>(value >> 24)};
    return registry_.SetValue(key, name.c_str(), kRegDword, data, 4);
}

long SimState::Delete(const char* subkey, const std::string& name) {
    RegKey key;
    long status = WithKey(subkey, true, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    return DeleteIfThere(registry_, key, name);
}

long SimState::Reset(int count) {
    if (count < 0 || count > kMaxUnits) return kErrorInvalidData;
    RegKey key;
    long status = WithKey(kSimKey, true, &key);
    if (status != kErrorSuccess) return status;
    {
        KeyGuard guard(registry_, key);
        std::vector<std::string> names = {"Absent", "Delay"};
        for (int i = -1; i < kMaxUnits; ++i) {
            Target target{i < 0, i};
            names.push_back(DataValueName(target));
            names.push_back(FailValueName(target));
            names.push_back(ReportValueName(target));
            if (i >= 0) names.push_back(UnitValueName(i + 1));
        }
        for (const auto& name : names) {
            status = DeleteIfThere(registry_, key, name);
            if (status != kErrorSuccess) return status;
        }
    }
    status = WithKey(kInstanceKey, true, &key);
    if (status != kErrorSuccess) return status;
    {
        KeyGuard guard(registry_, key);
        for (int i = 0; i < kInstanceValueSlots; ++i) {
            status = DeleteIfThere(registry_, key, std::to_string(i));
            if (status != kErrorSuccess) return status;
        }
    }
    for (int i = 0; i < count; ++i) {
        status = SetInstance(i, true);
        if (status != kErrorSuccess) return status;
    }
    std::vector<UnitState> units;
    for (int unit = 1; unit <= count; ++unit) units.push_back(DefaultUnit(unit));
    return Store(units);
}

long SimState::Load(std::vector<UnitState>* units) {
    RegKey key;
    long status = WithKey(kSimKey, false, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    std::uint32_t type = 0;
    Bytes data;
    status = ReadValue(registry_, key, "Units", 4, &type, &data);
    if (status != kErrorSuccess) return status;
    if (type != kRegDword || data.size() != 4) return kErrorInvalidData;
    const std::uint32_t count = data[0] | (data[1] << 8) | (data[2] << 16) |
                                (static_cast<std::uint32_t>(data[3]) << 24);
    if (count > static_cast<std::uint32_t>(kMaxUnits)) return kErrorInvalidData;
    units->clear();
    for (int unit = 1; unit <= static_cast<int>(count); ++unit) {
        UnitState state = DefaultUnit(unit);
        // A damaged unit value reads as a fresh unit rather than failing the tool.
        if (ReadValue(registry_, key, UnitValueName(unit), kModelHeader + kMaxSerialLength, &type,
                      &data) == kErrorSuccess &&
            type == kRegBinary) {
            UnitState decoded;
            if (DecodeModel(data, &decoded)) state = decoded;
        }
        units->push_back(state);
    }
    return kErrorSuccess;
}

long SimState::Store(const std::vector<UnitState>& units) {
    if (units.size() > static_cast<std::size_t>(kMaxUnits)) return kErrorInvalidData;
    RegKey key;
    long status = WithKey(kSimKey, true, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    Bytes control;
    for (int i = 0; i < kMaxUnits; ++i) {
        const std::string dev = DataValueName(Target{false, i});
        const std::string model = UnitValueName(i + 1);
        if (i < static_cast<int>(units.size())) {
            const Record record = EncodeRecord(units[i]);
            control.insert(control.end(), record.begin(), record.end());
            status = SetBinary(registry_, key, dev, Bytes(record.begin(), record.end()));
            if (status == kErrorSuccess) status = SetBinary(registry_, key, model, EncodeModel(units[i]));
        } else {
            status = DeleteIfThere(registry_, key, dev);
            if (status == kErrorSuccess) status = DeleteIfThere(registry_, key, model);
        }
        if (status != kErrorSuccess) return status;
    }
    status = SetBinary(registry_, key, "Control", control);
    if (status != kErrorSuccess) return status;
    const std::uint8_t count[4] = {static_cast<std::uint8_t>(units.size()), 0, 0, 0};
    return registry_.SetValue(key, "Units", kRegDword, count, 4);
}

long SimState::SetRaw(const Target& target, const Bytes& bytes) {
    RegKey key;
    long status = WithKey(kSimKey, true, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    return SetBinary(registry_, key, DataValueName(target), bytes);
}

long SimState::SetFail(const Target& target, bool on) {
    return on ? SetDword(kSimKey, FailValueName(target), 1) : Delete(kSimKey, FailValueName(target));
}

long SimState::SetReport(const Target& target, std::optional<std::uint32_t> count) {
    return count ? SetDword(kSimKey, ReportValueName(target), *count)
                 : Delete(kSimKey, ReportValueName(target));
}

long SimState::SetAbsent(bool on) {
    return on ? SetDword(kSimKey, "Absent", 1) : Delete(kSimKey, "Absent");
}

long SimState::SetDelay(std::optional<std::uint32_t> milliseconds) {
    return milliseconds && *milliseconds != 0 ? SetDword(kSimKey, "Delay", *milliseconds)
                                              : Delete(kSimKey, "Delay");
}

long SimState::ReadAbsent(bool* on) {
    *on = false;
    RegKey key;
    long status = WithKey(kSimKey, false, &key);
    if (status == kErrorFileNotFound) return kErrorSuccess;
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    std::uint32_t value = 0;
    status = ReadDriverDword(registry_, key, "Absent", &value);
    *on = value != 0;
    return status;
}

long SimState::ReadServed(std::vector<std::uint32_t>* counts) {
    counts->assign(kMaxUnits + 1, 0);
    RegKey key;
    long status = WithKey(kSimKey, false, &key);
    if (status == kErrorFileNotFound) return kErrorSuccess;
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    for (int i = -1; i < kMaxUnits && status == kErrorSuccess; ++i)
        status = ReadDriverDword(registry_, key, ServedValueName(Target{i < 0, i}), &(*counts)[i + 1]);
    return status;
}

long SimState::SetInstance(int index, bool on) {
    if (index < 0 || index >= kInstanceValueSlots) return kErrorInvalidData;
    RegKey key;
    long status = WithKey(kInstanceKey, true, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    const std::string name = std::to_string(index);
    if (!on) return DeleteIfThere(registry_, key, name);
    return SetString(registry_, key, name, kRegSz, "VRUSBDSK" + std::to_string(index));
}

long SimState::InstallService(const std::string& driverPath) {
    if (driverPath.empty()) return kErrorInvalidData;
    long status = SetDword(kServiceKey, "Type", 1);  // kernel driver
    if (status == kErrorSuccess) status = SetDword(kServiceKey, "Start", 2);  // automatic
    if (status == kErrorSuccess) status = SetDword(kServiceKey, "ErrorControl", 1);
    if (status != kErrorSuccess) return status;
    RegKey key;
    status = WithKey(kServiceKey, true, &key);
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    const std::string image = driverPath.rfind("\\??\\", 0) == 0 ? driverPath : "\\??\\" + driverPath;
    return SetString(registry_, key, "ImagePath", kRegExpandSz, image);
}

long SimState::ReadInstances(std::vector<std::pair<std::string, std::string>>* out) {
    out->clear();
    RegKey key;
    long status = WithKey(kInstanceKey, false, &key);
    if (status == kErrorFileNotFound) return kErrorSuccess;
    if (status != kErrorSuccess) return status;
    KeyGuard guard(registry_, key);
    for (int i = 0; i < kInstanceValueSlots; ++i) {
        const std::string name = std::to_string(i);
        std::uint32_t type = 0;
        Bytes data;
        status = ReadValue(registry_, key, name, 256, &type, &data);
        if (status == kErrorFileNotFound) continue;
        if (status != kErrorSuccess) {
            out->emplace_back(name, "<unreadable>");
            continue;
        }
        std::string text(data.begin(), data.end());
        const auto nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        if (type != kRegSz) text += " <not REG_SZ>";
        out->emplace_back(name, text);
    }
    return kErrorSuccess;
}

}  // namespace kardello::simreader
