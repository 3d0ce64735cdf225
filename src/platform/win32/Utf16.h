#pragma once
// The one conversion between the program's UTF-8 text and the UTF-16 that Windows'
// W functions take. Plain C++, so that it is tested natively as well.
//
// Lossless for whatever Windows hands over: a lone surrogate (a file name or a
// registry value may hold one) goes to UTF-8 as its three-byte form and comes back as
// the same unit, so a text read and written back unchanged is the same text.
// Bytes that are no UTF-8 at all become U+FFFD, one for each byte.

#include <string>
#include <string_view>

namespace kardello::utf16 {

std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

}  // namespace kardello::utf16
