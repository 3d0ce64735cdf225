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
    IUser& user_;

private:
    int templateId_;
};

// Modal results.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

}  // namespace kardello
