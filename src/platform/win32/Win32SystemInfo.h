#pragma once
#include "platform/SystemInfo.h"

namespace kardello {

class Win32SystemInfo final : public ISystemInfo {
public:
    std::uint32_t PlatformId() override;
    // Empty when the directory does not fit.
    std::string WindowsDirectory() override;
    bool VolumeName(const std::string& root, std::string& name) override;
    // Its library is loaded at the first question, not at start.
    std::uint32_t ConsoleSession() override;
    bool OwnSession(std::uint32_t& session) override;
};

}  // namespace kardello
