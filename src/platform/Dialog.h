#pragma once
// A modal dialog built from one of the program's dialog templates; its object is
// made for one showing. And the rule that keeps one of a kind of window up at a time.

#include <memory>

#include "platform/MessageMap.h"
#include "platform/User.h"

namespace kardello {

// Modal results.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class Dialog : public WindowBase {
public:
    Dialog(IUser& user, int templateId) : user_(user), templateId_(templateId) {}
    // 1: OK or Enter; 2: Cancel, Esc or the close box; -1: could not be shown.
    int RunModal(WindowHandle parent = nullptr) { return user_.RunModal(*this, templateId_, parent); }

protected:
    // For a window that comes up without the user asking for it in that moment (a card
    // went in): above every window that is not top-most, and active where Windows grants
    // it the foreground; where it refuses, its caption flashes until the user activates it.
    void ComeForward() {
        if (IWindowOps* ops = Ops()) {
            ops->MakeTopMost();
            if (!ops->SetForeground()) ops->FlashUntilActive();
        }
    }

    IUser& user_;

private:
    int templateId_;
};

// One window of a kind up at a time: whoever opens one takes the hold before the
// window is built; it is given back when the hold goes, however the window's run ended.
class OneAtATime {
    struct GiveBack {
        void operator()(bool* up) const { *up = false; }
    };

public:
    // Empty when a window of the kind was up already: then nothing is to be shown.
    using Hold = std::unique_ptr<bool, GiveBack>;
    bool Up() const { return up_; }
    Hold Take() {
        if (up_) return nullptr;
        up_ = true;
        return Hold(&up_);
    }

private:
    bool up_ = false;
};

}  // namespace kardello
