#include "platform/win32/Win32SystemInfo.h"

#include <cstring>

#include "platform/win32/CriticalErrors.h"
#include "platform/win32/WinApi.h"

namespace kardello {

std::uint32_t Win32SystemInfo::PlatformId() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    // The call's own result is not looked at: a failure leaves id 0, which is not NT.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    GetVersionExW(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return info.dwPlatformId;
}

std::string Win32SystemInfo::WindowsDirectory() {
    wchar_t directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    // A longer directory is reported by the length it needs, and nothing is written.
    if (length == 0 || length >= MAX_PATH) return {};
    return Narrow(directory, length);
}

bool Win32SystemInfo::VolumeName(const std::string& root, std::string& name) {
    // Room for the longest label a file system gives, 32 characters.
    wchar_t volume[40] = {};
    DWORD longestComponent = 0, flags = 0;
    // Twice a second from the device panel, for a card slot that may hold no card.
    const QuietCriticalErrors quiet;
    if (!GetVolumeInformationW(Wide(root).c_str(), volume, 40, nullptr, &longestComponent, &flags,
                               nullptr, 0))
        return false;
    name = Narrow(volume, wcsnlen(volume, 40));
    return true;
}

std::uint32_t Win32SystemInfo::ConsoleSession() { return WTSGetActiveConsoleSessionId(); }

bool Win32SystemInfo::OwnSession(std::uint32_t& session) {
    DWORD id = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &id)) return false;
    session = id;
    return true;
}

}  // namespace kardello
