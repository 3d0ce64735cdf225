#pragma once
#include <cstdint>

namespace kardello {

constexpr std::uint32_t kPlatformWin32Windows = 1;  // the Windows 95 family
constexpr std::uint32_t kPlatformWin32Nt = 2;

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // dwPlatformId from GetVersionExA, asked anew at every call.
    virtual std::uint32_t PlatformId() = 0;
};

}  // namespace kardello
