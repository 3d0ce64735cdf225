#pragma once
// A driver's reply of n cards, for the reader's tests, which need no registry.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "device/CardRecord.h"

namespace kardello::scenarios {

// n cards: serials prefix0.., drive letters from E, extended statuses from 0x100.
inline std::vector<std::uint8_t> Cards(int n, const std::string& prefix) {
    std::vector<std::uint8_t> bytes(n * sizeof(CardRecord));
    for (int i = 0; i < n; ++i) {
        CardRecord record{};
        record.status = 1;
        record.driveLetter = static_cast<char>('E' + i % 20);
        record.extendStatus = static_cast<std::uint16_t>(0x100 + i);
        const std::string serial = prefix + std::to_string(i);
        std::memcpy(record.serialNo, serial.data(), std::min<std::size_t>(serial.size(), 13));
        std::memcpy(bytes.data() + i * sizeof record, &record, sizeof record);
    }
    return bytes;
}

}  // namespace kardello::scenarios
