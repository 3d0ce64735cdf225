#pragma once
// The agent's hidden main window: owns the notification-area icon, runs the
// once-a-second card watch, reacts to a new card as DirectExec says, records the
// card handed to the photo application, and takes the tray menu's commands.

#include <cstdint>
#include <string>

#include "agent/CardWatch.h"
#include "agent/TrayIconWindow.h"
#include "device/CardReader.h"
#include "launch/Launch.h"
#include "res/TrayMenuIds.h"
#include "settings/SettingsDialog.h"

namespace kardello {

class SelectionWindow;

// The numbers of the registered messages, which the program asks for once at start.
struct RegisteredMessages {
    std::uint32_t selectionRequest = 0;  // "VARNO Kardello", from other programs
    std::uint32_t taskbarCreated = 0;    // "TaskbarCreated", from a restarted shell
};

class AgentWindow : public TrayIconWindow {
public:
    static constexpr std::uint32_t kCardWatchTimer = 5;
    static constexpr std::uint32_t kCardWatchInterval = 1000;
    // Posted to itself when Windows reports media: the card-watch step runs at once.
    static constexpr std::uint32_t kWatchNowMessage = wm::kApp + 1;
    // Posted to itself by the registered message, which is answered at once.
    static constexpr std::uint32_t kShowSelectionMessage = wm::kApp + 2;
    // The reader's answer, from the reader's executor.
    static constexpr std::uint32_t kReaderAnswerMessage = wm::kApp + 3;
    // The shell's answer to the photo application's start for a new card.
    static constexpr std::uint32_t kPhotoAppStartedMessage = wm::kApp + 4;

    AgentWindow(Platform& platform, RegisteredMessages messages);

    // Stores the flag and creates the hidden window, which runs OnCreate before
    // returning. On false the object is gone.
    bool Create(bool startedWithCpl);

private:
    KARDELLO_BEGIN_MESSAGES(AgentWindow)
        KARDELLO_MESSAGE(wm::kCreate, OnCreate)
        KARDELLO_MESSAGE(wm::kDestroy, OnDestroy)
        KARDELLO_TIMER(OnTimer)
        KARDELLO_MESSAGE(wm::kDeviceChange, OnDeviceChange)
        KARDELLO_MESSAGE(kWatchNowMessage, OnWatchNow)
        KARDELLO_MESSAGE(kShowSelectionMessage, ShowSelectionWindow)
        KARDELLO_RESULT(kReaderAnswerMessage, platform_.readerExecutor, OnReaderAnswer)
        KARDELLO_RESULT(kPhotoAppStartedMessage, platform_.shellExecutor, OnPhotoAppStarted)
        KARDELLO_CLICK(ID_MENU_SETTINGS, OnSettings)
        KARDELLO_CLICK(ID_MENU_ABOUT, OnAbout)
        KARDELLO_CLICK(ID_MENU_EXIT, OnExit)
        KARDELLO_CLICK(ID_MENU_SELECTION, ShowSelectionWindow)
        KARDELLO_COMMAND_RANGE(ID_MENU_UNUSED_1, ID_MENU_UNUSED_2, OnIgnoredCommand)
        KARDELLO_REGISTERED(selectionRequestMessage_, OnSelectionRequest)
        KARDELLO_REGISTERED(taskbarCreatedMessage_, OnTaskbarCreated)
    KARDELLO_END_MESSAGES(&TrayIconWindow::Messages())

    std::intptr_t OnCreate();
    void OnTimer(std::uint32_t id);
    void OnDeviceChange(const DeviceChange& change);
    void OnWatchNow();
    void OnReaderAnswer(ReaderAnswer answer);
    void OnPhotoAppStarted(StartAnswer answer);
    void OnDestroy();
    std::intptr_t OnSelectionRequest(std::uintptr_t, std::intptr_t);
    std::intptr_t OnTaskbarCreated(std::uintptr_t, std::intptr_t);
    void OnSettings();
    void OnAbout();
    void OnExit();
    void OnIgnoredCommand(int) {}
    void OnTrayRightClick() override;

    std::uint32_t ReadDirectExec() const;
    // Shows the selection window modally and acts on what was started from it.
    void ShowSelectionWindow();
    // What the reader is asked for. One query is out at a time; what is asked for
    // meanwhile is asked once it is back.
    enum class ReaderQuery { None, Start, Watch, Record };
    void AskReader(ReaderQuery query);
    void AskWhatWaits();
    // The first answer: a card found at start may open the selection window.
    void OnStartAnswer(const ReaderAnswer& answer);
    // What each tick's answer does, and what a reported card or removal does at once.
    void RunCardWatchStep(const ReaderAnswer& answer);
    void UpdateIcon();
    bool AddIcon();
    // ExtendStatus, DriLetter and SerialNo under HKEY_CURRENT_USER.
    void RecordCard(const CardRecord& card);

    std::uint32_t selectionRequestMessage_;
    std::uint32_t taskbarCreatedMessage_;
    bool startedWithCpl_ = false;
    bool openedByCard_ = false;
    bool trayIconAdded_ = false;
    bool watchNowPosted_ = false;
    ReaderQuery queryOut_ = ReaderQuery::None;
    bool watchWaits_ = false;
    bool recordWaits_ = false;
    // The photo application's start for a new card is under way: the watch waits for
    // its answer, so a tick meanwhile can't start it twice.
    bool cardStartOut_ = false;
    Family cardStartFamily_ = Family::Nt;
    IconHandle trayIcon_ = nullptr;
    std::string lastTip_;
    // One of each up at a time; the settings dialog's state outlives each dialog.
    OneAtATime selectionShown_;
    OneAtATime aboutShown_;
    SettingsDialog::Shared settings_;
    FailureBoxes failureBoxes_;
    SelectionWindow* currentSelectionWindow_ = nullptr;
    CardReader reader_;
    PhotoApp photoApp_;
    CardWatch watch_;
};

}  // namespace kardello
