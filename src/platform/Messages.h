#pragma once
// The messages the system's windows handle, with Windows' numbers, and what they carry.

#include <cstdint>

namespace kardello {

struct WindowTag;
using WindowHandle = WindowTag*;
struct IconTag;
using IconHandle = IconTag*;

namespace wm {
constexpr std::uint32_t kCreate = 0x0001;
constexpr std::uint32_t kDestroy = 0x0002;
constexpr std::uint32_t kPaint = 0x000F;
constexpr std::uint32_t kClose = 0x0010;
constexpr std::uint32_t kDrawItem = 0x002B;
constexpr std::uint32_t kInitDialog = 0x0110;
constexpr std::uint32_t kCommand = 0x0111;
constexpr std::uint32_t kTimer = 0x0113;
constexpr std::uint32_t kVScroll = 0x0115;
constexpr std::uint32_t kLButtonDown = 0x0201;
constexpr std::uint32_t kLButtonUp = 0x0202;
constexpr std::uint32_t kLButtonDblClk = 0x0203;
constexpr std::uint32_t kRButtonDown = 0x0204;
constexpr std::uint32_t kRButtonUp = 0x0205;
constexpr std::uint32_t kDeviceChange = 0x0219;
constexpr std::uint32_t kUser = 0x0400;
constexpr std::uint32_t kApp = 0x8000;
}  // namespace wm

// WM_DEVICECHANGE events (wParam) that carry a device, and what the window learns of it.
namespace dbt {
constexpr std::uint32_t kDeviceArrival = 0x8000;
constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;
}  // namespace dbt

struct DeviceChange {
    std::uint32_t event = 0;
    bool volume = false;  // the device is a volume (DEV_BROADCAST_VOLUME)
    bool media = false;   // DBTF_MEDIA: media came into or left a drive that stays

    // Media went into or out of a drive, such as a card into a card reader's slot.
    bool IsMediaChange() const {
        return (event == dbt::kDeviceArrival || event == dbt::kDeviceRemoveComplete) && volume &&
               media;
    }
};

// Scroll requests (the low word of WM_VSCROLL's wParam).
namespace sb {
constexpr int kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3, kThumbPosition = 4,
              kThumbTrack = 5, kTop = 6, kBottom = 7, kEndScroll = 8;
}  // namespace sb

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

}  // namespace kardello
