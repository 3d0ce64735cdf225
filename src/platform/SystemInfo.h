#pragma once
#include <cstdint>
#include <string>

namespace kardello {

constexpr std::uint32_t kPlatformWin32Windows = 1;  // the Windows 95 family
constexpr std::uint32_t kPlatformWin32Nt = 2;
constexpr std::uint32_t kNoConsoleSession = 0xFFFFFFFFu;

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // dwPlatformId from GetVersionExW, asked anew at every call.
    virtual std::uint32_t PlatformId() = 0;
    // GetWindowsDirectoryW into 260 characters.
    virtual std::string WindowsDirectory() = 0;
    // GetVolumeInformationW(root, 40-character name buffer, ...): the volume's name.
    virtual bool VolumeName(const std::string& root, std::string& name) = 0;
    // WTSGetActiveConsoleSessionId: the session attached to the physical console, where
    // the card reader is; kNoConsoleSession while none is (in the middle of a switch).
    virtual std::uint32_t ConsoleSession() = 0;
    // ProcessIdToSessionId for this program; false when it cannot be told.
    virtual bool OwnSession(std::uint32_t& session) = 0;
};

// Whether this program's session is the one at the console: the user in front under fast
// user switching, never a connected Remote Desktop session. True when it cannot be told.
inline bool SessionAtConsole(ISystemInfo& system) {
    const std::uint32_t console = system.ConsoleSession();
    std::uint32_t own = 0;
    return console == kNoConsoleSession || !system.OwnSession(own) || own == console;
}

}  // namespace kardello
