#pragma once
// The settings dialog (template 141): the reaction to a new card, the five
// registered applications, the defaults, and the device information panel.
// Only OK writes the registry.

#include <array>
#include <cstdint>
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
    static constexpr int kScrollRangeEnd = 25;
    static constexpr int kSlots = 5;

    // One pair for each query variant; they outlive every dialog.
    struct PollLatches {
        std::int32_t changeLatch = 0;
        std::int32_t emptySerialLatch = 0;
    };

    explicit SettingsDialog(Platform& platform);

    // The process-wide shown flag: whoever opens the dialog tests and sets it; the
    // dialog clears it when OK or Cancel closes it.
    static bool IsShown() { return shown_; }
    static void SetShown(bool shown) { shown_ = shown; }
    static PollLatches& Latches(Family family) { return latches_[static_cast<int>(family)]; }

    // The openers' rule: nothing at all while a settings dialog is up, else one modal
    // run. Returns its result, or 0 when none was shown. A run that neither OK nor
    // Cancel ended (the dialog could not be shown, the program ended) clears the flag,
    // which would otherwise bar the dialog for good.
    static int RunOnce(Platform& platform, WindowHandle parent = nullptr);

    std::intptr_t OnInitDialog();
    void OnRegister(int id);
    void OnDelete(int id);
    void OnRestoreDefaults();
    void OnOk();
    void OnCancel();
    void OnVScroll(int request, int position);
    void OnTimer(std::uint32_t id);

    // What the device poll last saw.
    std::int32_t RecordCount() const { return recordCount; }
    const std::array<std::int32_t, kSlots>& RecordStatus() const { return recordStatus; }
    DeviceInfoPanel& Panel() { return panel_; }

protected:
    const MessageTable& Messages() const override;

    Platform& platform_;

private:
    void FieldsToControls();
    void ControlsToFields();
    void ClearSlot(int slot);
    void Repaint();

    std::int32_t directExecChoice = 0;
    std::array<std::string, kSlots> appNames, exeNames, paths;
    std::int32_t recordCount = 0;
    std::array<std::int32_t, kSlots> recordStatus{};
    std::int32_t lastScrollPos = 0;
    std::string notRegistered_;
    CardReader reader_;
    DeviceInfoPanel panel_;

    static bool shown_;
    static std::array<PollLatches, 2> latches_;
};

}  // namespace kardello
