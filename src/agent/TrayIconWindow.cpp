#include "agent/TrayIconWindow.h"
#include "res/AgentWindowTexts.h"


namespace kardello {

bool TrayIconWindow::Create() {
    // A window that fails during its creation may already have deleted this object.
    bool destroyed = false;
    destroyedDuringCreate_ = &destroyed;
    const bool created = platform_.user.CreateHiddenToolWindow(*this, TXT_AGENT_WINDOW_TITLE);
    if (destroyed) return false;
    destroyedDuringCreate_ = nullptr;
    if (!created) delete this;
    return created;
}

bool TrayIconWindow::NotifyIcon(std::uint32_t message, IconHandle icon, const char* tip) {
    // A window that is gone must not leave an icon behind it.
    if (!HasWindow()) return false;
    NotifyIconData data;
    data.window = Handle();
    data.id = kIconId;
    data.callbackMessage = kTrayCallbackMessage;
    data.flags = kNifMessage;
    // An add always carries the icon: a retried or repeated add shows nothing without it.
    if (icon != nullptr && (icon != lastIcon_ || message == kNimAdd)) {
        data.flags |= kNifIcon;
        data.icon = icon;
        lastIcon_ = icon;
    }
    if (tip != nullptr) {
        data.flags |= kNifTip;
        data.tip = tip;
    }
    return platform_.shell.NotifyIcon(message, data);
}

std::intptr_t TrayIconWindow::OnTrayCallback(std::uintptr_t id, std::intptr_t mouseMessage) {
    if (id != kIconId) return 0;
    switch (mouseMessage) {
        case wm::kLButtonDown:
            doubleClickSeen_ = false;
            Ops()->SetTimer(kClickTimer, platform_.user.DoubleClickTime());
            break;
        case wm::kLButtonUp:
            if (doubleClickSeen_) Ops()->Post(wm::kLButtonDblClk, 0, 0);
            break;
        case wm::kLButtonDblClk:
            doubleClickSeen_ = true;
            Ops()->KillTimer(kClickTimer);
            break;
        case wm::kRButtonUp:
            Ops()->Post(wm::kRButtonUp, 0, 0);
            break;
        default:
            break;
    }
    return 0;
}

void TrayIconWindow::OnTimer(std::uint32_t id) {
    if (id != kClickTimer) return;
    Ops()->KillTimer(kClickTimer);
    Ops()->Post(wm::kLButtonUp, 0, 0);
}

void TrayIconWindow::OnFinalDestroy() {
    if (destroyedDuringCreate_ != nullptr) *destroyedDuringCreate_ = true;
    delete this;
}

}  // namespace kardello
