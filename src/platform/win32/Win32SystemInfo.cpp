#include "platform/win32/Win32SystemInfo.h"

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

static_assert(sizeof(OSVERSIONINFOA) == 148, "the size GetVersionExA is given");

}  // namespace kardello
