#pragma once
#include <cstdint>
#include <string>

namespace kardello {

constexpr std::uint32_t kPlatformWin32Windows = 1;  // the Windows 95 family
constexpr std::uint32_t kPlatformWin32Nt = 2;

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // dwPlatformId from GetVersionExW, asked anew at every call.
    virtual std::uint32_t PlatformId() = 0;
    // GetWindowsDirectoryW into 260 characters.
    virtual std::string WindowsDirectory() = 0;
    // GetVolumeInformationW(root, 40-character name buffer, ...): the volume's name.
    virtual bool VolumeName(const std::string& root, std::string& name) = 0;
    // Whether this program's session is the one the user works in (WTSConnectState
    // WTSActive) rather than one left connected under fast user switching or a
    // disconnected remote one; true when it cannot be told.
    virtual bool SessionActive() = 0;
};

}  // namespace kardello
