#pragma once
// The simulated card reader as the registry holds it. The driver answers from the
// derived values (Control, DevK, ...); the tool keeps its own model beside them
// (Units, UnitN) so that a serial survives a card or a unit going away.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace kardello::simreader {

constexpr int kMaxUnits = 8;
constexpr std::size_t kRecordSize = 18;
constexpr std::size_t kSerialField = 13;
constexpr std::size_t kMaxSerialLength = 12;
constexpr int kInstanceValueSlots = 26;  // the agent reads values "0".."25"
constexpr int kDefaultUnits = 2;
// Larger report counts on the buffered instance devices hang the caller under Wine.
constexpr std::uint32_t kMaxInstanceReport = 4096;
constexpr std::uint32_t kMaxDelayMs = 60000;  // what the driver holds a request at most

extern const char* const kServiceKey;
extern const char* const kSimKey;
extern const char* const kInstanceKey;

using Record = std::array<std::uint8_t, kRecordSize>;
using Bytes = std::vector<std::uint8_t>;

struct UnitState {
    bool connected = true;
    bool card = false;
    std::string serial;  // kept while the unit is disconnected
    char letter = 'E';
    std::uint16_t extend = 0;
};

struct DecodedRecord {
    std::uint8_t status = 0;
    std::uint8_t reserved = 0;
    std::uint16_t extend = 0;
    char letter = 0;
    std::string serial;           // up to the first NUL of the 13-byte field
    bool serialTerminated = true;  // false: all 13 bytes were non-NUL
};

UnitState DefaultUnit(int unit);  // unit is 1-based
Record EncodeRecord(const UnitState& state);
DecodedRecord DecodeRecord(const std::uint8_t* bytes);  // reads exactly kRecordSize bytes
// One line, control characters escaped, e.g.: status 1 extend 0x0000 letter 'E' serial "VR1".
std::string FormatRecord(const DecodedRecord& record);

// Hex digits in pairs; spaces, ':' and '-' between bytes are ignored.
bool ParseHex(const std::string& text, Bytes* out);

// Which device a raw setting is for: the control device or an instance (0-based).
struct Target {
    bool control = true;
    int instance = 0;
};
std::string DataValueName(const Target& target);
std::string FailValueName(const Target& target);
std::string ReportValueName(const Target& target);
// What the driver counts the device's status requests in; reset leaves it.
std::string ServedValueName(const Target& target);

// Every function returns a Windows status code (kErrorSuccess on success).
class SimState {
public:
    explicit SimState(IRegistry& registry) : registry_(registry) {}

    // Units 1..count connected without cards, all overrides cleared, Instance
    // values "0".."count-1" only.
    long Reset(int count);
    // Fails with kErrorFileNotFound when Reset never ran.
    long Load(std::vector<UnitState>* units);
    // Writes the model and everything derived from it (Control and every DevK).
    long Store(const std::vector<UnitState>& units);

    long SetRaw(const Target& target, const Bytes& bytes);
    long SetFail(const Target& target, bool on);
    long SetReport(const Target& target, std::optional<std::uint32_t> count);
    long SetAbsent(bool on);
    // Every control request is held this many milliseconds (the driver caps it at 60 s);
    // nothing: answered at once.
    long SetDelay(std::optional<std::uint32_t> milliseconds);
    long ReadAbsent(bool* on);
    // The status requests the driver has served, by device: the control device first,
    // then instances 0..kMaxUnits-1.
    long ReadServed(std::vector<std::uint32_t>* counts);
    long SetInstance(int index, bool on);
    // Registers the driver as an automatic kernel service; path is a Windows path.
    long InstallService(const std::string& driverPath);
    // The Instance values "0".."25" present, in order: {name, device name}.
    long ReadInstances(std::vector<std::pair<std::string, std::string>>* out);

private:
    long WithKey(const char* subkey, bool create, RegKey* key);
    long SetDword(const char* subkey, const std::string& name, std::uint32_t value);
    long Delete(const char* subkey, const std::string& name);

    IRegistry& registry_;
};

}  // namespace kardello::simreader
