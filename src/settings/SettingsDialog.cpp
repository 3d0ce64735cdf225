#include "settings/SettingsDialog.h"

#include <utility>

#include "res/SettingsDialogIds.h"
#include "res/SettingsDialogTexts.h"
#include "res/StringIds.h"
#include "settings/SmallDialogs.h"
#include "store/AgentKey.h"
#include "store/AgentValues.h"
#include "store/RegistryKey.h"

namespace kardello {

namespace {

using schema::AppSlot;

constexpr int kChoices = 3;
constexpr int kLastScrollPos = DeviceInfoPanel::kLastFirstLine;
// A slot's values in the order they are read and written.
std::string SlotValue(int n, int which) {
    return which == 0 ? AppSlot::ExeValue(n) : which == 1 ? AppSlot::PathValue(n) : AppSlot::NameValue(n);
}
// Slot 1 to 5's name labels.
constexpr int kNameLabels[SettingsDialog::kSlots] = {IDC_APP_NAME_1, IDC_APP_NAME_2, IDC_APP_NAME_3,
                                                     IDC_APP_NAME_4, IDC_APP_NAME_5};

// The name a registered application goes by: its file name cut before the last dot.
std::string NameOf(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

KARDELLO_MESSAGES_OF(SettingsDialog)
    KARDELLO_MESSAGE(wm::kInitDialog, OnInitDialog)
    KARDELLO_TIMER(OnTimer)
    KARDELLO_RESULT(SettingsDialog::kPanelAnswerMessage, platform_.readerExecutor, OnPanelAnswer)
    KARDELLO_MESSAGE(wm::kVScroll, OnVScroll)
    KARDELLO_CLICK(kIdOk, OnOk)
    KARDELLO_CLICK(kIdCancel, OnCancel)
    KARDELLO_CLICK(IDC_RESTORE_DEFAULTS, OnRestoreDefaults)
    KARDELLO_COMMAND_RANGE(IDC_REGISTER_1, IDC_DELETE_5, OnRowButton)
KARDELLO_END_MESSAGES(nullptr)

SettingsDialog::SettingsDialog(Platform& platform, Shared& shared, std::function<void()> saved)
    : Dialog(platform.user, IDD_SETTINGS),
      platform_(platform),
      shared_(shared),
      saved_(std::move(saved)),
      reader_(platform.registry, platform.devices, platform.system),
      panel_(platform) {}

int SettingsDialog::RunOnce(Platform& platform, Shared& shared, std::function<void()> saved,
                            WindowHandle parent) {
    const OneAtATime::Hold shown = shared.shown.Take();
    if (!shown) return 0;
    SettingsDialog dialog(platform, shared, std::move(saved));
    return dialog.RunModal(parent);
}

std::intptr_t SettingsDialog::OnInitDialog() {
    SettingsStore store(platform_.registry);
    std::uint32_t directExec = 0;
    store.ReadNumber(schema::kDirectExec, directExec);
    directExecChoice_ = static_cast<std::int32_t>(directExec);
    for (int n = 1; n <= kSlots; ++n) {
        std::string* fields[] = {&exeNames_[n - 1], &paths_[n - 1], &appNames_[n - 1]};
        for (int which = 0; which < 3; ++which) {
            const std::string name = SlotValue(n, which);
            store.ReadString(name.c_str(), *fields[which]);
            AsRead& read = asRead_[n - 1][which];
            read.status = store.ReadRaw(name.c_str(), read.value);
        }
    }
    notRegistered_ = platform_.user.LoadString(IDS_NOT_REGISTERED);
    // Only the name decides: a named slot keeps an empty path. A slot shown free this
    // way is not changed: OK writes back what it holds.
    for (int slot = 0; slot < kSlots; ++slot) {
        if (appNames_[slot].empty()) ClearSlot(slot);
    }
    IWindowOps& ops = *Ops();
    ops.SetScrollRange(IDC_DEVICE_SCROLL, 0, kScrollRangeEnd);
    ops.FocusItem(kIdOk);
    ops.SetTimer(kPollTimer, kPollInterval);
    FieldsToControls();
    platform_.user.AttachControl(panel_, *this, IDC_DEVICE_INFO);
    AskReader(PanelQuery::First);
    ops.MakeTopMost();
    return 0;  // the focus is placed: the dialog manager leaves it on OK
}

void SettingsDialog::FieldsToControls() {
    const bool valid = directExecChoice_ >= 0 && directExecChoice_ < kChoices;
    Ops()->CheckRadio(IDC_CHOICE_PHOTO_APP, IDC_CHOICE_NOTHING,
                      valid ? IDC_CHOICE_PHOTO_APP + directExecChoice_ : 0);
    for (int slot = 0; slot < kSlots; ++slot) {
        Ops()->SetItemText(kNameLabels[slot], appNames_[slot]);
        labelsAsSet_[slot] = Ops()->ItemText(kNameLabels[slot]);
    }
}

void SettingsDialog::ControlsToFields() {
    directExecChoice_ = -1;
    for (int i = 0; i < kChoices; ++i) {
        if (Ops()->IsChecked(IDC_CHOICE_PHOTO_APP + i)) {
            directExecChoice_ = i;
            break;
        }
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        std::string shown = Ops()->ItemText(kNameLabels[slot]);
        if (shown == labelsAsSet_[slot]) continue;  // as read: a NUL or a bad unit stays
        appNames_[slot] = std::move(shown);
        nameEdited_[slot] = true;
    }
}

void SettingsDialog::ClearSlot(int slot) {
    appNames_[slot] = notRegistered_;
    exeNames_[slot] = notRegistered_;
    paths_[slot] = notRegistered_;
}

void SettingsDialog::OnRowButton(int id) {
    const int slot = (id - IDC_REGISTER_1) / 2;
    if ((id - IDC_REGISTER_1) % 2 == 0)
        OnRegister(slot);
    else
        OnDelete(slot);
}

void SettingsDialog::OnRegister(int slot) {
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
    appNames_[slot] = NameOf(fileName);
    exeNames_[slot] = fileName;
    paths_[slot] = path;
    changed_[slot] = true;
    Ops()->SetItemText(kNameLabels[slot], appNames_[slot]);
}

void SettingsDialog::OnDelete(int slot) {
    ClearSlot(slot);
    changed_[slot] = true;
    Ops()->SetItemText(kNameLabels[slot], appNames_[slot]);
}

void SettingsDialog::OnRestoreDefaults() {
    DefaultsConfirmDialog confirm(platform_.user);
    // Owned by this dialog, which stays disabled while the question is up.
    if (confirm.RunModal(Handle()) != kIdOk) return;
    directExecChoice_ = static_cast<std::int32_t>(schema::kDirectExecOpenPhotoApp);
    for (int slot = 0; slot < kSlots; ++slot) ClearSlot(slot);
    changed_.fill(true);
    FieldsToControls();
}

void SettingsDialog::OnOk() {
    ControlsToFields();
    // Never made here: a key gone behind the dialog (an uninstall) stays gone, and
    // nothing is saved.
    RegistryKey store(platform_.registry);
    store.OpenExisting(schema::kAgentRoot, schema::kAgentKey);
    // -1 when no button is selected: stored as is, and read back as none.
    bool saved = store.WriteNumber(schema::kDirectExec, static_cast<std::uint32_t>(directExecChoice_));
    for (int n = 1; n <= kSlots; ++n) {
        const std::string* fields[] = {&exeNames_[n - 1], &paths_[n - 1], &appNames_[n - 1]};
        for (int which = 0; which < 3; ++which) {
            const std::string name = SlotValue(n, which);
            const AsRead& read = asRead_[n - 1][which];
            const bool edited = changed_[n - 1] || (which == 2 && nameEdited_[n - 1]);
            if (edited || read.status == kErrorFileNotFound)
                saved &= store.WriteString(name.c_str(), *fields[which]);
            else if (read.status == kErrorSuccess)
                saved &= store.WriteRaw(name.c_str(), read.value);
            // else it could not be read at all: left as it is
        }
    }
    // The machine's key is the administrators' to change: a standard user is told
    // that nothing was kept, and the dialog closes as it always does.
    if (!saved) {
        platform_.user.MessageBox(Handle(), TXT_SETTINGS_NOT_SAVED,
                                  platform_.user.LoadString(IDS_APP_TITLE), kMbOk | kMbIconExclamation);
    }
    // The windows that show the slots' names show the new ones before this closes.
    if (saved_) saved_();
    Ops()->EndDialog(kIdOk);
}

void SettingsDialog::OnCancel() { Ops()->EndDialog(kIdCancel); }

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
    const bool stillAtAnEnd = (pos == 0 && lastScrollPos_ == 0) ||
                              (pos == kLastScrollPos && lastScrollPos_ == kLastScrollPos);
    if (!stillAtAnEnd) Repaint();
    lastScrollPos_ = pos;
    UseDefaultHandling();
}

void SettingsDialog::AskReader(PanelQuery query) {
    queryOut_ = query;
    // The job's copy of the reader reaches only the platform's stateless device calls.
    platform_.readerExecutor.Submit(Handle(), kPanelAnswerMessage,
                                    [reader = reader_, &system = platform_.system,
                                     family = reader_.CurrentFamily()] {
                                        return PanelAnswer::Ask(reader, system, family);
                                    });
}

void SettingsDialog::OnTimer(std::uint32_t) {
    UseDefaultHandling();
    // A tick that finds the query still out does nothing: its answer is the poll.
    if (queryOut_ == PanelQuery::None) AskReader(PanelQuery::Poll);
}

void SettingsDialog::OnPanelAnswer(PanelAnswer answer) {
    const PanelQuery query = queryOut_;
    queryOut_ = PanelQuery::None;
    // Both only invalidate: the paint that follows draws the answer shown here.
    if (query == PanelQuery::Poll) OnPollAnswer(answer.reader);
    panel_.Show(std::move(answer));
    if (query == PanelQuery::First && panel_.Ops() != nullptr) panel_.Ops()->Invalidate(true);
}

void SettingsDialog::OnPollAnswer(const ReaderAnswer& answer) {
    if (recordCount_ < 0 || recordCount_ > kMaxCardRecords) recordCount_ = 0;
    PollLatches& latches = shared_.latches[static_cast<std::size_t>(answer.family)];
    const auto& records = answer.records;
    const int count = answer.count;
    if (!answer.answered) {
        if (recordCount_ != 0) {
            recordCount_ = 0;
            recordStatus_.fill(0);
            Repaint();
        }
        return;
    }
    const int shown = count < kSlots ? count : kSlots;
    if (count != recordCount_) {
        recordCount_ = count;
        Repaint();
        for (int i = 0; i < shown; ++i) recordStatus_[i] = records[i].status != 0 ? 1 : 0;
        // A reader that answers nothing keeps what was seen before.
        if (count > 0) {
            for (int i = shown; i < kSlots; ++i) recordStatus_[i] = 0;
        }
        return;
    }
    for (int i = 0; i < shown; ++i) {
        if (records[i].SerialText().empty()) {
            recordStatus_[i] = 0;
            latches.emptySerialLatch = true;
        } else if (records[i].status != recordStatus_[i]) {
            recordStatus_[i] = records[i].status;
            latches.changeLatch = true;
        }
    }
    // An empty serial seen by this poll or an earlier quiet one holds back one repaint.
    if (latches.changeLatch) {
        if (!latches.emptySerialLatch) Repaint();
        latches = PollLatches{};
    }
}

}  // namespace kardello
