#include "platform/win32/Win32SystemInfo.h"

#include <cstring>

#include <windows.h>

namespace kardello {

std::uint32_t Win32SystemInfo::PlatformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148
    // The call's own result is not looked at: a failure leaves id 0, which is not NT.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return info.dwPlatformId;
}

std::string Win32SystemInfo::WindowsDirectory() {
    char directory[260] = {};
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    // A longer directory is reported by the length it needs, and nothing is written.
    if (length == 0 || length >= sizeof directory) return {};
    return std::string(directory, length);
}

bool Win32SystemInfo::VolumeName(const std::string& root, std::string& name) {
    char volume[40] = {};
    DWORD longestComponent = 0, flags = 0;
    if (!GetVolumeInformationA(root.c_str(), volume, sizeof volume, nullptr, &longestComponent,
                               &flags, nullptr, 0))
        return false;
    name.assign(volume, strnlen(volume, sizeof volume));
    return true;
}

static_assert(sizeof(OSVERSIONINFOA) == 148, "the size GetVersionExA is given");

}  // namespace kardello
