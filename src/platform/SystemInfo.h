#pragma once
#include <cstdint>
#include <string>

namespace kardello {

constexpr std::uint32_t kPlatformWin32Windows = 1;  // the Windows 95 family
constexpr std::uint32_t kPlatformWin32Nt = 2;

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // dwPlatformId from GetVersionExA, asked anew at every call.
    virtual std::uint32_t PlatformId() = 0;
    // GetWindowsDirectoryA into 260 bytes.
    virtual std::string WindowsDirectory() = 0;
    // GetVolumeInformationA(root, 40-byte name buffer, ...): the volume's name.
    virtual bool VolumeName(const std::string& root, std::string& name) = 0;
};

}  // namespace kardello
