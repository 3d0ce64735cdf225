#include "device/CardRecord.h"

namespace kardello {

namespace {

// 0x80 to 0x9F; the five bytes Windows-1252 leaves free stand for the control
// characters of the same number, as Windows itself reads them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string DriverText(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t point = byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
        if (point < 0x80) {
            text.push_back(static_cast<char>(point));
        } else if (point < 0x800) {
            text.push_back(static_cast<char>(0xC0 | (point >> 6)));
            text.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else {
            text.push_back(static_cast<char>(0xE0 | (point >> 12)));
            text.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        }
    }
    return text;
}

}  // namespace kardello
