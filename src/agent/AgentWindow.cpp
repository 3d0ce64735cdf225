#include "agent/AgentWindow.h"

#include "res/StringIds.h"
#include "res/TrayMenuIds.h"
#include "selection/SelectionWindow.h"
#include "settings/SmallDialogs.h"
#include "store/AgentValues.h"
#include "store/CardStatusValues.h"
#include "store/RegistryKey.h"

namespace kardello {

AgentWindow::AgentWindow(Platform& platform, RegisteredMessages messages)
    : TrayIconWindow(platform),
      selectionRequestMessage_(messages.selectionRequest),
      taskbarCreatedMessage_(messages.taskbarCreated),
      reader_(platform.registry, platform.devices, platform.system),
      photoApp_(platform, &failureBoxes_),
      watch_(photoApp_) {}

bool AgentWindow::Create(bool cpl) {
    startedWithCpl_ = cpl;
    return TrayIconWindow::Create();
}

std::uint32_t AgentWindow::ReadDirectExec() const {
    SettingsStore store(platform_.registry);
    std::uint32_t directExec = schema::kDirectExecOpenPhotoApp;  // unreadable counts as 0
    store.ReadNumber(schema::kDirectExec, directExec);
    return directExec;
}

std::intptr_t AgentWindow::OnCreate() {
    trayIcon_ = platform_.user.LoadIcon(IDI_TRAY, IconSize::Small);
    AskReader(ReaderQuery::Start);
    // The watch runs under any window the start shows, which follows the card, and the
    // icon is there first: a window from a program with no icon puzzles the user.
    Ops()->SetTimer(kCardWatchTimer, kCardWatchInterval);
    if (startedWithCpl_) {
        UpdateIcon();
        ShowSelectionWindow();
    }
    return 0;
}

void AgentWindow::OnStartAnswer(const ReaderAnswer& answer) {
    const std::uint32_t directExec = ReadDirectExec();
    const bool opensWindow = (directExec == schema::kDirectExecOpenPhotoApp ||
                              directExec == schema::kDirectExecShowSelection) &&
                             !startedWithCpl_;
    if (!watch_.StartAnswer(answer, opensWindow)) return;
    openedByCard_ = true;
    UpdateIcon();
    ShowSelectionWindow();
    openedByCard_ = false;
}

void AgentWindow::AskReader(ReaderQuery query) {
    queryOut_ = query;
    const Family family = reader_.CurrentFamily();
    // The job's copy of the reader reaches only the platform's stateless device calls.
    platform_.readerExecutor.Submit(Handle(), kReaderAnswerMessage, [reader = reader_, family] {
        return ReaderAnswer::Ask(reader, family);
    });
}

void AgentWindow::AskWhatWaits() {
    if (queryOut_ != ReaderQuery::None) return;
    if (recordWaits_) {
        recordWaits_ = false;
        AskReader(ReaderQuery::Record);
    } else if (watchWaits_ && !cardStartOut_) {
        watchWaits_ = false;
        AskReader(ReaderQuery::Watch);
    }
}

// Taken back before it is acted on: what it brings up (a box, the selection window) runs
// a loop in which the ticks ask again.
void AgentWindow::OnReaderAnswer(ReaderAnswer answer) {
    const ReaderQuery query = queryOut_;
    queryOut_ = ReaderQuery::None;
    switch (query) {
        case ReaderQuery::Start:
            OnStartAnswer(answer);
            break;
        case ReaderQuery::Watch:
            RunCardWatchStep(answer);
            break;
        case ReaderQuery::Record: {
            CardRecord card;
            if (watch_.CardInReader(answer, card)) RecordCard(card);
            UpdateIcon();
            break;
        }
        case ReaderQuery::None:
            break;
    }
    AskWhatWaits();
}

void AgentWindow::OnTimer(std::uint32_t id) {
    TrayIconWindow::OnTimer(id);
    // A tick that finds its query or the card's start still out does nothing: the
    // answer is the tick.
    if (id == kCardWatchTimer && queryOut_ == ReaderQuery::None && !cardStartOut_)
        AskReader(ReaderQuery::Watch);
}

void AgentWindow::OnPhotoAppStarted(StartAnswer answer) {
    cardStartOut_ = false;
    // A failed start shows its box here, owned by this window.
    if (photoApp_.AnswerStart(answer)) {
        watch_.PhotoAppOpenedForNewCard();
        RecordCard(watch_.CurrentCard(cardStartFamily_));
    }
    UpdateIcon();
    AskWhatWaits();
}

void AgentWindow::OnDeviceChange(const DeviceChange& change) {
    // The step runs from the queue rather than inside Windows' broadcast, which would
    // wait for it (and for any window it shows). Several reports make one step.
    if (!change.IsMediaChange() || watchNowPosted_) return;
    watchNowPosted_ = true;
    Ops()->Post(kWatchNowMessage, 0, 0);
}

void AgentWindow::OnWatchNow() {
    watchNowPosted_ = false;
    // The query out may have been asked before the media came: one more after it.
    watchWaits_ = true;
    AskWhatWaits();
}

void AgentWindow::RunCardWatchStep(const ReaderAnswer& answer) {
    bool startAsked = false;  // its answer records the card, then sets the tooltip
    if (watch_.State().Following()) {
        watch_.CheckCardRemoval(answer);
    } else if (watch_.DetectNewCard(answer) && SessionAtConsole(platform_.system)) {
        // Every logged-on user's agent sees the reader, remote ones included: only the
        // one at the console reacts. The others' cards stay reported, never acted on.
        switch (ReadDirectExec()) {
            case schema::kDirectExecOpenPhotoApp: {
                // Set first: a quick shell may answer before the call returns.
                cardStartOut_ = true;
                cardStartFamily_ = answer.family;
                const PhotoApp::Status found = photoApp_.OpenPhotoAppLater(Handle(), kPhotoAppStartedMessage);
                startAsked = found == PhotoApp::Status::NotRunning;
                if (!startAsked) cardStartOut_ = false;
                // Shown once no start is marked out, so the watch goes on under the box.
                if (found == PhotoApp::Status::NotInstalled) photoApp_.ShowNotFound();
                break;
            }
            case schema::kDirectExecShowSelection:
                // A window up already, however it was opened, takes the card as its own.
                if (currentSelectionWindow_ != nullptr) {
                    currentSelectionWindow_->SetCardInserted(true);
                    break;
                }
                openedByCard_ = true;
                ShowSelectionWindow();
                openedByCard_ = false;
                break;
            default:
                break;
        }
    }
    // A window that a card raised says whether that card is still in.
    if (currentSelectionWindow_ != nullptr && currentSelectionWindow_->CardInserted()) {
        CardRecord card;
        currentSelectionWindow_->ShowCardInserted(watch_.CardInReader(answer, card));
    }
    if (!startAsked) UpdateIcon();
}

void AgentWindow::UpdateIcon() {
    const int tip = watch_.State().photoAppAutoOpened && photoApp_.IsPhotoAppRunning()
                        ? IDS_PHOTO_APP_AUTO_OPENED
                        : IDS_CONFIRMING_INSERTION;
    lastTip_ = platform_.user.LoadString(tip);
    // The first add can fail while the shell is not ready (a start at logon): the
    // next tick tries again rather than modifying an icon that is not there.
    if (trayIconAdded_) {
        NotifyIcon(kNimModify, trayIcon_, lastTip_.c_str());
    } else {
        trayIconAdded_ = AddIcon();
    }
}

bool AgentWindow::AddIcon() {
    if (NotifyIcon(kNimAdd, trayIcon_, lastTip_.c_str())) return true;
    // A busy shell can time out on an add it carried out: every later add would
    // fail as a duplicate. A modify that succeeds shows the icon is there.
    return NotifyIcon(kNimModify, trayIcon_, lastTip_.c_str());
}

std::intptr_t AgentWindow::OnTaskbarCreated(std::uintptr_t, std::intptr_t) {
    // The shell was restarted and has forgotten the icon.
    if (trayIconAdded_) trayIconAdded_ = AddIcon();
    return 0;
}

void AgentWindow::RecordCard(const CardRecord& card) {
    RegistryKey store(platform_.registry, schema::kCardStatusRoot, schema::kCardStatusKey);
    store.WriteNumber(schema::kExtendStatus, card.extendStatus);
    store.WriteString(schema::kDriLetter, DriverText(std::string(1, card.driveLetter)));
    store.WriteString(schema::kSerialNo, DriverText(card.SerialText()));
}

void AgentWindow::OnDestroy() { NotifyIcon(kNimDelete, nullptr, nullptr); }

// The sender waits inside its SendMessage for the answer: run the window inside that
// call and a sender without a time-out is frozen until it closes, and the window's COM
// work (the Open-file dialog, the shell's starts) fails there. So the answer comes
// first, and the window from the queue.
std::intptr_t AgentWindow::OnSelectionRequest(std::uintptr_t, std::intptr_t) {
    Ops()->MakeTopMost();  // and stays so until the agent ends
    Ops()->Post(kShowSelectionMessage, 0, 0);
    return 1;
}

void AgentWindow::ShowSelectionWindow() {
    const OneAtATime::Hold shown = selectionShown_.Take();
    if (!shown) {
        Ops()->RaiseAndActivate();  // the one up comes forward
        return;
    }
    SelectionWindow window(platform_, settings_);
    window.SetCardInserted(openedByCard_);
    currentSelectionWindow_ = &window;
    const int result = window.RunModal();
    currentSelectionWindow_ = nullptr;
    if (result == kIdCancel) return;
    switch (window.Started()) {
        case SelectionWindow::Launched::PhotoAppByHand:
            watch_.PhotoAppStartedByHand();
            break;
        case SelectionWindow::Launched::PhotoAppForCard: {
            watch_.PhotoAppStartedForCard();
            // The card in the reader now, which the photo application will find: the one
            // that raised the window may have left, or another taken its place. Asked
            // after the start, so an answer from before it does not count.
            recordWaits_ = true;
            AskWhatWaits();
            break;
        }
        default:
            break;  // a registered program, or nothing: no flag, no record
    }
}

void AgentWindow::OnTrayRightClick() {
    const Point at = platform_.user.CursorPos();
    platform_.user.TrackPopupMenu(Handle(), IDR_TRAY_MENU, at);
}

// A settings dialog already up only comes forward. What its OK changed shows in a
// selection window that is up.
void AgentWindow::OnSettings() {
    if (settings_.shown.Up()) {
        Ops()->RaiseAndActivate();
        return;
    }
    SettingsDialog::RunOnce(platform_, settings_, [this] {
        if (currentSelectionWindow_ != nullptr) currentSelectionWindow_->ShowNewNames();
    });
}

void AgentWindow::OnAbout() {
    const OneAtATime::Hold shown = aboutShown_.Take();
    if (!shown) {
        Ops()->RaiseAndActivate();
        return;
    }
    AboutDialog box(platform_.user);
    box.RunModal();
}

void AgentWindow::OnExit() {
    Ops()->KillTimer(kClickTimer);
    Ops()->KillTimer(kCardWatchTimer);
    Ops()->Post(wm::kClose, 0, 0);
}

}  // namespace kardello
