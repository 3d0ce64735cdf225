#include "settings/SmallDialogs.h"

#include <iterator>

#include "res/resource.h"

namespace kardello {

bool AboutDialog::shown_ = false;

AboutDialog::AboutDialog(IUser& user) : Dialog(user, IDD_ABOUT) {}

const MessageTable& AboutDialog::Messages() const {
    static const MessageEntry entries[] = {
        KARDELLO_ON_MESSAGE(wm::kInitDialog, (crack::Result<AboutDialog, &AboutDialog::OnInitDialog>)),
    };
    static const MessageTable table{entries, std::size(entries), nullptr};
    return table;
}

std::intptr_t AboutDialog::OnInitDialog() {
    Ops()->MakeTopMost();
    return 0;  // focus already placed: the dialog manager leaves it
}

DefaultsConfirmDialog::DefaultsConfirmDialog(IUser& user) : Dialog(user, IDD_DEFAULTS_CONFIRM) {}

const MessageTable& DefaultsConfirmDialog::Messages() const {
    static const MessageTable table{nullptr, 0, nullptr};  // the dialog manager's defaults
    return table;
}

const MessageTable& ForegroundBox::Messages() const {
    static const MessageEntry entries[] = {
        KARDELLO_ON_MESSAGE(wm::kInitDialog,
                            (crack::Result<ForegroundBox, &ForegroundBox::OnInitDialog>)),
    };
    static const MessageTable table{entries, std::size(entries), nullptr};
    return table;
}

std::intptr_t ForegroundBox::OnInitDialog() {
    ComeForward();
    return 0;
}

AppNotFoundDialog::AppNotFoundDialog(IUser& user) : ForegroundBox(user, IDD_APP_NOT_FOUND) {}

LowMemoryDialog::LowMemoryDialog(IUser& user) : ForegroundBox(user, IDD_LOW_MEMORY) {}

}  // namespace kardello
