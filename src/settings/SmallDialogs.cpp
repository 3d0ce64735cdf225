#include "settings/SmallDialogs.h"

#include "res/SmallDialogIds.h"

namespace kardello {

AboutDialog::AboutDialog(IUser& user) : Dialog(user, IDD_ABOUT) {}

std::intptr_t AboutDialog::OnInitDialog() {
    Ops()->MakeTopMost();
    return 0;  // focus already placed: the dialog manager leaves it
}

DefaultsConfirmDialog::DefaultsConfirmDialog(IUser& user) : Dialog(user, IDD_DEFAULTS_CONFIRM) {}

}  // namespace kardello
