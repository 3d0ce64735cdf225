#pragma once
// The settings dialog (template 141): the reaction to a new card, the five
// registered applications, the defaults, and the device information panel.
// Only OK writes the registry.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "device/CardReader.h"
#include "platform/Dialog.h"
#include "platform/Platform.h"
#include "settings/DeviceInfoPanel.h"

namespace kardello {

class SettingsDialog : public Dialog {
public:
    static constexpr std::uint32_t kPollTimer = 10;
    static constexpr std::uint32_t kPollInterval = 500;
    // The panel's answer, from the reader's executor.
    static constexpr std::uint32_t kPanelAnswerMessage = wm::kApp + 20;
    static constexpr int kScrollRangeEnd = 25;
    static constexpr int kSlots = 5;

    // One pair for each query variant.
    struct PollLatches {
        bool changeLatch = false;
        bool emptySerialLatch = false;
    };
    // What outlives every settings dialog: whether one is up, and the poll's latches.
    struct Shared {
        OneAtATime shown;
        std::array<PollLatches, 2> latches{};  // by Family
    };

    // The openers' rule: nothing at all while a settings dialog is up, else one modal
    // run, after whose OK `saved` shows what was stored (before the dialog closes).
    // Returns the run's result, or 0 when none was shown.
    static int RunOnce(Platform& platform, Shared& shared, std::function<void()> saved,
                       WindowHandle parent = nullptr);

    SettingsDialog(Platform& platform, Shared& shared, std::function<void()> saved);

private:
    // In the .cpp, with the template's ids: the agent and the selection window, which
    // hold or open this dialog, do not rebuild when an id changes.
    KARDELLO_DECLARE_MESSAGES()

    std::intptr_t OnInitDialog();
    // Register and Delete alternate from 1011: slot n's pair is 1011 + 2(n - 1) and the next.
    void OnRowButton(int id);
    void OnRegister(int slot);
    void OnDelete(int slot);
    void OnRestoreDefaults();
    void OnOk();
    void OnCancel();
    void OnVScroll(int request, int position);
    void OnTimer(std::uint32_t id);
    void OnPanelAnswer(PanelAnswer answer);
    // One query out at a time: the first, at open, only draws; each poll's also decides.
    enum class PanelQuery { None, First, Poll };
    void AskReader(PanelQuery query);
    void OnPollAnswer(const ReaderAnswer& answer);

    void FieldsToControls();
    void ControlsToFields();
    void ClearSlot(int slot);
    void Repaint();

    // A slot value as it was read when the dialog opened: what OK writes back for a
    // slot the user did not change, type and every byte.
    struct AsRead {
        long status = kErrorFileNotFound;
        RegValue value;
    };

    Platform& platform_;
    Shared& shared_;
    std::function<void()> saved_;
    std::int32_t directExecChoice_ = 0;
    std::array<std::string, kSlots> appNames_, exeNames_, paths_;
    std::array<std::array<AsRead, 3>, kSlots> asRead_{};  // EXEn, PATHn, APPNAMEn
    std::array<bool, kSlots> changed_{};  // by Register, Delete or the defaults
    // Each name label's text as it read back when the dialog set it: a label whose text
    // differs at OK was edited (by another program, say), and that name is written anew.
    std::array<std::string, kSlots> labelsAsSet_;
    std::array<bool, kSlots> nameEdited_{};
    std::int32_t recordCount_ = 0;
    std::array<std::int32_t, kSlots> recordStatus_{};
    std::int32_t lastScrollPos_ = 0;
    std::string notRegistered_;
    CardReader reader_;
    PanelQuery queryOut_ = PanelQuery::None;
    DeviceInfoPanel panel_;
};

}  // namespace kardello
