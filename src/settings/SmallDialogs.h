#pragma once
// The four small boxes: version, defaults confirmation, application not found, low memory.

#include <cstdint>

#include "platform/Dialog.h"

namespace kardello {

class AboutDialog : public Dialog {
public:
    explicit AboutDialog(IUser& user);
    static bool IsShown() { return shown_; }
    static void SetShown(bool shown) { shown_ = shown; }

private:
    const MessageTable& Messages() const override;
    std::intptr_t OnInitDialog();
    static bool shown_;
};

class DefaultsConfirmDialog : public Dialog {
public:
    explicit DefaultsConfirmDialog(IUser& user);

private:
    const MessageTable& Messages() const override;
};

// Both failure boxes of an application start come forward as they open: the agent's
// own come up for a card, when Windows keeps the foreground from it, and have no
// taskbar button to show them.
class ForegroundBox : public Dialog {
protected:
    using Dialog::Dialog;
    std::intptr_t OnInitDialog();
    const MessageTable& Messages() const override;
};

class AppNotFoundDialog : public ForegroundBox {
public:
    explicit AppNotFoundDialog(IUser& user);
};

class LowMemoryDialog : public ForegroundBox {
public:
    explicit LowMemoryDialog(IUser& user);
};

}  // namespace kardello
