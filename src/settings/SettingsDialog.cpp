#include "settings/SettingsDialog.h"

#include <iterator>

#include "agent/AgentWindow.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "selection/SelectionWindow.h"
#include "settings/SmallDialogs.h"
#include "store/RegistrySchema.h"
#include "store/SettingsStore.h"

namespace kardello {

namespace {

using schema::AppSlot;

constexpr int kChoices = 3;
constexpr int kLastScrollPos = DeviceInfoPanel::kLastFirstLine;
// Slot 1 to 5's name labels.
constexpr int kNameLabels[SettingsDialog::kSlots] = {IDC_APP_NAME_1, IDC_APP_NAME_2, IDC_APP_NAME_3,
                                                     IDC_APP_NAME_4, IDC_APP_NAME_5};

// Register and Delete alternate from 1011: slot n's pair is 1011 + 2(n - 1) and the next.
int SlotOf(int id) { return (id - IDC_REGISTER_1) / 2; }

// The name a registered application goes by: its file name cut before the last dot.
std::string NameOf(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

bool SettingsDialog::shown_ = false;
std::array<SettingsDialog::PollLatches, 2> SettingsDialog::latches_{};

SettingsDialog::SettingsDialog(Platform& platform)
    : Dialog(platform.user, IDD_SETTINGS),
      platform_(platform),
      reader_(platform.registry, platform.devices, platform.system),
      panel_(platform, reader_) {}

const MessageTable& SettingsDialog::Messages() const {
    using T = SettingsDialog;
    static const MessageEntry entries[] = {
        KARDELLO_ON_MESSAGE(wm::kInitDialog, (crack::Result<T, &T::OnInitDialog>)),
        KARDELLO_ON_MESSAGE(wm::kTimer, (crack::Timer<T, &T::OnTimer>)),
        KARDELLO_ON_MESSAGE(wm::kVScroll, (crack::Scroll<T, &T::OnVScroll>)),
        KARDELLO_ON_COMMAND(kIdOk, (crack::Void<T, &T::OnOk>)),
        KARDELLO_ON_COMMAND(kIdCancel, (crack::Void<T, &T::OnCancel>)),
        KARDELLO_ON_COMMAND(IDC_RESTORE_DEFAULTS, (crack::Void<T, &T::OnRestoreDefaults>)),
        KARDELLO_ON_COMMAND(IDC_REGISTER_1, (crack::CommandId<T, &T::OnRegister>)),
        KARDELLO_ON_COMMAND(IDC_REGISTER_2, (crack::CommandId<T, &T::OnRegister>)),
        KARDELLO_ON_COMMAND(IDC_REGISTER_3, (crack::CommandId<T, &T::OnRegister>)),
        KARDELLO_ON_COMMAND(IDC_REGISTER_4, (crack::CommandId<T, &T::OnRegister>)),
        KARDELLO_ON_COMMAND(IDC_REGISTER_5, (crack::CommandId<T, &T::OnRegister>)),
        KARDELLO_ON_COMMAND(IDC_DELETE_1, (crack::CommandId<T, &T::OnDelete>)),
        KARDELLO_ON_COMMAND(IDC_DELETE_2, (crack::CommandId<T, &T::OnDelete>)),
        KARDELLO_ON_COMMAND(IDC_DELETE_3, (crack::CommandId<T, &T::OnDelete>)),
        KARDELLO_ON_COMMAND(IDC_DELETE_4, (crack::CommandId<T, &T::OnDelete>)),
        KARDELLO_ON_COMMAND(IDC_DELETE_5, (crack::CommandId<T, &T::OnDelete>)),
    };
    static const MessageTable table{entries, std::size(entries), nullptr};
    return table;
}

int SettingsDialog::RunOnce(Platform& platform, WindowHandle parent) {
    SettingsDialog dialog(platform);
    if (IsShown()) return 0;
    SetShown(true);
    const int result = dialog.RunModal(parent);
    if (result != kIdOk && result != kIdCancel) SetShown(false);
    return result;
}

std::intptr_t SettingsDialog::OnInitDialog() {
    SettingsStore store(platform_.registry, schema::kAgentRoot, schema::kAgentKey);
    std::uint32_t directExec = 0;
    store.ReadNumber(schema::kDirectExec, directExec);
    directExecChoice = static_cast<std::int32_t>(directExec);
    for (int n = 1; n <= kSlots; ++n) {
        store.ReadString(AppSlot::ExeValue(n).c_str(), exeNames[n - 1]);
        store.ReadString(AppSlot::PathValue(n).c_str(), paths[n - 1]);
        store.ReadString(AppSlot::NameValue(n).c_str(), appNames[n - 1]);
    }
    notRegistered_ = platform_.user.LoadString(IDS_NOT_REGISTERED);
    // Only the name decides: a named slot keeps an empty path.
    for (int slot = 0; slot < kSlots; ++slot) {
        if (appNames[slot].empty()) ClearSlot(slot);
    }
    IWindowOps& ops = *Ops();
    ops.SetScrollRange(IDC_DEVICE_SCROLL, 0, kScrollRangeEnd);
    ops.FocusItem(kIdOk);
    ops.SetTimer(kPollTimer, kPollInterval);
    FieldsToControls();
    platform_.user.AttachControl(panel_, *this, IDC_DEVICE_INFO);
    ops.MakeTopMost();
    return 0;  // the focus is placed: the dialog manager leaves it on OK
}

void SettingsDialog::FieldsToControls() {
    const bool valid = directExecChoice >= 0 && directExecChoice < kChoices;
    Ops()->CheckRadio(IDC_CHOICE_PHOTO_APP, IDC_CHOICE_NOTHING,
                      valid ? IDC_CHOICE_PHOTO_APP + directExecChoice : 0);
    for (int slot = 0; slot < kSlots; ++slot) Ops()->SetItemText(kNameLabels[slot], appNames[slot]);
}

void SettingsDialog::ControlsToFields() {
    directExecChoice = -1;
    for (int i = 0; i < kChoices; ++i) {
        if (Ops()->IsChecked(IDC_CHOICE_PHOTO_APP + i)) {
            directExecChoice = i;
            break;
        }
    }
    for (int slot = 0; slot < kSlots; ++slot) appNames[slot] = Ops()->ItemText(kNameLabels[slot]);
}

void SettingsDialog::ClearSlot(int slot) {
    appNames[slot] = notRegistered_;
    exeNames[slot] = notRegistered_;
    paths[slot] = notRegistered_;
}

void SettingsDialog::OnRegister(int id) {
    IUser& user = platform_.user;
    OpenFileRequest request;
    request.owner = Handle();
    request.filter = user.LoadString(IDS_EXE_FILES) + "(*.exe)|*.exe|" +
                     user.LoadString(IDS_ALL_FILES) + "(*.*)|*.*||";
    request.title = user.LoadString(IDS_APP_TITLE);
    request.initialDirectory = platform_.system.WindowsDirectory();
    request.pathRoom = 260;
    request.fileNameRoom = 64;
    std::string path, shortName;
    if (!user.OpenFileDialog(request, path, shortName)) return;
    // The dialog cuts the file name to its 64 characters; the path holds it whole.
    const auto folderEnd = path.find_last_of("\\/");
    const std::string fileName = folderEnd == std::string::npos ? path : path.substr(folderEnd + 1);
    const int slot = SlotOf(id);
    appNames[slot] = NameOf(fileName);
    exeNames[slot] = fileName;
    paths[slot] = path;
    Ops()->SetItemText(kNameLabels[slot], appNames[slot]);
}

void SettingsDialog::OnDelete(int id) {
    const int slot = SlotOf(id);
    ClearSlot(slot);
    Ops()->SetItemText(kNameLabels[slot], appNames[slot]);
}

void SettingsDialog::OnRestoreDefaults() {
    DefaultsConfirmDialog confirm(platform_.user);
    // Owned by this dialog, which stays disabled while the question is up.
    if (confirm.RunModal(Handle()) != kIdOk) return;
    directExecChoice = static_cast<std::int32_t>(schema::kDirectExecOpenPhotoApp);
    for (int slot = 0; slot < kSlots; ++slot) ClearSlot(slot);
    FieldsToControls();
}

void SettingsDialog::OnOk() {
    ControlsToFields();
    SettingsStore store(platform_.registry, schema::kAgentRoot, schema::kAgentKey);
    // -1 when no button is selected: stored as is, and read back as none.
    bool saved = store.WriteNumber(schema::kDirectExec, static_cast<std::uint32_t>(directExecChoice));
    for (int n = 1; n <= kSlots; ++n) {
        saved &= store.WriteString(AppSlot::ExeValue(n).c_str(), exeNames[n - 1]);
        saved &= store.WriteString(AppSlot::PathValue(n).c_str(), paths[n - 1]);
        saved &= store.WriteString(AppSlot::NameValue(n).c_str(), appNames[n - 1]);
    }
    // The machine's key is the administrators' to change: a standard user is told
    // that nothing was kept, and the dialog closes as it always does.
    if (!saved) {
        platform_.user.MessageBox(Handle(), TXT_SETTINGS_NOT_SAVED,
                                  platform_.user.LoadString(IDS_APP_TITLE), kMbOk | kMbIconExclamation);
    }
    // Only now: while that box was up, this dialog still counted as shown.
    SetShown(false);
    // The selection window shows the slots' names: it is redrawn before this closes.
    if (auto* agent = dynamic_cast<AgentWindow*>(platform_.user.MainWindow())) {
        if (SelectionWindow* selection = agent->GetSelectionWindow()) {
            selection->RefreshAppNames();
            selection->Redraw();
        }
    }
    Ops()->EndDialog(kIdOk);
}

void SettingsDialog::OnCancel() {
    SetShown(false);
    Ops()->EndDialog(kIdCancel);
}

void SettingsDialog::Repaint() { Ops()->Invalidate(true); }

void SettingsDialog::OnVScroll(int request, int position) {
    int pos = Ops()->ScrollPos(IDC_DEVICE_SCROLL);
    switch (request) {
        case sb::kLineUp: pos -= 1; break;
        case sb::kLineDown: pos += 1; break;
        case sb::kPageUp: pos -= 10; break;
        case sb::kPageDown: pos += 10; break;
        case sb::kThumbPosition:
        case sb::kThumbTrack: pos = position; break;
        case sb::kTop: pos = 0; break;
        case sb::kBottom: pos = kLastScrollPos; break;
        case sb::kEndScroll: return;  // not even the default handling
        default: break;
    }
    // The bar's range ends at 25, but the last three lines start at 22.
    if (pos < 0) pos = 0;
    if (pos > kLastScrollPos) pos = kLastScrollPos;
    Ops()->SetScrollPos(IDC_DEVICE_SCROLL, pos);
    panel_.SetFirstLine(pos);
    const bool stillAtAnEnd = (pos == 0 && lastScrollPos == 0) ||
                              (pos == kLastScrollPos && lastScrollPos == kLastScrollPos);
    if (!stillAtAnEnd) Repaint();
    lastScrollPos = pos;
    UseDefaultHandling();
}

void SettingsDialog::OnTimer(std::uint32_t) {
    UseDefaultHandling();
    if (recordCount < 0 || recordCount > kMaxCardRecords) recordCount = 0;
    const Family family = reader_.CurrentFamily();
    PollLatches& latches = Latches(family);
    CardRecord records[kMaxCardRecords];
    int count = kMaxCardRecords;
    if (!reader_.Query(family, records, count)) {
        if (recordCount != 0) {
            recordCount = 0;
            recordStatus.fill(0);
            Repaint();
        }
        return;
    }
    const int shown = count < kSlots ? count : kSlots;
    if (count != recordCount) {
        recordCount = count;
        Repaint();
        for (int i = 0; i < shown; ++i) recordStatus[i] = records[i].status != 0 ? 1 : 0;
        // A reader that answers nothing keeps what was seen before.
        if (count > 0) {
            for (int i = shown; i < kSlots; ++i) recordStatus[i] = 0;
        }
        return;
    }
    for (int i = 0; i < shown; ++i) {
        if (records[i].SerialText().empty()) {
            recordStatus[i] = 0;
            latches.emptySerialLatch = 1;
        } else if (records[i].status != recordStatus[i]) {
            recordStatus[i] = records[i].status;
            latches.changeLatch = 1;
        }
    }
    // An empty serial seen by this poll or an earlier quiet one holds back one repaint.
    if (latches.changeLatch) {
        if (!latches.emptySerialLatch) Repaint();
        latches.changeLatch = 0;
        latches.emptySerialLatch = 0;
    }
}

}  // namespace kardello
