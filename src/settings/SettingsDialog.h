#pragma once
// The settings dialog (template 141): the reaction to a new card, the five
// registered applications, the defaults, and the device information panel.
// Only OK writes the registry.

#include "platform/Dialog.h"
#include "platform/Platform.h"

namespace kardello {

class SettingsDialog : public Dialog {
public:
    explicit SettingsDialog(Platform& platform);

    // The process-wide shown flag: whoever opens the dialog tests and sets it; the
    // dialog clears it when OK or Cancel closes it.
    static bool IsShown() { return shown_; }
    static void SetShown(bool shown) { shown_ = shown; }

protected:
    const MessageTable& Messages() const override;

    Platform& platform_;

private:
    static bool shown_;
};

}  // namespace kardello
