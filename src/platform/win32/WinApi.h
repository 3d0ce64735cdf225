#pragma once
// <windows.h> for the Win32 adapters and Windows-only tests, and the program's text
// as the W functions take it. Its A/W macros would rename the interface methods of
// the same names, so they go.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/Utf16.h"

#undef CreateSemaphore
#undef OpenSemaphore
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef CreateFont
#undef DrawText

namespace kardello {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

// UTF-8 to the W functions' UTF-16.
inline std::wstring Wide(std::string_view utf8) {
    const std::u16string units = utf16::FromUtf8(utf8);
    return std::wstring(units.begin(), units.end());
}

// What a W function returned, as the program's UTF-8: `length` units, or up to the
// first NUL when it is left out.
inline std::string Narrow(const wchar_t* text, std::size_t length) {
    if (text == nullptr) return {};
    return utf16::ToUtf8(std::u16string(text, text + length));
}
inline std::string Narrow(const wchar_t* text) {
    return text != nullptr ? Narrow(text, wcslen(text)) : std::string();
}

}  // namespace kardello
