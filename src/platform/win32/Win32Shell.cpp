#include "platform/win32/Win32Shell.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/WinApi.h"
#include <shellapi.h>

namespace kardello {

bool Win32Shell::NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
    NOTIFYICONDATAW native{};
    // The first form: every shell since the first accepts it, and its tip holds 63 units.
    native.cbSize = NOTIFYICONDATAW_V1_SIZE;
    static_assert(NOTIFYICONDATAW_V1_SIZE == (sizeof(void*) == 8 ? 168 : 152),
                  "the first form's size as the shell checks it, in either build");
    native.hWnd = reinterpret_cast<HWND>(data.window);
    native.uID = data.id;
    native.uFlags = data.flags;
    native.uCallbackMessage = data.callbackMessage;
    native.hIcon = reinterpret_cast<HICON>(data.icon);
    const WideString tip = Wide(data.tip);
    std::size_t length = std::min<std::size_t>(tip.size(), 63);
    // Never half a character: a pair cut after its first unit goes whole.
    if (length > 0 && length < tip.size() && IS_HIGH_SURROGATE(tip[length - 1])) --length;
    std::memcpy(native.szTip, tip.data(), length * sizeof(wchar_t));
    native.szTip[length] = L'\0';
    return Shell_NotifyIconW(message, &native) != FALSE;
}

std::intptr_t Win32Shell::Execute(const char* verb, const std::string& file,
                                  const std::string& directory, int show) {
    const WideString wideDirectory = Wide(directory);
    HINSTANCE result =
        ShellExecuteW(nullptr, verb != nullptr ? Wide(verb).c_str() : nullptr, Wide(file).c_str(),
                      nullptr, directory.empty() ? nullptr : wideDirectory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

IconHandle Win32Shell::FileIcon(const std::string& path) {
    SHFILEINFOW info{};
    if (SHGetFileInfoW(Wide(path).c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES) == 0)
        return nullptr;
    return reinterpret_cast<IconHandle>(info.hIcon);
}

void Win32Shell::DestroyIcon(IconHandle icon) {
    if (icon != nullptr) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

}  // namespace kardello
