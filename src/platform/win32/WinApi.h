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

// Not WideString: the standard library's ready-made one would bring every one of its
// members into the program, some 50 KB; this one is built of what is used only.
struct WideTraits : std::char_traits<wchar_t> {};
using WideString = std::basic_string<wchar_t, WideTraits>;

// UTF-8 to the W functions' UTF-16, and back: `length` units, or up to the first NUL
// when it is left out. Out of line: every call into Windows goes through them.
WideString Wide(std::string_view utf8);
std::string Narrow(const wchar_t* text, std::size_t length);
std::string Narrow(const wchar_t* text);

}  // namespace kardello
