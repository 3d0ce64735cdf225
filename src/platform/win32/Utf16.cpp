#include "platform/win32/Utf16.h"

#include <cstdint>

namespace kardello::utf16 {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The range the second byte of a sequence may take after `lead`, which excludes
// overlong forms and code points past U+10FFFF. After 0xED it admits the surrogates,
// which is how a lone one is carried.
bool SecondByteFits(unsigned char lead, unsigned char second) {
    if (lead == 0xE0) return second >= 0xA0 && second <= 0xBF;
    if (lead == 0xF0) return second >= 0x90 && second <= 0xBF;
    if (lead == 0xF4) return second >= 0x80 && second <= 0x8F;
    return IsContinuation(second);
}

// The length of the sequence `lead` starts; 0 when no sequence starts with it.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

void AppendCodePoint(std::u16string& out, std::uint32_t point) {
    if (point < 0x10000) {
        out.push_back(static_cast<char16_t>(point));
        return;
    }
    point -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
}

}  // namespace

std::u16string FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = byte(i);
        const int length = SequenceLength(lead);
        if (length == 1) {
            out.push_back(lead);
            ++i;
            continue;
        }
        // How much of the sequence is well formed: a broken one becomes one U+FFFD
        // for its well-formed start, and decoding goes on after it.
        int taken = length == 0 ? 0 : 1;
        if (taken == 1 && i + 1 < utf8.size() && SecondByteFits(lead, byte(i + 1))) {
            taken = 2;
            while (taken < length && i + taken < utf8.size() && IsContinuation(byte(i + taken)))
                ++taken;
        }
        if (taken < length || length == 0) {
            out.push_back(kReplacement);
            i += taken == 0 ? 1 : taken;
            continue;
        }
        std::uint32_t point = lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) point = (point << 6) | (byte(i + k) & 0x3F);
        AppendCodePoint(out, point);
        i += length;
    }
    return out;
}

std::string ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t point = utf16[i];
        if (IsHighSurrogate(utf16[i]) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            point = 0x10000 + ((point - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        // A lone surrogate takes the three-byte form like any other unit below U+10000.
        if (point < 0x80) {
            out.push_back(static_cast<char>(point));
        } else if (point < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (point >> 6)));
            out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else if (point < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (point >> 12)));
            out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (point >> 18)));
            out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        }
    }
    return out;
}

}  // namespace kardello::utf16
