#pragma once
// The selection window (template 143): the photo application, the settings and
// up to five registered applications, offered after a card went in or on request.

#include <array>
#include <cstdint>

#include "platform/Canvas.h"
#include "launch/Launch.h"
#include "platform/Dialog.h"
#include "platform/Platform.h"
#include "res/SelectionWindowIds.h"
#include "selection/AppButton.h"
#include "settings/SettingsDialog.h"

namespace kardello {

class SelectionWindow : public Dialog {
public:
    // What the window started before it closed itself.
    enum class Launched { Nothing, Slot, PhotoAppByHand, PhotoAppForCard };

    // The shell's answers, from its executor.
    static constexpr std::uint32_t kIconReadMessage = wm::kApp + 10;
    static constexpr std::uint32_t kStartAnsweredMessage = wm::kApp + 11;

    // `settings`: the settings dialog's state, which its "Ajustes" button shares with the
    // tray's command.
    SelectionWindow(Platform& platform, SettingsDialog::Shared& settings);

    // Whether a card's insertion raised the window, or came while it was up.
    void SetCardInserted(bool inserted) { cardInserted_ = inserted; }
    bool CardInserted() const { return cardInserted_; }
    // While a card's window is up: the card line says whether that card is still in.
    void ShowCardInserted(bool in);
    // After the settings dialog's OK: the slots show the stored names at once.
    void ShowNewNames();

    // After a run that did not end with Cancel: what was started, and from which slot.
    Launched Started() const { return launched_; }
    int StartedSlot() const { return startedSlot_; }

private:
    KARDELLO_BEGIN_MESSAGES(SelectionWindow)
        KARDELLO_MESSAGE(wm::kInitDialog, OnInitDialog)
        KARDELLO_MESSAGE(wm::kDrawItem, OnDrawItem)
        KARDELLO_CLICK(IDC_SELECTION_SETTINGS, OnSettingsButton)
        KARDELLO_CLICK(IDC_SELECTION_OTHER_APPS, OnToggleOtherApps)
        KARDELLO_COMMAND_RANGE(IDC_SELECTION_SLOT_1, IDC_SELECTION_SLOT_5, OnLaunchSlot)
        KARDELLO_CLICK(IDC_SELECTION_PHOTO_APP, OnLaunchPhotoApp)
        KARDELLO_CLICK(kIdOk, OnOk)
        KARDELLO_CLICK(kIdCancel, OnCancel)
        KARDELLO_RESULT(kIconReadMessage, executor_, OnIconRead)
        KARDELLO_RESULT(kStartAnsweredMessage, executor_, OnStartAnswered)
    KARDELLO_END_MESSAGES(nullptr)

    // A slot program's own icon, read for the round of reads that asked for it.
    struct SlotIcon {
        int round = 0;
        int slot = 0;
        ShellIcon icon;
    };
    // How a start from this window went; slot 0 is the photo application.
    struct StartResult {
        int slot = 0;
        bool broughtForward = false;
        StartAnswer answer;
    };

    std::intptr_t OnInitDialog();
    void OnDrawItem(const DrawItemRequest& request);
    void OnSettingsButton();
    void OnToggleOtherApps();
    void OnLaunchSlot(int controlId);
    void OnLaunchPhotoApp();
    void OnOk();
    void OnCancel();
    void OnIconRead(SlotIcon read);
    void OnStartAnswered(StartResult result);

    AppButton* ButtonFor(int controlId);
    void EnableSlots(bool enable);
    void Close(Launched launched, int slot = 0);
    void CentreInWorkArea();
    // Redraws the whole window at once.
    void Redraw();
    // The stored names become the slot buttons' texts (what screen readers read out),
    // which repaints them.
    void RefreshAppNames();
    // Every registered slot shows its type's icon at once and asks for its own.
    void ReadIcons();
    // Pixels at 96 DPI, at the system's DPI.
    int Px(int pixels) const;

    Platform& platform_;
    SettingsDialog::Shared& settings_;
    IExecutor& executor_;
    AppButton settingsButton_;
    AppButton otherAppsButton_;
    AppButton photoAppButton_;
    std::array<AppButton, 5> slotButtons_;  // slots 1 to 5
    bool cardInserted_ = false;
    bool expanded_ = false;
    Launched launched_ = Launched::Nothing;
    int startedSlot_ = 0;
    // How far unfolding moved the window up (down, from above the work area) to keep
    // it on the work area; folding moves it back.
    int raisedBy_ = 0;
    bool cardLineShown_ = false;
    int iconRound_ = 0;
    // A start is out: every start button does nothing until its answer is back.
    bool startOut_ = false;
};

}  // namespace kardello
