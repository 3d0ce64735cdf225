#include "agent/AgentWindow.h"

#include <iterator>

#include "res/resource.h"
#include "res/Texts.h"
#include "selection/SelectionWindow.h"
#include "settings/SettingsDialog.h"
#include "settings/SmallDialogs.h"
#include "store/RegistrySchema.h"
#include "store/SettingsStore.h"

namespace kardello {

std::uint32_t AgentWindow::selectionRequestMessage = 0;
std::uint32_t AgentWindow::taskbarCreatedMessage = 0;

AgentWindow::AgentWindow(Platform& platform)
    : TrayIconWindow(platform),
      reader_(platform.registry, platform.devices, platform.system),
      photoApp_(platform),
      watch_(reader_, photoApp_) {}

AgentWindow::~AgentWindow() { watch_.ClearKnownCards(); }

const MessageTable& AgentWindow::Messages() const {
    using T = AgentWindow;
    static const MessageEntry entries[] = {
        KARDELLO_ON_MESSAGE(wm::kCreate, (crack::Result<T, &T::OnCreate>)),
        KARDELLO_ON_MESSAGE(wm::kDestroy, (crack::Void<T, &T::OnDestroy>)),
        KARDELLO_ON_MESSAGE(wm::kTimer, (crack::Timer<T, &T::OnTimer>)),
        KARDELLO_ON_MESSAGE(wm::kDeviceChange, (crack::DeviceChanged<T, &T::OnDeviceChange>)),
        KARDELLO_ON_MESSAGE(kWatchNowMessage, (crack::Void<T, &T::OnWatchNow>)),
        KARDELLO_ON_MESSAGE(kShowSelectionMessage, (crack::Void<T, &T::OnSelection>)),
        KARDELLO_ON_COMMAND(ID_MENU_SETTINGS, (crack::Void<T, &T::OnSettings>)),
        KARDELLO_ON_COMMAND(ID_MENU_ABOUT, (crack::Void<T, &T::OnAbout>)),
        KARDELLO_ON_COMMAND(ID_MENU_EXIT, (crack::Void<T, &T::OnExit>)),
        KARDELLO_ON_COMMAND(ID_MENU_SELECTION, (crack::Void<T, &T::OnSelection>)),
        KARDELLO_ON_COMMAND(ID_MENU_UNUSED_1, (crack::Void<T, &T::OnIgnoredCommand>)),
        KARDELLO_ON_COMMAND(ID_MENU_UNUSED_2, (crack::Void<T, &T::OnIgnoredCommand>)),
        KARDELLO_ON_REGISTERED(&selectionRequestMessage, (crack::Params<T, &T::OnSelectionRequest>)),
        KARDELLO_ON_REGISTERED(&taskbarCreatedMessage, (crack::Params<T, &T::OnTaskbarCreated>)),
    };
    static const MessageTable table{entries, std::size(entries), &TrayIconWindow::Messages()};
    return table;
}

bool AgentWindow::Create(bool cpl) {
    startedWithCpl = cpl ? 1 : 0;
    return TrayIconWindow::Create();
}

Family AgentWindow::CurrentFamily() const { return reader_.CurrentFamily(); }

std::uint32_t AgentWindow::ReadDirectExec() const {
    SettingsStore store(platform_.registry, schema::kAgentRoot, schema::kAgentKey);
    std::uint32_t directExec = schema::kDirectExecOpenPhotoApp;  // unreadable counts as 0
    store.ReadNumber(schema::kDirectExec, directExec);
    return directExec;
}

std::intptr_t AgentWindow::OnCreate() {
    trayIcon = platform_.user.LoadIcon(IDI_TRAY, IconSize::Small);
    auto opensWindow = [this] {
        const std::uint32_t directExec = ReadDirectExec();
        return (directExec == schema::kDirectExecOpenPhotoApp ||
                directExec == schema::kDirectExecShowSelection) &&
               !startedWithCpl;
    };
    if (reader_.IsNtFamily()) {
        if (watch_.DetectNewCard(Family::Nt)) {
            flags.cardPresent = 1;
            if (opensWindow()) openedByCard = 1;
        }
    } else {
        CardRecord records[kMaxCardRecords];
        int count = kMaxCardRecords;
        if (reader_.QueryControlDevice(records, count)) {
            for (int i = 0; i < count; ++i) {
                if (!records[i].HasCard()) continue;
                flags.cardPresent = 1;
                if (opensWindow()) {
                    openedByCard = 1;
                    watch_.DetectNewCard(Family::Win95);
                }
            }
        }
    }
    // The watch runs under any window the start shows, which follows the card, and the
    // icon is there first: a window from a program with no icon puzzles the user.
    Ops()->SetTimer(kCardWatchTimer, kCardWatchInterval);
    if (startedWithCpl || openedByCard) {
        UpdateIcon();
        ShowSelectionWindow();
        openedByCard = 0;
    }
    return 0;
}

void AgentWindow::OnTimer(std::uint32_t id) {
    TrayIconWindow::OnTimer(id);
    if (id == kCardWatchTimer) RunCardWatchStep();
}

void AgentWindow::OnDeviceChange(const DeviceChange& change) {
    // The step runs from the queue rather than inside Windows' broadcast, which would
    // wait for it (and for any window it shows). Several reports make one step.
    if (!change.IsMediaChange() || watchNowPosted) return;
    watchNowPosted = 1;
    Ops()->Post(kWatchNowMessage, 0, 0);
}

void AgentWindow::OnWatchNow() {
    watchNowPosted = 0;
    RunCardWatchStep();
}

void AgentWindow::RunCardWatchStep() {
    const Family family = CurrentFamily();
    if (flags.photoAppAutoOpened || flags.cardPresent || flags.cardHandled) {
        flags.watchQueryActive = 1;
        if (watch_.CheckCardRemoval(family, flags)) flags.cardPresent = 0;
        flags.watchQueryActive = 0;
    } else if (watch_.DetectNewCard(family) && platform_.system.SessionActive()) {
        // Under fast user switching every logged-on user's agent sees the reader: only
        // the one in front reacts. The others' cards stay reported, never acted on.
        switch (ReadDirectExec()) {
            case schema::kDirectExecOpenPhotoApp:
                if (photoApp_.OpenPhotoApp(flags)) {
                    flags.photoAppAutoOpened = 1;
                    flags.cardHandled = 1;
                    RecordCardStatus();
                }
                break;
            case schema::kDirectExecShowSelection:
                openedByCard = 1;
                ShowSelectionWindow();
                openedByCard = 0;
                break;
            default:
                break;
        }
    }
    // A window that a card raised says whether that card is still in.
    if (currentSelectionWindow != nullptr && currentSelectionWindow->CardInserted()) {
        CardRecord card;
        currentSelectionWindow->ShowCardInserted(watch_.CardInReader(family, card));
    }
    UpdateIcon();
}

void AgentWindow::UpdateIcon() {
    const int tip = flags.photoAppAutoOpened && photoApp_.IsPhotoAppRunning(flags)
                        ? IDS_PHOTO_APP_AUTO_OPENED
                        : IDS_CONFIRMING_INSERTION;
    lastTip_ = platform_.user.LoadString(tip);
    // The first add can fail while the shell is not ready (a start at logon): the
    // next tick tries again rather than modifying an icon that is not there.
    if (trayIconAdded) {
        NotifyIcon(kNimModify, trayIcon, lastTip_.c_str());
    } else {
        trayIconAdded = AddIcon() ? 1 : 0;
    }
}

bool AgentWindow::AddIcon() {
    if (NotifyIcon(kNimAdd, trayIcon, lastTip_.c_str())) return true;
    // A busy shell can time out on an add it carried out: every later add would
    // fail as a duplicate. A modify that succeeds shows the icon is there.
    return NotifyIcon(kNimModify, trayIcon, lastTip_.c_str());
}

std::intptr_t AgentWindow::OnTaskbarCreated(std::uintptr_t, std::intptr_t) {
    // The shell was restarted and has forgotten the icon.
    if (trayIconAdded) trayIconAdded = AddIcon() ? 1 : 0;
    return 0;
}

void AgentWindow::RecordCardStatus() { RecordCard(watch_.CurrentCard(CurrentFamily())); }

void AgentWindow::RecordCard(const CardRecord& card) {
    SettingsStore store(platform_.registry, schema::kCardStatusRoot, schema::kCardStatusKey);
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
    SelectionWindow window(platform_);
    if (SelectionWindow::IsShown()) return;  // another one is up
    currentSelectionWindow = &window;
    SelectionWindow::SetShown(1);
    window.SetCardInserted(openedByCard == 1 ? 1 : 0);
    const int result = window.RunModal();
    currentSelectionWindow = nullptr;
    // A run that ended without the window's own word (a window that could not be
    // shown, the end of the program) must not lock the next request out.
    SelectionWindow::SetShown(0);
    if (result == kIdCancel) return;
    int detail = 0;
    if (window.GetLaunchResult(detail) == 0) return;
    if (detail == 0) {
        flags.cardHandled = 1;
    } else if (detail == 10 || openedByCard == 1) {
        flags.photoAppAutoOpened = 1;
        // The card in the reader now, which the photo application will find: the one
        // that raised the window may have left, or another taken its place.
        CardRecord card;
        if (watch_.CardInReader(CurrentFamily(), card)) RecordCard(card);
    }
}

void AgentWindow::OnSelection() { ShowSelectionWindow(); }

void AgentWindow::OnTrayRightClick() {
    const Point at = platform_.user.CursorPos();
    platform_.user.TrackPopupMenu(Handle(), IDR_TRAY_MENU, at);
}

// A settings dialog already up makes the command do nothing at all.
void AgentWindow::OnSettings() { SettingsDialog::RunOnce(platform_); }

void AgentWindow::OnAbout() {
    AboutDialog box(platform_.user);
    if (AboutDialog::IsShown()) {
        Ops()->RaiseAndActivate();
        return;
    }
    AboutDialog::SetShown(true);
    box.RunModal();
    // Whatever ended the run (OK, Esc, a box that could not be shown), the next
    // request must be able to show it again.
    AboutDialog::SetShown(false);
}

void AgentWindow::OnExit() {
    Ops()->KillTimer(kClickTimer);
    Ops()->KillTimer(kCardWatchTimer);
    Ops()->Post(wm::kClose, 0, 0);
}

}  // namespace kardello
