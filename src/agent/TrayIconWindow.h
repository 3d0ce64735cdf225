#pragma once
// A hidden window that owns one icon in the notification area and turns the
// icon's raw mouse notifications into single-click, double-click and right-click
// hooks. A single click is reported only after the double-click time has passed
// without a second click. Always created on the heap: it deletes itself when its
// window is gone.

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/MessageMap.h"

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

protected:
    KARDELLO_BEGIN_MESSAGES(TrayIconWindow)
        KARDELLO_TIMER(OnTimer)
        KARDELLO_MESSAGE(wm::kLButtonUp, OnTraySingleClick)
        KARDELLO_MESSAGE(wm::kLButtonDblClk, OnTrayDoubleClick)
        KARDELLO_MESSAGE(wm::kRButtonUp, OnTrayRightClick)
        KARDELLO_MESSAGE(kTrayCallbackMessage, OnTrayCallback)
    KARDELLO_END_MESSAGES(nullptr)

    // Shell_NotifyIconW with this window's icon record; returns its result.
    bool NotifyIcon(std::uint32_t message, IconHandle icon, const char* tip);
    // The click timer's tick; a derived window's timer handler passes every tick here.
    void OnTimer(std::uint32_t id);
    void OnFinalDestroy() override;

    Platform& platform_;

private:
    virtual void OnTrayRightClick() {}
    virtual void OnTraySingleClick() {}
    virtual void OnTrayDoubleClick() {}
    std::intptr_t OnTrayCallback(std::uintptr_t id, std::intptr_t mouseMessage);

    bool doubleClickSeen_ = false;
    bool* destroyedDuringCreate_ = nullptr;
    IconHandle lastIcon_ = nullptr;  // the icon last sent to the notification area
};

}  // namespace kardello
