#pragma once
// The selection window (template 143): the photo application, the settings and
// up to five registered applications, offered after a card went in or on request.

#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Dialog.h"
#include "platform/Platform.h"
#include "selection/AppButton.h"

namespace kardello {

class SelectionWindow : public Dialog {
public:
    explicit SelectionWindow(Platform& platform);

    // selectionWindowOpen: set by the creator before a window is shown, cleared by the
    // cancel handler and by every successful launch.
    static int IsShown() { return selectionWindowOpen_; }
    static void SetShown(int open) { selectionWindowOpen_ = open; }

    void SetCardInserted(int inserted) { cardInserted = inserted; }
    bool CardInserted() const { return cardInserted == 1; }
    // While a card's window is up: the card line says whether that card is still in.
    void ShowCardInserted(bool in);
    // launchedPhotoApp, and launchDetail into `detail`.
    int GetLaunchResult(int& detail) const {
        detail = launchDetail;
        return launchedPhotoApp;
    }
    // Redraws the whole window at once (also called by the settings dialog after its OK).
    void Redraw();
    // The stored names become the slot buttons' texts (what screen readers read out),
    // which repaints them.
    void RefreshAppNames();

    std::intptr_t OnInitDialog();
    void OnDrawItem(const DrawItemRequest& request);
    void OnSettingsButton();
    void OnToggleOtherApps();
    void OnLaunchSlot(int slot);
    void OnSlotClicked(int controlId);  // commands 1051 to 1055
    void OnLaunchPhotoApp();
    void OnOk();
    void OnCancel();

    int Expanded() const { return expanded; }

protected:
    const MessageTable& Messages() const override;

    Platform& platform_;
    AppButton settingsButton;
    AppButton otherAppsButton;
    AppButton photoAppButton;
    AppButton slot5Button;
    AppButton slot4Button;
    AppButton slot3Button;
    AppButton slot2Button;
    AppButton slot1Button;
    std::int32_t cardInserted = 0;
    std::int32_t expanded = 0;
    std::int32_t launchedPhotoApp = 0;
    std::int32_t launchDetail = 0;

private:
    AppButton* ButtonFor(int controlId);
    void EnableSlots(bool enable);
    void Launched(int photoApp, int detail);
    void CentreInWorkArea();
    // Pixels at 96 DPI, at the system's DPI.
    int Px(int pixels) const;

    // How far unfolding moved the window up (down, from above the work area) to keep
    // it on the work area; folding moves it back.
    int raisedBy = 0;
    bool cardLineShown_ = false;

    static int selectionWindowOpen_;
};

}  // namespace kardello
