#pragma once
// The agent's hidden main window: owns the notification-area icon, runs the
// once-a-second card watch, reacts to a new card as DirectExec says, records the
// card handed to the photo application, and takes the tray menu's commands.

#include <cstdint>
#include <string>

#include "agent/CardWatch.h"
#include "agent/PhotoApp.h"
#include "agent/TrayIconWindow.h"
#include "agent/WatchFlags.h"
#include "device/CardReader.h"

namespace kardello {

class SelectionWindow;

class AgentWindow : public TrayIconWindow {
public:
    static constexpr std::uint32_t kCardWatchTimer = 5;
    static constexpr std::uint32_t kCardWatchInterval = 1000;
    // Posted to itself when Windows reports media: the card-watch step runs at once.
    static constexpr std::uint32_t kWatchNowMessage = wm::kApp + 1;
    // Posted to itself by the registered message, which is answered at once.
    static constexpr std::uint32_t kShowSelectionMessage = wm::kApp + 2;

    // The numbers of the registered messages "VARNO Kardello" and "TaskbarCreated",
    // obtained once at process start.
    static std::uint32_t selectionRequestMessage;
    static std::uint32_t taskbarCreatedMessage;

    explicit AgentWindow(Platform& platform);
    ~AgentWindow() override;

    // Stores the flag and creates the hidden window, which runs OnCreate before
    // returning. On false the object is gone.
    bool Create(bool startedWithCpl);
    using TrayIconWindow::Create;

    std::intptr_t OnCreate();
    void OnTimer(std::uint32_t id);
    void OnDeviceChange(const DeviceChange& change);
    void OnWatchNow();
    void OnDestroy();
    std::intptr_t OnSelectionRequest(std::uintptr_t, std::intptr_t);
    std::intptr_t OnTaskbarCreated(std::uintptr_t, std::intptr_t);
    void ShowSelectionWindow();
    void OnSelection();  // menu command 32774, and the registered message's posted request
    SelectionWindow* GetSelectionWindow() const { return currentSelectionWindow; }
    void RecordCardStatus();

    // Menu commands.
    void OnSettings();
    void OnAbout();
    void OnExit();
    void OnIgnoredCommand() {}

    void OnTrayRightClick() override;

    // What the tick and the tests look at.
    WatchFlags& Flags() { return flags; }
    CardWatch& Watch() { return watch_; }
    bool TrayIconAdded() const { return trayIconAdded != 0; }
    std::int32_t OpenedByCard() const { return openedByCard; }
    bool StartedWithCpl() const { return startedWithCpl != 0; }

protected:
    const MessageTable& Messages() const override;

private:
    Family CurrentFamily() const;
    std::uint32_t ReadDirectExec() const;
    // What each tick does, and what a reported card or removal does at once.
    void RunCardWatchStep();
    void UpdateIcon();
    bool AddIcon();
    // ExtendStatus, DriLetter and SerialNo under HKEY_CURRENT_USER.
    void RecordCard(const CardRecord& card);

    std::int32_t startedWithCpl = 0;
    WatchFlags flags;
    std::int32_t openedByCard = 0;
    std::int32_t trayIconAdded = 0;
    std::int32_t watchNowPosted = 0;
    IconHandle trayIcon = nullptr;
    std::string lastTip_;
    SelectionWindow* currentSelectionWindow = nullptr;
    CardReader reader_;
    PhotoApp photoApp_;
    CardWatch watch_;
};

}  // namespace kardello
