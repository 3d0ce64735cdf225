#pragma once
// The selection window (template 143): the photo application, the settings and
// up to five registered applications, offered after a card went in or on request.

#include <cstdint>

#include "platform/Dialog.h"
#include "platform/Platform.h"

namespace kardello {

class SelectionWindow : public Dialog {
public:
    explicit SelectionWindow(Platform& platform);

    // selectionWindowOpen: set by the creator before a window is shown, cleared by the
    // cancel handler and by every successful launch.
    static int IsShown() { return selectionWindowOpen_; }
    static void SetShown(int open) { selectionWindowOpen_ = open; }

    void SetCardInserted(int inserted) { cardInserted = inserted; }
    // launchedPhotoApp, and launchDetail into `detail`.
    int GetLaunchResult(int& detail) const {
        detail = launchDetail;
        return launchedPhotoApp;
    }
    // Redraws the whole window at once (also called by the settings dialog after its OK).
    void Redraw();

protected:
    const MessageTable& Messages() const override;

    Platform& platform_;
    std::int32_t cardInserted = 0;
    std::int32_t expanded = 0;
    std::int32_t launchedPhotoApp = 0;
    std::int32_t launchDetail = 0;

private:
    static int selectionWindowOpen_;
};

}  // namespace kardello
