#include "platform/win32/Win32Shell.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/WinApi.h"
#include <shellapi.h>

namespace kardello {

bool Win32Shell::NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
    NOTIFYICONDATAA native{};
    // The first form: every shell since the first accepts it, and its tip holds 63 characters.
    native.cbSize = NOTIFYICONDATAA_V1_SIZE;
    static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 8 ? 104 : 88),
                  "the first form's size as the shell checks it, in either build");
    native.hWnd = reinterpret_cast<HWND>(data.window);
    native.uID = data.id;
    native.uFlags = data.flags;
    native.uCallbackMessage = data.callbackMessage;
    native.hIcon = reinterpret_cast<HICON>(data.icon);
    const std::size_t length = std::min<std::size_t>(data.tip.size(), 63);
    std::memcpy(native.szTip, data.tip.data(), length);
    native.szTip[length] = '\0';
    return Shell_NotifyIconA(message, &native) != FALSE;
}

std::intptr_t Win32Shell::Execute(const char* verb, const std::string& file,
                                  const std::string& directory, int show) {
    HINSTANCE result = ShellExecuteA(nullptr, verb, file.c_str(), nullptr,
                                     directory.empty() ? nullptr : directory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

IconHandle Win32Shell::FileIcon(const std::string& path) {
    SHFILEINFOA info{};
    if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES) == 0)
        return nullptr;
    return reinterpret_cast<IconHandle>(info.hIcon);
}

void Win32Shell::DestroyIcon(IconHandle icon) {
    if (icon != nullptr) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

}  // namespace kardello
