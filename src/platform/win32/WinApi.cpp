#include "platform/win32/WinApi.h"

namespace kardello {

WideString Wide(std::string_view utf8) {
    const std::u16string units = utf16::FromUtf8(utf8);
    return WideString(units.begin(), units.end());
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    if (text == nullptr) return {};
    return utf16::ToUtf8(std::u16string(text, text + length));
}

std::string Narrow(const wchar_t* text) { return text != nullptr ? Narrow(text, wcslen(text)) : std::string(); }

}  // namespace kardello
