#pragma once
// The card reader driver's record for one slot, exactly as the driver returns it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace kardello {

#pragma pack(push, 1)
struct CardRecord {
    std::uint8_t status;        // 1: a card is in the slot, 0: no card, anything else: neither
    std::uint8_t reserved;
    std::uint16_t extendStatus; // little-endian, passed on unchanged
    char driveLetter;
    char serialNo[13];          // NUL-terminated within the field when the driver behaves

    static constexpr std::uint8_t kCardIn = 1;
    static constexpr std::uint8_t kNoCard = 0;

    bool HasCard() const { return status == kCardIn; }
    bool IsEmpty() const { return status == kNoCard; }

    // The serial number as text. Every reader of serialNo goes through here: a driver
    // that fills all 13 bytes without a NUL must not make anyone read past the record.
    std::string SerialText() const {
        const void* nul = std::memchr(serialNo, 0, sizeof serialNo);
        return std::string(serialNo, nul ? static_cast<const char*>(nul) - serialNo
                                         : sizeof serialNo);
    }
    bool SameSerial(const CardRecord& other) const { return SerialText() == other.SerialText(); }
};
#pragma pack(pop)

static_assert(sizeof(CardRecord) == 18, "the driver's record is 18 bytes");
static_assert(offsetof(CardRecord, status) == 0);
static_assert(offsetof(CardRecord, reserved) == 1);
static_assert(offsetof(CardRecord, extendStatus) == 2);
static_assert(offsetof(CardRecord, driveLetter) == 4);
static_assert(offsetof(CardRecord, serialNo) == 5);

// The driver's bytes (serial number, drive letter) as text: Windows-1252, the code page
// the reader's records are written in. Every byte stands for one character, so nothing
// the driver sends is lost, whatever the system's own code page.
std::string DriverText(const std::string& bytes);

constexpr int kMaxCardRecords = 26;  // every caller's table has room for this many
constexpr std::uint32_t kCardRecordSize = sizeof(CardRecord);

}  // namespace kardello
