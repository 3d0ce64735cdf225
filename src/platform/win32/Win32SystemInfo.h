#pragma once
#include "platform/SystemInfo.h"

namespace kardello {

class Win32SystemInfo final : public ISystemInfo {
public:
    std::uint32_t PlatformId() override;
};

}  // namespace kardello
