#include "selection/SelectionWindow.h"

#include <algorithm>

#include "launch/Launch.h"
#include "platform/DpiScale.h"
#include "res/SelectionWindowIds.h"
#include "res/StringIds.h"
#include "store/AgentValues.h"
#include "store/FirstRun.h"
#include "store/RegistryKey.h"

namespace kardello {

namespace {

// Below the toggle when folded, below the fifth slot when unfolded; pixels at 96 DPI.
constexpr int kFoldedMargin = 10;
constexpr int kUnfoldedMargin = 12;

int SlotId(int slot) { return IDC_SELECTION_SLOT_1 + slot - 1; }
int SlotOf(int controlId) { return controlId - IDC_SELECTION_SLOT_1 + 1; }

// A button's text makes a mnemonic of the letter after a single '&'; doubled, the
// '&' is read out as it is and no key is taken.
std::string WithoutMnemonics(const std::string& name) {
    std::string text;
    for (const char c : name) {
        text.push_back(c);
        if (c == '&') text.push_back('&');
    }
    return text;
}

}  // namespace

SelectionWindow::SelectionWindow(Platform& platform, SettingsDialog::Shared& settings)
    : Dialog(platform.user, IDD_SELECTION),
      platform_(platform),
      settings_(settings),
      executor_(platform.shellExecutor),
      settingsButton_(platform),
      otherAppsButton_(platform),
      photoAppButton_(platform),
      slotButtons_{AppButton(platform), AppButton(platform), AppButton(platform),
                   AppButton(platform), AppButton(platform)} {}

AppButton* SelectionWindow::ButtonFor(int controlId) {
    if (controlId >= IDC_SELECTION_SLOT_1 && controlId <= IDC_SELECTION_SLOT_5)
        return &slotButtons_[static_cast<std::size_t>(SlotOf(controlId) - 1)];
    switch (controlId) {
        case IDC_SELECTION_PHOTO_APP: return &photoAppButton_;
        case IDC_SELECTION_OTHER_APPS: return &otherAppsButton_;
        case IDC_SELECTION_SETTINGS: return &settingsButton_;
        default: return nullptr;
    }
}

std::intptr_t SelectionWindow::OnInitDialog() {
    IWindowOps& ops = *Ops();
    ApplyFirstRunRule(platform_.registry, user_.LoadString(IDS_NOT_REGISTERED));
    cardLineShown_ = !CardInserted();  // so that the line is set now
    ShowCardInserted(CardInserted());

    for (int id : {IDC_SELECTION_SLOT_1, IDC_SELECTION_SLOT_2, IDC_SELECTION_SLOT_3,
                   IDC_SELECTION_SLOT_4, IDC_SELECTION_SLOT_5, IDC_SELECTION_PHOTO_APP,
                   IDC_SELECTION_OTHER_APPS, IDC_SELECTION_SETTINGS})
        user_.AttachControl(*ButtonFor(id), *this, id);
    for (int slot = 1; slot <= schema::kAppSlotCount; ++slot) ButtonFor(SlotId(slot))->SetKind(slot);
    photoAppButton_.SetKind(kAppButtonPhotoApp);
    otherAppsButton_.SetKind(kAppButtonOtherApps);
    otherAppsButton_.SetExpanded(expanded_);
    settingsButton_.SetKind(kAppButtonSettings);
    // Screen readers name the owner-drawn slots by their texts, folded or not.
    RefreshAppNames();
    ReadIcons();

    const Rect window = ops.WindowRect();
    const Rect toggle = ops.ItemRect(IDC_SELECTION_OTHER_APPS);
    ops.SetPos(ZOrder::TopMost, 0, 0, window.Width(),
               toggle.bottom - window.top + Px(kFoldedMargin), kSwpNoMove);
    CentreInWorkArea();
    ComeForward();  // raised by a card or another program, as often as by the user
    ops.FocusItem(IDC_SELECTION_PHOTO_APP);
    EnableSlots(expanded_);
    return 0;  // the focus is set
}

// The dialog layer leaves a dialog without a visible owner at the screen's corner;
// this window belongs in the middle of the work area, at its folded size.
void SelectionWindow::CentreInWorkArea() {
    const Rect area = user_.WorkArea();
    if (area.Width() <= 0 || area.Height() <= 0) return;
    const Rect window = Ops()->WindowRect();
    Ops()->SetPos(ZOrder::TopMost, area.left + (area.Width() - window.Width()) / 2,
                  area.top + (area.Height() - window.Height()) / 2, 0, 0, kSwpNoSize);
}

int SelectionWindow::Px(int pixels) const { return DpiScale(user_.SystemDpi())(pixels); }

void SelectionWindow::OnDrawItem(const DrawItemRequest& request) {
    if (AppButton* button = ButtonFor(request.controlId)) button->DrawButton(request);
}

void SelectionWindow::EnableSlots(bool enable) {
    for (int slot = 1; slot <= schema::kAppSlotCount; ++slot) Ops()->EnableItem(SlotId(slot), enable);
}

void SelectionWindow::ShowCardInserted(bool in) {
    if (!HasWindow() || in == cardLineShown_) return;
    cardLineShown_ = in;
    Ops()->SetItemText(IDC_SELECTION_CARD_LINE, in ? user_.LoadString(IDS_CARD_INSTALLED) : std::string());
}

void SelectionWindow::Redraw() {
    if (HasWindow()) Ops()->RedrawNow();
}

void SelectionWindow::ShowNewNames() {
    RefreshAppNames();
    ReadIcons();
    Redraw();
}

void SelectionWindow::ReadIcons() {
    if (!HasWindow()) return;
    ++iconRound_;
    SettingsStore store(platform_.registry);
    const std::string notRegistered = user_.LoadString(IDS_NOT_REGISTERED);
    for (int slot = 1; slot <= schema::kAppSlotCount; ++slot) {
        AppButton& button = *ButtonFor(SlotId(slot));
        std::string name, path;
        ReadShownSlotName(store, slot, notRegistered, name);
        if (name == notRegistered) {
            button.SetIcon(ShellIcon());
            continue;
        }
        store.ReadString(schema::AppSlot::PathValue(slot).c_str(), path);
        // The type's icon opens no file; the program's own may wait on a slow share.
        button.SetIcon(ShellIcon(platform_.shell, platform_.shell.TypeIcon(path)));
        executor_.Submit(Handle(), kIconReadMessage,
                         [&shell = platform_.shell, path, slot, round = iconRound_] {
                             return SlotIcon{round, slot, ShellIcon(shell, shell.FileIcon(path))};
                         });
    }
}

// An icon that never comes, or comes for a round since replaced, leaves what is shown.
void SelectionWindow::OnIconRead(SlotIcon read) {
    if (read.round != iconRound_ || !read.icon || read.slot < 1 || read.slot > schema::kAppSlotCount)
        return;
    ButtonFor(SlotId(read.slot))->SetIcon(std::move(read.icon));
    Redraw();
}

void SelectionWindow::RefreshAppNames() {
    if (!HasWindow()) return;
    SettingsStore store(platform_.registry);
    for (int slot = 1; slot <= schema::kAppSlotCount; ++slot) {
        std::string name;
        ReadShownSlotName(store, slot, user_.LoadString(IDS_NOT_REGISTERED), name);
        Ops()->SetItemText(SlotId(slot), WithoutMnemonics(name));
    }
}

void SelectionWindow::OnToggleOtherApps() {
    IWindowOps& ops = *Ops();
    const Rect window = ops.WindowRect();
    if (!expanded_) {
        RefreshAppNames();
        const Rect lastSlot = ops.ItemRect(IDC_SELECTION_SLOT_5);
        const int height = lastSlot.bottom - window.top + Px(kUnfoldedMargin);
        // Up just enough to keep the lower edge on the work area, never above its top.
        int top = window.top;
        const Rect area = ops.MonitorWorkArea();
        if (area.Height() > 0 && top + height > area.bottom)
            top = std::max(area.top, std::min(top, area.bottom - height));
        raisedBy_ = window.top - top;
        ops.SetPos(ZOrder::Top, window.left, top, window.Width(), height, 0);
        expanded_ = true;
    } else {
        const Rect toggle = ops.ItemRect(IDC_SELECTION_OTHER_APPS);
        const int top = window.top + raisedBy_;  // back where it was before it unfolded
        ops.SetPos(ZOrder::Top, window.left, top, window.Width(),
                   toggle.bottom - window.top + Px(kFoldedMargin), raisedBy_ == 0 ? kSwpNoMove : 0);
        raisedBy_ = 0;
        expanded_ = false;
    }
    EnableSlots(expanded_);
    otherAppsButton_.SetKind(kAppButtonOtherApps);
    otherAppsButton_.SetExpanded(expanded_);
    Redraw();
}

void SelectionWindow::OnOk() {
    const int focused = Ops()->FocusedItem();
    switch (focused) {
        case IDC_SELECTION_SETTINGS: OnSettingsButton(); break;
        case IDC_SELECTION_OTHER_APPS: OnToggleOtherApps(); break;
        case IDC_SELECTION_PHOTO_APP: OnLaunchPhotoApp(); break;
        default:
            if (focused >= IDC_SELECTION_SLOT_1 && focused <= IDC_SELECTION_SLOT_5) OnLaunchSlot(focused);
            break;
    }
}

// This window stays open as it is, and shows the names the dialog's OK stored.
void SelectionWindow::OnSettingsButton() {
    SettingsDialog::RunOnce(platform_, settings_, [this] { ShowNewNames(); });
}

void SelectionWindow::Close(Launched launched, int slot) {
    launched_ = launched;
    startedSlot_ = slot;
    Ops()->EndDialog(0);
}

void SelectionWindow::OnLaunchSlot(int controlId) {
    if (startOut_) return;
    const int slot = SlotOf(controlId);
    std::string name, path;
    {
        SettingsStore store(platform_.registry);
        const std::string notRegistered = user_.LoadString(IDS_NOT_REGISTERED);
        ReadShownSlotName(store, slot, notRegistered, name);
        if (name == notRegistered) return;  // a free slot ignores clicks
        store.ReadString(schema::AppSlot::PathValue(slot).c_str(), path);
    }
    startOut_ = true;
    executor_.Submit(Handle(), kStartAnsweredMessage, [&shell = platform_.shell, path, slot] {
        return StartResult{slot, false, StartProgram(shell, path)};
    });
}

void SelectionWindow::OnLaunchPhotoApp() {
    if (startOut_) return;
    // A record of its own: the agent's guards and card flags are not this window's.
    WatchFlags fresh;
    PhotoApp photoApp(platform_);
    const bool running = photoApp.IsPhotoAppRunning(fresh);
    if (running && !photoApp.IsInstalled()) return;  // its box has told of it
    startOut_ = true;
    // Running already: its window comes forward (the click is the user's, so the
    // foreground may pass to it). With no window to bring forward (hidden in the
    // notification area) it is started again, and its own single-copy rule shows it.
    executor_.Submit(Handle(), kStartAnsweredMessage,
                     [&shell = platform_.shell, path = PhotoAppPath(platform_), running] {
                         StartResult result;
                         result.broughtForward = running && shell.ActivateProgram(path);
                         if (!result.broughtForward) result.answer = StartProgram(shell, path);
                         return result;
                     });
}

// A failed start leaves this window up under the box that tells of it; a photo
// application brought forward closes it as a start does.
void SelectionWindow::OnStartAnswered(StartResult result) {
    startOut_ = false;
    if (!result.broughtForward && !JudgeStart(platform_, result.answer)) return;
    if (result.slot == 0)
        Close(cardInserted_ ? Launched::PhotoAppForCard : Launched::PhotoAppByHand);
    else
        Close(Launched::Slot, result.slot);
}

void SelectionWindow::OnCancel() { Ops()->EndDialog(kIdCancel); }

}  // namespace kardello
