#pragma once
// A hidden window that owns one icon in the notification area and turns the
// icon's raw mouse notifications into single-click, double-click and right-click
// hooks. A single click is reported only after the double-click time has passed
// without a second click. Always created on the heap: it deletes itself when its
// window is gone.

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/Window.h"

namespace kardello {

class TrayIconWindow : public WindowBase {
public:
    static constexpr std::uint32_t kIconId = 100;
    static constexpr std::uint32_t kTrayCallbackMessage = wm::kUser + 500;  // 0x5F4
    static constexpr std::uint32_t kClickTimer = 4;

    explicit TrayIconWindow(Platform& platform) : platform_(platform) {}

    // Creates the hidden window; the creation handling runs inside. On false the
    // object is gone.
    virtual bool Create();
    // Shell_NotifyIconW with this window's icon record; returns its result.
    bool NotifyIcon(std::uint32_t message, IconHandle icon, const char* tip);

    std::intptr_t OnTrayCallback(std::uintptr_t id, std::intptr_t mouseMessage);
    void OnTimer(std::uint32_t id);

    virtual void OnTrayRightClick() {}
    virtual void OnTraySingleClick() {}
    virtual void OnTrayDoubleClick() {}

    std::int32_t DoubleClickSeen() const { return doubleClickSeen; }
    // The icon last sent to the notification area, shared by every instance.
    static IconHandle LastIcon() { return lastIcon; }

protected:
    const MessageTable& Messages() const override;
    void OnFinalDestroy() override;

    Platform& platform_;

private:
    std::int32_t doubleClickSeen = 0;
    bool* destroyedDuringCreate_ = nullptr;
    static IconHandle lastIcon;
};

}  // namespace kardello
