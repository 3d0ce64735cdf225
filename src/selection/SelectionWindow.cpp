#include "selection/SelectionWindow.h"

#include <algorithm>
#include <iterator>

#include "agent/PhotoApp.h"
#include "platform/DpiScale.h"
#include "res/resource.h"
#include "settings/SettingsDialog.h"
#include "store/FirstRun.h"
#include "store/RegistrySchema.h"
#include "store/SettingsStore.h"

namespace kardello {

int SelectionWindow::selectionWindowOpen_ = 0;

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

SelectionWindow::SelectionWindow(Platform& platform)
    : Dialog(platform.user, IDD_SELECTION),
      platform_(platform),
      settingsButton(platform),
      otherAppsButton(platform),
      photoAppButton(platform),
      slot5Button(platform),
      slot4Button(platform),
      slot3Button(platform),
      slot2Button(platform),
      slot1Button(platform) {}

const MessageTable& SelectionWindow::Messages() const {
    using T = SelectionWindow;
    static const MessageEntry entries[] = {
        KARDELLO_ON_MESSAGE(wm::kInitDialog, (crack::Result<T, &T::OnInitDialog>)),
        KARDELLO_ON_MESSAGE(wm::kDrawItem, (crack::DrawItem<T, &T::OnDrawItem>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_SETTINGS, (crack::Clicked<T, &T::OnSettingsButton>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_OTHER_APPS, (crack::Clicked<T, &T::OnToggleOtherApps>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_SLOT_1, (crack::ClickedId<T, &T::OnSlotClicked>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_SLOT_2, (crack::ClickedId<T, &T::OnSlotClicked>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_SLOT_3, (crack::ClickedId<T, &T::OnSlotClicked>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_SLOT_4, (crack::ClickedId<T, &T::OnSlotClicked>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_SLOT_5, (crack::ClickedId<T, &T::OnSlotClicked>)),
        KARDELLO_ON_COMMAND(IDC_SELECTION_PHOTO_APP, (crack::Clicked<T, &T::OnLaunchPhotoApp>)),
        KARDELLO_ON_COMMAND(kIdOk, (crack::Clicked<T, &T::OnOk>)),
        KARDELLO_ON_COMMAND(kIdCancel, (crack::Clicked<T, &T::OnCancel>)),
    };
    static const MessageTable table{entries, std::size(entries), nullptr};
    return table;
}

AppButton* SelectionWindow::ButtonFor(int controlId) {
    switch (controlId) {
        case IDC_SELECTION_SLOT_1: return &slot1Button;
        case IDC_SELECTION_SLOT_2: return &slot2Button;
        case IDC_SELECTION_SLOT_3: return &slot3Button;
        case IDC_SELECTION_SLOT_4: return &slot4Button;
        case IDC_SELECTION_SLOT_5: return &slot5Button;
        case IDC_SELECTION_PHOTO_APP: return &photoAppButton;
        case IDC_SELECTION_OTHER_APPS: return &otherAppsButton;
        case IDC_SELECTION_SETTINGS: return &settingsButton;
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
    photoAppButton.SetKind(kAppButtonPhotoApp);
    otherAppsButton.SetKind(kAppButtonOtherApps);
    otherAppsButton.SetExpanded(expanded);
    settingsButton.SetKind(kAppButtonSettings);
    // Screen readers name the owner-drawn slots by their texts, folded or not.
    RefreshAppNames();

    const Rect window = ops.WindowRect();
    const Rect toggle = ops.ItemRect(IDC_SELECTION_OTHER_APPS);
    ops.SetPos(ZOrder::TopMost, 0, 0, window.Width(),
               toggle.bottom - window.top + Px(kFoldedMargin), kSwpNoMove);
    CentreInWorkArea();
    ComeForward();  // raised by a card or another program, as often as by the user
    ops.FocusItem(IDC_SELECTION_PHOTO_APP);
    EnableSlots(expanded == 1);
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

void SelectionWindow::RefreshAppNames() {
    if (!HasWindow()) return;
    SettingsStore store(platform_.registry, schema::kAgentRoot, schema::kAgentKey);
    for (int slot = 1; slot <= schema::kAppSlotCount; ++slot) {
        std::string name;
        store.ReadString(schema::AppSlot::NameValue(slot).c_str(), name);
        Ops()->SetItemText(SlotId(slot), WithoutMnemonics(name));
    }
}

void SelectionWindow::OnToggleOtherApps() {
    IWindowOps& ops = *Ops();
    const Rect window = ops.WindowRect();
    if (expanded == 0) {
        RefreshAppNames();
        const Rect lastSlot = ops.ItemRect(IDC_SELECTION_SLOT_5);
        const int height = lastSlot.bottom - window.top + Px(kUnfoldedMargin);
        // Up just enough to keep the lower edge on the work area, never above its top.
        int top = window.top;
        const Rect area = ops.MonitorWorkArea();
        if (area.Height() > 0 && top + height > area.bottom)
            top = std::max(area.top, std::min(top, area.bottom - height));
        raisedBy = window.top - top;
        ops.SetPos(ZOrder::Top, window.left, top, window.Width(), height, 0);
        expanded = 1;
    } else {
        const Rect toggle = ops.ItemRect(IDC_SELECTION_OTHER_APPS);
        const int top = window.top + raisedBy;  // back where it was before it unfolded
        ops.SetPos(ZOrder::Top, window.left, top, window.Width(),
                   toggle.bottom - window.top + Px(kFoldedMargin), raisedBy == 0 ? kSwpNoMove : 0);
        raisedBy = 0;
        expanded = 0;
    }
    EnableSlots(expanded == 1);
    otherAppsButton.SetKind(kAppButtonOtherApps);
    otherAppsButton.SetExpanded(expanded);
    Redraw();
}

void SelectionWindow::OnOk() {
    const int focused = Ops()->FocusedItem();
    switch (focused) {
        case IDC_SELECTION_SETTINGS: OnSettingsButton(); break;
        case IDC_SELECTION_OTHER_APPS: OnToggleOtherApps(); break;
        case IDC_SELECTION_PHOTO_APP: OnLaunchPhotoApp(); break;
        default:
            if (focused >= IDC_SELECTION_SLOT_1 && focused <= IDC_SELECTION_SLOT_5)
                OnLaunchSlot(SlotOf(focused));
            break;
    }
}

void SelectionWindow::OnSettingsButton() {
    // This window stays open as it is. After OK the dialog has cleared its flag and
    // redrawn this window itself.
    if (SettingsDialog::RunOnce(platform_) == kIdOk) RefreshAppNames();
}

void SelectionWindow::Launched(int photoApp, int detail) {
    launchedPhotoApp = photoApp;
    launchDetail = detail;
    Ops()->EndDialog(0);
    SetShown(0);
}

void SelectionWindow::OnSlotClicked(int controlId) { OnLaunchSlot(SlotOf(controlId)); }

void SelectionWindow::OnLaunchSlot(int slot) {
    if (slot < 1 || slot > schema::kAppSlotCount) return;
    std::string name, path;
    {
        SettingsStore store(platform_.registry, schema::kAgentRoot, schema::kAgentKey);
        store.ReadString(schema::AppSlot::NameValue(slot).c_str(), name);
        if (name == user_.LoadString(IDS_NOT_REGISTERED)) return;  // a free slot ignores clicks
        store.ReadString(schema::AppSlot::PathValue(slot).c_str(), path);
    }
    const LaunchOutcome outcome = Launch(platform_, path);
    if (outcome == LaunchOutcome::Started) {
        Launched(0, slot);
        return;
    }
    RunLaunchFailureBox(platform_, outcome);
}

void SelectionWindow::OnLaunchPhotoApp() {
    // A record of its own: the agent's guards and card flags are not this window's.
    WatchFlags fresh;
    PhotoApp photoApp(platform_);
    const std::string path = PhotoAppPath(platform_);
    if (photoApp.IsPhotoAppRunning(fresh)) {
        // Running already: its window comes forward (the click is the user's, so the
        // foreground may pass to it), and this window closes as after a start.
        if (photoApp.IsInstalled() && platform_.shell.ActivateProgram(path))
            Launched(1, cardInserted == 1 ? 10 : 0);
        return;
    }
    const LaunchOutcome outcome = Launch(platform_, path);
    if (outcome == LaunchOutcome::Started) {
        Launched(1, cardInserted == 1 ? 10 : 0);
        return;
    }
    RunLaunchFailureBox(platform_, outcome);
}

void SelectionWindow::OnCancel() {
    SetShown(0);
    Ops()->EndDialog(kIdCancel);
}

}  // namespace kardello
