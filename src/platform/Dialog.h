#pragma once
// A modal dialog built from one of the program's dialog templates; its object is
// made for one showing.

#include "platform/User.h"
#include "platform/Window.h"

namespace kardello {

class Dialog : public WindowBase {
public:
    Dialog(IUser& user, int templateId) : user_(user), templateId_(templateId) {}
    int TemplateId() const { return templateId_; }
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

// Modal results.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

}  // namespace kardello
