#pragma once
// The version box and the defaults question.

#include <cstdint>

#include "platform/Dialog.h"

namespace kardello {

class AboutDialog : public Dialog {
public:
    explicit AboutDialog(IUser& user);

private:
    KARDELLO_BEGIN_MESSAGES(AboutDialog)
        KARDELLO_MESSAGE(wm::kInitDialog, OnInitDialog)
    KARDELLO_END_MESSAGES(nullptr)

    std::intptr_t OnInitDialog();
};

class DefaultsConfirmDialog : public Dialog {
public:
    explicit DefaultsConfirmDialog(IUser& user);

private:
    KARDELLO_NO_MESSAGES()  // the dialog manager's defaults
};

}  // namespace kardello
