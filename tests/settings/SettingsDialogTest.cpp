// The settings dialog's decisions over the fakes: what it reads, what only OK
// writes, the file registration, the scroll bar and the device poll.

#include <gtest/gtest.h>

#include "agent/AgentWindow.h"
#include "app/CardAgentApp.h"
#include "res/SelectionWindowIds.h"
#include "res/SettingsDialogIds.h"
#include "res/SettingsDialogTexts.h"
#include "res/SmallDialogIds.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"
#include "selection/SelectionWindow.h"
#include "settings/SettingsHarness.h"

namespace kardello {
namespace {

using test::FakeWindowOps;
using test::MakeRecord;
using test::SettingsHarness;

const char* const kSlotValues[] = {"EXE1", "PATH1", "APPNAME1", "EXE2", "PATH2", "APPNAME2",
                                   "EXE3", "PATH3", "APPNAME3", "EXE4", "PATH4", "APPNAME4",
                                   "EXE5", "PATH5", "APPNAME5"};
// Row n's label.
const int kLabels[] = {IDC_APP_NAME_1, IDC_APP_NAME_2, IDC_APP_NAME_3, IDC_APP_NAME_4, IDC_APP_NAME_5};

std::vector<std::string> WrittenNames(const test::FakeRegistry& registry) {
    std::vector<std::string> names;
    for (const std::string& entry : registry.WriteLog()) names.push_back(entry.substr(entry.rfind('\\') + 1));
    return names;
}

int CheckedRadio(FakeWindowOps& ops) {
    int checked = 0;
    for (int id : {IDC_CHOICE_PHOTO_APP, IDC_CHOICE_SELECTION, IDC_CHOICE_NOTHING})
        if (ops.items[id].checked) checked = checked == 0 ? id : -1;
    return checked;
}

// Five registered applications, all different.
void RegisterFive(SettingsHarness& h) {
    for (int n = 1; n <= 5; ++n) {
        const std::string i = std::to_string(n);
        h.Put("APPNAME" + i, "App" + i);
        h.Put("EXE" + i, "App" + i + ".exe");
        h.Put("PATH" + i, "C:\\Apps\\App" + i + ".exe");
    }
}

// ---- Opening, OK and Cancel ----

TEST(SettingsDialogOpen, EmptyKeyOpensWithTheDefaultsAndOkWritesThemInOrder) {
    SettingsHarness h;
    const int result = h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        EXPECT_EQ(CheckedRadio(ops), IDC_CHOICE_PHOTO_APP);
        for (int label : kLabels) EXPECT_EQ(ops.items[label].text, TXT_NOT_REGISTERED) << label;
        EXPECT_EQ(ops.items[IDC_DEVICE_SCROLL].scrollMin, 0);
        EXPECT_EQ(ops.items[IDC_DEVICE_SCROLL].scrollMax, 25);
        EXPECT_EQ(ops.timers.at(10), 500u);
        EXPECT_EQ(ops.FocusedItem(), 1);
        EXPECT_EQ(ops.topMost, 1);
        EXPECT_EQ(h.bench.registry.WriteCount(), 0);  // opening writes nothing
        h.Click(dialog, kIdOk);
        EXPECT_EQ(h.saves, 1) << "what shows the names is told before the dialog closes";
    });
    EXPECT_EQ(result, kIdOk);
    EXPECT_TRUE(h.shared.shown.Take()) << "another may open";
    std::vector<std::string> order{"DirectExec"};
    order.insert(order.end(), std::begin(kSlotValues), std::end(kSlotValues));
    EXPECT_EQ(WrittenNames(h.bench.registry), order);
    EXPECT_EQ(h.bench.registry.GetNumber(test::kHklm, test::kAgentKey, "DirectExec"), 0u);
    for (const char* name : kSlotValues) EXPECT_EQ(h.Get(name), TXT_NOT_REGISTERED) << name;
}

TEST(SettingsDialogOpen, StoredChoiceSelectsItsButtonAndAChoiceOutsideSelectsNone) {
    const std::pair<std::uint32_t, int> cases[] = {
        {0, IDC_CHOICE_PHOTO_APP}, {1, IDC_CHOICE_SELECTION}, {2, IDC_CHOICE_NOTHING},
        {3, 0}, {0xFFFFFFFF, 0}, {0x80000000, 0}};
    for (const auto& [stored, button] : cases) {
        SettingsHarness h;
        h.bench.SetDirectExec(stored);
        h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
            EXPECT_EQ(CheckedRadio(ops), button) << stored;
            h.Click(dialog, kIdOk);
        });
        // OK without a click keeps the choice; none selected is stored as -1.
        EXPECT_EQ(h.bench.registry.GetNumber(test::kHklm, test::kAgentKey, "DirectExec"),
                  button == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(button - IDC_CHOICE_PHOTO_APP))
            << stored;
    }
}

TEST(SettingsDialogOpen, ChoosingAnotherButtonAndOkStoresItsIndex) {
    SettingsHarness h;
    h.bench.SetDirectExec(0);
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        ops.CheckRadio(IDC_CHOICE_PHOTO_APP, IDC_CHOICE_NOTHING, IDC_CHOICE_SELECTION);  // the user's click
        h.Click(dialog, kIdOk);
    });
    EXPECT_EQ(h.bench.registry.GetNumber(test::kHklm, test::kAgentKey, "DirectExec"), 1u);
}

TEST(SettingsDialogOpen, OnlyTheNameDecidesWhetherASlotIsEmpty) {
    SettingsHarness h;
    RegisterFive(h);
    h.Put("APPNAME3", "");                        // a path without a name: an empty slot
    h.bench.registry.Remove(test::kHklm, test::kAgentKey, "APPNAME5");  // unreadable: the same
    h.Put("PATH4", "");                           // a name without a path keeps its empty path
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        EXPECT_EQ(ops.items[IDC_APP_NAME_3].text, TXT_NOT_REGISTERED);
        EXPECT_EQ(ops.items[IDC_APP_NAME_5].text, TXT_NOT_REGISTERED);
        EXPECT_EQ(ops.items[IDC_APP_NAME_4].text, "App4");
        EXPECT_EQ(ops.items[IDC_APP_NAME_2].text, "App2");
        h.Click(dialog, kIdOk);
    });
    // Shown free, but not changed: written back as they were, only the missing name
    // gets the dialog's copy.
    EXPECT_EQ(h.Get("APPNAME3"), "");
    EXPECT_EQ(h.Get("PATH3"), "C:\\Apps\\App3.exe");
    EXPECT_EQ(h.Get("APPNAME5"), TXT_NOT_REGISTERED);
    EXPECT_EQ(h.Get("EXE5"), "App5.exe");
    EXPECT_EQ(h.Get("PATH4"), "");
    EXPECT_EQ(h.Get("EXE4"), "App4.exe");
    EXPECT_EQ(h.Get("PATH1"), "C:\\Apps\\App1.exe");
}

TEST(SettingsDialogOpen, CancelEscAndTheCloseBoxWriteNothing) {
    SettingsHarness h;
    RegisterFive(h);
    h.bench.SetDirectExec(2);
    h.confirmAnswer = kIdOk;
    h.bench.user.chosenFile = "C:\\Nuevo\\Otro.exe";
    const int result = h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        h.Click(dialog, IDC_REGISTER_2);  // register in row 2
        h.Click(dialog, IDC_DELETE_1);  // delete row 1
        ops.CheckRadio(IDC_CHOICE_PHOTO_APP, IDC_CHOICE_NOTHING, IDC_CHOICE_SELECTION);
        h.Click(dialog, IDC_RESTORE_DEFAULTS);  // restore the defaults
        EXPECT_EQ(ops.items[IDC_APP_NAME_2].text, TXT_NOT_REGISTERED);
        h.Click(dialog, kIdCancel);
    });
    EXPECT_EQ(result, kIdCancel);
    EXPECT_TRUE(h.shared.shown.Take()) << "another may open";
    EXPECT_EQ(h.saves, 0);
    EXPECT_EQ(h.bench.registry.WriteCount(), 0);
    EXPECT_EQ(h.Get("APPNAME1"), "App1");
    EXPECT_EQ(h.Get("APPNAME2"), "App2");
    EXPECT_EQ(h.bench.registry.GetNumber(test::kHklm, test::kAgentKey, "DirectExec"), 2u);
}

// A standard user may read the machine's key but not write it.
TEST(SettingsDialogOpen, OkThatCannotSaveSaysSoOnceAndClosesAsUsual) {
    enum Refusal { kWrites, kWholeRoot, kStandardUser };
    for (const Refusal refusal : {kWrites, kWholeRoot, kStandardUser}) {
        SettingsHarness h;
        RegisterFive(h);
        h.bench.SetDirectExec(2);
        if (refusal == kWholeRoot) {
            h.bench.registry.DenyRoot(test::kHklm);
        } else if (refusal == kWrites) {
            h.bench.registry.FailWrites(true);
        } else {
            h.bench.registry.ReadOnly(test::kHklm, "");
        }
        WindowHandle dialogWindow = nullptr;
        // While the box is up the dialog is still there: no second one may open.
        int secondRuns = -1;
        h.bench.user.onBox = [&] {
            EXPECT_FALSE(h.shared.shown.Take()) << "no other may open";
            const std::size_t modals = h.bench.user.modals.size();
            secondRuns = SettingsDialog::RunOnce(h.bench.platform, h.shared, nullptr);
            EXPECT_EQ(h.bench.user.modals.size(), modals);
        };
        const int result = h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
            dialogWindow = dialog.Handle();
            if (refusal == kStandardUser) {
                // Read through the read-only key: the stored choice and names.
                EXPECT_TRUE(ops.items[IDC_CHOICE_NOTHING].checked);
                EXPECT_EQ(ops.items[IDC_APP_NAME_1].text, "App1");
            }
            ops.CheckRadio(IDC_CHOICE_PHOTO_APP, IDC_CHOICE_NOTHING, IDC_CHOICE_PHOTO_APP);
            h.Click(dialog, IDC_DELETE_1);
            EXPECT_TRUE(h.bench.user.boxes.empty());
            h.Click(dialog, kIdOk);
        });
        EXPECT_EQ(secondRuns, 0) << refusal;
        EXPECT_EQ(result, kIdOk) << refusal;
        EXPECT_TRUE(h.shared.shown.Take()) << "another may open";
        ASSERT_EQ(h.bench.user.boxes.size(), 1u) << refusal;
        EXPECT_EQ(h.bench.user.boxes[0].text, TXT_SETTINGS_NOT_SAVED);
        EXPECT_EQ(h.bench.user.boxes[0].title, TXT_APP_TITLE);
        EXPECT_EQ(h.bench.user.boxes[0].owner, dialogWindow);
        EXPECT_EQ(h.bench.registry.OpenHandles(), 0u);
        EXPECT_EQ(h.Get("APPNAME1"), "App1");
        EXPECT_EQ(h.bench.registry.GetNumber(test::kHklm, test::kAgentKey, "DirectExec"), 2u);
        if (refusal == kStandardUser) {
            EXPECT_GT(h.bench.registry.RefusedOpens(), 0);
        }
    }
    // The same steps with a writable key: no box.
    SettingsHarness h;
    h.Run([&](SettingsDialog& dialog, FakeWindowOps&) { h.Click(dialog, kIdOk); });
    EXPECT_TRUE(h.bench.user.boxes.empty());
    EXPECT_EQ(h.Get("PATH5"), TXT_NOT_REGISTERED);
}

// ---- Register, Delete and the defaults ----

TEST(SettingsDialogSlots, RegisterInRowTwoFillsSlotTwoFromTheOpenFileDialog) {
    SettingsHarness h;
    RegisterFive(h);
    h.bench.user.chosenFile = "C:\\Program Files\\Visor\\Visor.Fotos.exe";
    WindowHandle dialogHandle = nullptr;
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        dialogHandle = dialog.Handle();
        h.Click(dialog, IDC_REGISTER_2);
        EXPECT_EQ(ops.items[IDC_APP_NAME_2].text, "Visor.Fotos");  // the first dot stays
        EXPECT_EQ(ops.items[IDC_APP_NAME_1].text, "App1");
        EXPECT_EQ(h.bench.registry.WriteCount(), 0);
        h.Click(dialog, kIdOk);
    });
    ASSERT_EQ(h.bench.user.fileDialogs.size(), 1u);
    const OpenFileRequest& request = h.bench.user.fileDialogs[0];
    EXPECT_EQ(request.owner, dialogHandle);
    EXPECT_EQ(request.filter, "Fichero EXE(*.exe)|*.exe|Todo(*.*)|*.*||");
    EXPECT_EQ(request.title, TXT_APP_TITLE);
    EXPECT_EQ(request.initialDirectory, "C:\\WINDOWS");
    EXPECT_EQ(request.pathRoom, 260u);
    EXPECT_EQ(request.fileNameRoom, 64u);
    EXPECT_EQ(h.Get("APPNAME2"), "Visor.Fotos");
    EXPECT_EQ(h.Get("EXE2"), "Visor.Fotos.exe");
    EXPECT_EQ(h.Get("PATH2"), "C:\\Program Files\\Visor\\Visor.Fotos.exe");
    EXPECT_EQ(h.Get("APPNAME1"), "App1");
    EXPECT_EQ(h.Get("PATH3"), "C:\\Apps\\App3.exe");
}

TEST(SettingsDialogSlots, EveryRowRegistersAndDeletesItsOwnSlot) {
    const std::pair<int, int> rows[] = {{IDC_REGISTER_1, IDC_DELETE_1}, {IDC_REGISTER_2, IDC_DELETE_2},
                                        {IDC_REGISTER_3, IDC_DELETE_3}, {IDC_REGISTER_4, IDC_DELETE_4},
                                        {IDC_REGISTER_5, IDC_DELETE_5}};
    for (int row = 0; row < 5; ++row) {
        SettingsHarness h;
        RegisterFive(h);
        h.bench.user.chosenFile = "D:\\herramienta";  // no dot: the whole name twice
        h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
            h.Click(dialog, rows[row].first);
            EXPECT_EQ(ops.items[kLabels[row]].text, "herramienta");
            h.Click(dialog, kIdOk);
        });
        const std::string n = std::to_string(row + 1);
        EXPECT_EQ(h.Get("APPNAME" + n), "herramienta");
        EXPECT_EQ(h.Get("EXE" + n), "herramienta");
        EXPECT_EQ(h.Get("PATH" + n), "D:\\herramienta");

        SettingsHarness d;
        RegisterFive(d);
        d.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
            d.Click(dialog, rows[row].second);
            EXPECT_EQ(ops.items[kLabels[row]].text, TXT_NOT_REGISTERED);
            d.Click(dialog, kIdOk);
        });
        for (int other = 1; other <= 5; ++other) {
            const std::string m = std::to_string(other);
            const bool deleted = other == row + 1;
            EXPECT_EQ(d.Get("APPNAME" + m), deleted ? TXT_NOT_REGISTERED : "App" + m);
            EXPECT_EQ(d.Get("EXE" + m), deleted ? TXT_NOT_REGISTERED : "App" + m + ".exe");
            EXPECT_EQ(d.Get("PATH" + m), deleted ? TXT_NOT_REGISTERED : "C:\\Apps\\App" + m + ".exe");
        }
    }
}

TEST(SettingsDialogSlots, CancelledFileDialogAndDotsAtTheEnds) {
    SettingsHarness h;
    RegisterFive(h);
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        h.bench.user.chosenFile.clear();  // the user cancels
        h.Click(dialog, IDC_REGISTER_1);
        EXPECT_EQ(ops.items[IDC_APP_NAME_1].text, "App1");
        h.bench.user.chosenFile = "C:\\x\\.perfil";
        h.Click(dialog, IDC_REGISTER_3);
        EXPECT_EQ(ops.items[IDC_APP_NAME_3].text, "");
        h.bench.user.chosenFile = "C:\\x\\raro.";
        h.Click(dialog, IDC_REGISTER_4);
        EXPECT_EQ(ops.items[IDC_APP_NAME_4].text, "raro");
        h.Click(dialog, kIdOk);
    });
    EXPECT_EQ(h.Get("PATH1"), "C:\\Apps\\App1.exe");
    EXPECT_EQ(h.Get("EXE4"), "raro.");
}

TEST(SettingsDialogSlots, RestoreDefaultsAcceptedOrDeclined) {
    for (int answer : {kIdOk, kIdCancel}) {
        SettingsHarness h;
        RegisterFive(h);
        h.bench.SetDirectExec(2);
        h.confirmAnswer = answer;
        WindowHandle dialogHandle = nullptr;
        h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
            dialogHandle = dialog.Handle();
            h.Click(dialog, IDC_RESTORE_DEFAULTS);
            const bool restored = answer == kIdOk;
            EXPECT_EQ(CheckedRadio(ops), restored ? IDC_CHOICE_PHOTO_APP : IDC_CHOICE_NOTHING);
            for (int row = 0; row < 5; ++row)
                EXPECT_EQ(ops.items[kLabels[row]].text,
                          restored ? TXT_NOT_REGISTERED : "App" + std::to_string(row + 1));
            EXPECT_EQ(h.bench.registry.WriteCount(), 0);
            h.Click(dialog, kIdOk);
        });
        ASSERT_EQ(h.confirmOwners.size(), 1u);
        EXPECT_EQ(h.confirmOwners[0], dialogHandle);  // the question is owned by the dialog
        EXPECT_EQ(h.bench.user.modals[1].templateId, IDD_DEFAULTS_CONFIRM);
        EXPECT_EQ(h.bench.registry.GetNumber(test::kHklm, test::kAgentKey, "DirectExec"),
                  answer == kIdOk ? 0u : 2u);
        for (const char* name : kSlotValues) {
            if (answer == kIdOk) EXPECT_EQ(h.Get(name), TXT_NOT_REGISTERED) << name;
            else EXPECT_NE(h.Get(name), TXT_NOT_REGISTERED) << name;
        }
    }
}

// ---- What the registry and the Open-file dialog may hold ----

TEST(SettingsDialogInput, OddValuesOfAnyLengthAndTypeGiveDefinedSlots) {
    SettingsHarness h;
    RegisterFive(h);
    const std::string longName(5000, 'n');
    h.Put("APPNAME1", longName);                 // longer than any read: unreadable
    h.bench.registry.Put(test::kHklm, test::kAgentKey, "APPNAME2", kRegBinary,
                         {'S', 'i', 'n', 'N', 'U', 'L'});  // text without its NUL
    h.bench.registry.Put(test::kHklm, test::kAgentKey, "APPNAME3", kRegDword, {1, 0, 0, 0});
    h.Put("APPNAME4", std::string(1023, 'x'));   // the longest that is read whole
    h.bench.registry.Put(test::kHklm, test::kAgentKey, "DirectExec", kRegSz, {'1', 0});
    const std::string longPath = "C:\\" + std::string(300, 'p') + "\\" + std::string(70, 'f') + ".exe";
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        EXPECT_EQ(ops.items[IDC_APP_NAME_1].text, TXT_NOT_REGISTERED);
        EXPECT_EQ(ops.items[IDC_APP_NAME_2].text, "SinNUL");
        EXPECT_EQ(ops.items[IDC_APP_NAME_3].text, std::string("\x01", 1));
        EXPECT_EQ(ops.items[IDC_APP_NAME_4].text, std::string(1023, 'x'));
        EXPECT_EQ(CheckedRadio(ops), 0);  // "1" as text is no choice
        h.bench.user.chosenFile = longPath;  // whatever the platform let through
        h.Click(dialog, IDC_REGISTER_5);
        EXPECT_EQ(ops.items[IDC_APP_NAME_5].text, std::string(70, 'f'));
        h.Click(dialog, kIdOk);
    });
    EXPECT_EQ(h.Get("APPNAME1"), longName);  // unreadable, so never changed
    EXPECT_EQ(h.Get("APPNAME2"), "SinNUL");
    EXPECT_EQ(h.Get("APPNAME4"), std::string(1023, 'x'));
    EXPECT_EQ(h.Get("PATH5"), longPath);
    // Whole, though the dialog's file name room holds 64 characters.
    EXPECT_EQ(h.Get("EXE5"), std::string(70, 'f') + ".exe");
}

// OK writes back what the user did not change exactly as it was read, whatever the
// registry holds; a slot the user changed is written as text, as before.
TEST(SettingsDialogInput, OkWritesBackEveryUnchangedValueAsItWasRead) {
    using Bytes = std::vector<std::uint8_t>;
    SettingsHarness h;
    RegisterFive(h);
    auto& registry = h.bench.registry;
    const std::pair<const char*, test::FakeRegistry::Value> stored[] = {
        {"APPNAME1", {kRegExpandSz, {'%', 'A', '%', 0}}},
        {"PATH1", {kRegSz, {'C', ':', '\\', 'a', 0, 'b', 0}}},  // an embedded NUL
        {"EXE1", {kRegSz, {'a', '.', 'e', 'x', 'e', 0, 0}}},      // an odd byte count
        {"APPNAME2", {kRegSz, {'S', 'i', 'n'}}},                  // no terminator
        {"PATH2", {kRegSz, {}}},                                  // zero bytes
        {"EXE2", {kRegDword, {7, 0, 0, 0}}},
        {"PATH3", {kRegMultiSz, {'a', 0, 'b', 0, 0}}},
        {"EXE3", {kRegBinary, {0xFF, 0x00, 0xFE}}},
        {"PATH4", {kRegSz, Bytes(64 * 1024, 'q')}},  // too long to read
        {"APPNAME5", {kRegSz, Bytes(64 * 1024, 'n')}},
    };
    for (const auto& [name, value] : stored) registry.Put(test::kHklm, test::kAgentKey, name, value.type, value.data);
    h.bench.user.chosenFile = "C:\\Nuevo\\Otro.exe";
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        EXPECT_EQ(ops.items[IDC_APP_NAME_5].text, TXT_NOT_REGISTERED);  // shown free, on screen only
        h.Click(dialog, IDC_REGISTER_4);  // only that slot is written anew
        // A label another program rewrote: that name alone is written anew.
        ops.items[IDC_APP_NAME_5].text = "Mi visor";
        h.Click(dialog, kIdOk);
    });
    EXPECT_TRUE(h.bench.user.boxes.empty());
    for (const auto& [name, value] : stored) {
        if (std::string(name) == "PATH4" || std::string(name) == "APPNAME5") continue;
        const auto now = registry.Get(test::kHklm, test::kAgentKey, name);
        ASSERT_TRUE(now) << name;
        EXPECT_EQ(now->type, value.type) << name;
        EXPECT_EQ(now->data, value.data) << name;
    }
    EXPECT_EQ(h.Get("PATH4"), "C:\\Nuevo\\Otro.exe");
    EXPECT_EQ(registry.Get(test::kHklm, test::kAgentKey, "EXE4")->type, kRegSz);
    EXPECT_EQ(h.Get("APPNAME5"), "Mi visor");
    EXPECT_EQ(h.Get("EXE5"), "App5.exe");
    EXPECT_EQ(WrittenNames(registry).size(), 16u) << "all fifteen and DirectExec";
}

// The key deleted while the dialog was up (an uninstall): OK makes nothing, says that
// nothing was saved, and another dialog may open.
TEST(SettingsDialogInput, OkAfterTheKeyWasDeletedWritesNothing) {
    SettingsHarness h;
    RegisterFive(h);
    h.bench.SetDirectExec(1);
    const int result = h.Run([&](SettingsDialog& dialog, FakeWindowOps&) {
        h.bench.registry.RemoveKey(test::kHklm, test::kAgentKey);
        h.Click(dialog, IDC_DELETE_1);
        h.Click(dialog, kIdOk);
    });
    EXPECT_EQ(result, kIdOk);
    EXPECT_FALSE(h.bench.registry.KeyExists(test::kHklm, test::kAgentKey));
    EXPECT_EQ(h.bench.registry.WriteCount(), 0);
    ASSERT_EQ(h.bench.user.boxes.size(), 1u);
    EXPECT_EQ(h.bench.user.boxes[0].text, TXT_SETTINGS_NOT_SAVED);
    EXPECT_EQ(h.bench.registry.OpenHandles(), 0u);
    EXPECT_TRUE(h.shared.shown.Take()) << "another may open";
}

// ---- Scrolling ----

struct ScrollCase {
    int from, request, carried, to;
    bool repaint;
};

TEST(SettingsDialogScroll, EveryRequestTheClampAtTwentyTwoAndTheRepaintRule) {
    const ScrollCase cases[] = {
        {0, sb::kLineDown, 0, 1, true},       {5, sb::kLineUp, 0, 4, true},
        {0, sb::kLineUp, 0, 0, false},        // already at the top: no repaint
        {21, sb::kLineDown, 0, 22, true},     {22, sb::kLineDown, 0, 22, false},
        {15, sb::kPageDown, 0, 22, true},     {3, sb::kPageUp, 0, 0, true},
        {12, sb::kPageUp, 0, 2, true},        {0, sb::kThumbTrack, 7, 7, true},
        {7, sb::kThumbPosition, 7, 7, true},  // a middle position repaints though unchanged
        {0, sb::kThumbTrack, 25, 22, true},   {4, sb::kThumbPosition, -3, 0, true},
        {9, sb::kTop, 0, 0, true},            {9, sb::kBottom, 0, 22, true},
        {22, sb::kBottom, 0, 22, false},      {0, sb::kTop, 0, 0, false},
        {6, 9, 0, 6, true},                   // an unknown request: unchanged
    };
    for (const ScrollCase& c : cases) {
        SettingsHarness h;
        // Five units, each its own block: every line the panel starts from shows otherwise.
        h.bench.SetSlots({MakeRecord(0, "S0", 'E'), MakeRecord(0, "S1", 'F'), MakeRecord(0, "S2", 'G'),
                          MakeRecord(0, "S3", 'H'), MakeRecord(0, "S4", 'I')});
        h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
            // Arrive at `from` the way the user would, then ask again.
            h.bench.user.Send(dialog, wm::kVScroll, sb::kThumbPosition | (c.from << 16));
            ASSERT_EQ(ops.items[IDC_DEVICE_SCROLL].scrollPos, c.from);
            const int before = ops.erasingInvalidations;
            std::intptr_t result = 0;
            const bool handled = dialog.Dispatch(
                {wm::kVScroll, static_cast<std::uintptr_t>(c.request) |
                                   (static_cast<std::uintptr_t>(c.carried & 0xFFFF) << 16), 0},
                result);
            EXPECT_EQ(ops.items[IDC_DEVICE_SCROLL].scrollPos, c.to) << c.from << " req " << c.request;
            EXPECT_EQ(ops.erasingInvalidations > before, c.repaint) << c.from << " req " << c.request;
            EXPECT_EQ(h.PanelText(), h.PanelTextFrom(c.to)) << c.from << " req " << c.request;
            EXPECT_FALSE(handled) << "the default handling follows";
            h.Click(dialog, kIdCancel);
        });
    }
}

TEST(SettingsDialogScroll, EndOfScrollingChangesNothingAndGetsNoDefaultHandling) {
    SettingsHarness h;
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        h.bench.user.Send(dialog, wm::kVScroll, sb::kLineDown);
        h.bench.user.Send(dialog, wm::kVScroll, sb::kLineDown);
        const int before = ops.erasingInvalidations;
        std::intptr_t result = 0;
        EXPECT_TRUE(dialog.Dispatch({wm::kVScroll, sb::kEndScroll, 0}, result));
        EXPECT_EQ(ops.items[IDC_DEVICE_SCROLL].scrollPos, 2);
        EXPECT_EQ(h.PanelText(), h.PanelTextFrom(2));
        EXPECT_EQ(ops.erasingInvalidations, before);
        h.Click(dialog, kIdCancel);
    });
}

// ---- The device poll ----

class SettingsPoll : public ::testing::TestWithParam<Family> {
protected:
    void SetUp() override { h.bench.SetFamily(GetParam()); }
    SettingsHarness h;
};

TEST_P(SettingsPoll, CountChangesRepaintAndSetTheStatuses) {
    h.bench.SetSlots({});
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        EXPECT_FALSE(h.Poll(dialog));  // 0 records, as it started
        h.bench.SetSlots({MakeRecord(1, "A", 'E'), MakeRecord(2, "B", 'F')});
        EXPECT_TRUE(h.Poll(dialog));
        // The same count again: the status 2, first seen as "a card", is now taken as it
        // is: one repaint, then quiet.
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        // 2 -> 1: repaint; the first record's status is kept, the next poll is quiet.
        h.bench.SetSlots({MakeRecord(1, "A", 'E')});
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        // 1 -> 0 with success: repaint, then quiet.
        h.bench.SetSlots({});
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        // A slow reader: a tick that finds the poll out asks nothing more, and what the
        // panel shows changes only when the answer comes.
        h.bench.holdReader = true;
        h.bench.SetSlots({MakeRecord(1, "A", 'E')});
        const std::string beforeAnswer = h.PanelText();
        EXPECT_FALSE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        EXPECT_EQ(h.bench.readerExecutor.Waiting(), 1u) << "a second query while one is out";
        EXPECT_EQ(h.PanelText(), beforeAnswer);
        h.bench.holdReader = false;
        const int repaints = ops.erasingInvalidations;
        h.bench.user.PumpPosted();
        EXPECT_EQ(ops.erasingInvalidations, repaints + 1);  // 0 -> 1
        EXPECT_EQ(h.PanelText(), " Drive Name       : Almacenamiento de la VARNO Marindo\r\n"
                                 " Serial No.          : A\r\n"
                                 " Volume Name    : \r\n");
        EXPECT_FALSE(h.Poll(dialog));
        // The dialog closes with a poll out: its answer reaches nothing.
        h.bench.holdReader = true;
        h.bench.SetSlots({});
        EXPECT_FALSE(h.Poll(dialog));
        h.Click(dialog, kIdCancel);
    });
    EXPECT_EQ(h.bench.readerExecutor.Waiting(), 1u);
    h.bench.holdReader = false;
    h.bench.user.PumpPosted();  // a delivery to the gone dialog would be a use after free
    EXPECT_EQ(h.bench.readerExecutor.Waiting(), 0u);
    EXPECT_EQ(h.bench.readerExecutor.Unclaimed(), 0u) << "the answer is freed, not kept";
    // The next dialog draws its own first answer, not the closed one's.
    h.bench.SetSlots({MakeRecord(1, "B", 'F')});
    h.Run([&](SettingsDialog& dialog, FakeWindowOps&) {
        EXPECT_EQ(h.PanelText().rfind(" Drive Name       : Almacenamiento", 0), 0u);
        EXPECT_TRUE(h.Poll(dialog));  // its own poll starts from no records
        h.Click(dialog, kIdCancel);
    });
}

TEST_P(SettingsPoll, StatusChangesRepaintOnceAndFailuresCountAsNoRecords) {
    h.bench.SetSlots({MakeRecord(0, "A", 'E'), MakeRecord(0, "B", 'F')});
    h.Run([&](SettingsDialog& dialog, FakeWindowOps& ops) {
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        h.bench.Insert(1, "B", 'F');
        EXPECT_TRUE(h.Poll(dialog, 4242));  // any timer id polls
        EXPECT_FALSE(h.Poll(dialog));
        h.bench.Remove(1);
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        // The reader stops answering: one repaint, then quiet; back, one repaint (a
        // count again), then quiet.
        h.bench.Insert(0, "A", 'E');
        h.bench.FailQueries(true);
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        h.bench.FailQueries(false);
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog));
        // The timer message goes on to the default handling.
        std::intptr_t result = 0;
        EXPECT_FALSE(dialog.Dispatch({wm::kTimer, 10, 0}, result));
        EXPECT_EQ(ops.erasingInvalidations, ops.invalidations);  // every repaint erases
        h.Click(dialog, kIdCancel);
    });
}

TEST_P(SettingsPoll, EmptySerialHoldsBackTheNextRepaintOfItsVariant) {
    const Family other = GetParam() == Family::Nt ? Family::Win95 : Family::Nt;
    h.bench.SetSlots({MakeRecord(0, "A", 'E'), MakeRecord(0, "", 'F')});
    h.Run([&](SettingsDialog& dialog, FakeWindowOps&) {
        EXPECT_TRUE(h.Poll(dialog));  // count 0 -> 2
        // Same count, no change, but an empty serial: quiet, and held against this
        // variant only: the other's next change repaints.
        EXPECT_FALSE(h.Poll(dialog));
        h.bench.SetFamily(other);
        h.bench.SetSlots({MakeRecord(0, "A", 'E'), MakeRecord(1, "B", 'F')});
        EXPECT_TRUE(h.Poll(dialog));
        h.bench.SetFamily(GetParam());
        h.bench.SetSlots({MakeRecord(0, "A", 'E'), MakeRecord(0, "", 'F')});
        EXPECT_FALSE(h.Poll(dialog));
        // A change now is not repainted, and both latches clear.
        h.bench.SetSlots({MakeRecord(1, "A", 'E'), MakeRecord(0, "B", 'F')});
        EXPECT_FALSE(h.Poll(dialog));
        // The next change repaints.
        h.bench.Remove(0);
        EXPECT_TRUE(h.Poll(dialog));
        // A change in the same poll as another record's empty serial: no repaint.
        h.bench.SetSlots({MakeRecord(1, "A", 'E'), MakeRecord(0, "", 'F')});
        EXPECT_FALSE(h.Poll(dialog));
        // A latch left set outlives the dialog.
        EXPECT_FALSE(h.Poll(dialog));
        h.Click(dialog, kIdCancel);
    });
    h.bench.SetSlots({MakeRecord(1, "A", 'E'), MakeRecord(1, "C", 'F')});
    h.Run([&](SettingsDialog& dialog, FakeWindowOps&) {
        EXPECT_TRUE(h.Poll(dialog));   // count 0 -> 2 repaints whatever the latches
        h.bench.Remove(1);
        EXPECT_FALSE(h.Poll(dialog));  // the old latch holds this one back
        h.Click(dialog, kIdCancel);
    });
}

TEST_P(SettingsPoll, OddRepliesNeverReadPastTheTable) {
    h.bench.SetSlots({MakeRecord(1, "ABCDEFGHIJKLM", '\0')});
    // Twenty records, the last broken off, and a byte count far beyond the buffer.
    auto bytes = test::Bytes(std::vector<CardRecord>(20, MakeRecord(1, "S", 'E')));
    bytes.resize(bytes.size() - 7);
    for (const char* path : {CardReader::kControlDevice, "\\\\.\\VRUSBDSK0"}) {
        h.bench.devices.Find(path)->reply = bytes;
        h.bench.devices.Find(path)->report = 100000;
    }
    h.Run([&](SettingsDialog& dialog, FakeWindowOps&) {
        EXPECT_TRUE(h.Poll(dialog));
        EXPECT_FALSE(h.Poll(dialog)) << "the same reply is the same count and statuses";
        EXPECT_EQ(h.PanelText().rfind(" Drive Name       : ", 0), 0u);
        h.Click(dialog, kIdCancel);
    });
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, SettingsPoll, ::testing::Values(Family::Nt, Family::Win95),
                         [](const auto& info) { return info.param == Family::Nt ? "Nt" : "Win95"; });

// ---- The tray command ----

TEST(SettingsCommand, OpensOneDialogAndASecondCommandOnlyBringsItForward) {
    SettingsHarness h;
    h.bench.SetCaption();
    ASSERT_NE(h.bench.Start(), nullptr);
    AgentWindow& agent = *h.bench.window;
    int runs = 0;
    h.bench.user.modalScript = [&](WindowBase& window, int templateId) {
        EXPECT_EQ(templateId, IDD_SETTINGS);
        ++runs;
        const int raised = h.bench.user.OpsOf(agent)->raised;
        h.bench.user.Send(agent, wm::kCommand, ID_MENU_SETTINGS);  // while it is up
        // What stands over the agent window, the dialog, comes forward with the keyboard.
        EXPECT_EQ(h.bench.user.OpsOf(agent)->raised, raised + 1);
        EXPECT_EQ(h.bench.user.OpsOf(agent)->flashes, 0);
        h.bench.user.Send(window, wm::kCommand, kIdCancel);
        return 0;
    };
    h.bench.user.Send(agent, wm::kCommand, ID_MENU_SETTINGS);
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(h.bench.user.modals.size(), 1u);
    EXPECT_EQ(h.bench.user.modals[0].parent, nullptr);
    // Closed: the command opens it again.
    h.bench.user.Send(agent, wm::kCommand, ID_MENU_SETTINGS);
    EXPECT_EQ(runs, 2);
}

// Opened from a selection window that a card brought up: OK redraws that window
// before the dialog closes; Cancel does not.
TEST(SettingsCommand, OkRedrawsTheSelectionWindowThatIsShowing) {
    for (int close : {kIdOk, kIdCancel}) {
        SettingsHarness h;
        h.bench.SetCaption();
        h.bench.SetDirectExec(1);
        ASSERT_NE(h.bench.Start(), nullptr);
        WindowBase* selection = nullptr;
        int redrawsBeforeClose = -1, redrawsAtClose = -1;
        h.bench.user.modalScript = [&](WindowBase& window, int templateId) {
            if (templateId == IDD_SELECTION) {
                selection = &window;
                h.bench.user.Send(window, wm::kCommand, IDC_SELECTION_SETTINGS);  // "Ajustes"
                return kIdCancel;
            }
            EXPECT_EQ(templateId, IDD_SETTINGS);
            redrawsBeforeClose = h.bench.user.OpsOf(*selection)->redraws;
            h.bench.user.Send(window, wm::kCommand, close);
            redrawsAtClose = h.bench.user.OpsOf(*selection)->redraws;
            return 0;
        };
        h.bench.Insert(0, "VRCARD000001");
        h.bench.Tick();
        ASSERT_NE(selection, nullptr) << "no selection window for the card";
        EXPECT_EQ(redrawsAtClose - redrawsBeforeClose, close == kIdOk ? 1 : 0);
    }
}

TEST(SettingsCommand, DialogThatCannotBeShownDoesNotBarTheNextCommand) {
    SettingsHarness h;
    h.bench.SetCaption();
    ASSERT_NE(h.bench.Start(), nullptr);
    h.bench.user.quitPosted = true;  // the fake's RunModal then shows nothing: -1
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SETTINGS);
    h.bench.user.quitPosted = false;
    h.bench.user.modalScript = [&](WindowBase& window, int) {
        h.bench.user.Send(window, wm::kCommand, kIdCancel);
        return 0;
    };
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SETTINGS);
    EXPECT_EQ(h.bench.user.modals.size(), 1u) << "the next command shows it";
}

TEST(SettingsCommand, EndCommandWhileTheDialogIsUpEndsCleanly) {
    SettingsHarness h;
    h.bench.SetCaption();
    ASSERT_NE(h.bench.Start(), nullptr);
    h.bench.Tick();
    h.bench.user.modalScript = [&](WindowBase& window, int) {
        h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_EXIT);
        h.bench.user.PumpPosted();  // WM_CLOSE: the agent window is destroyed
        h.bench.user.Send(window, wm::kTimer, SettingsDialog::kPollTimer);
        return 0;
    };
    h.bench.registry.ClearWriteLog();
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SETTINGS);
    h.bench.window = nullptr;  // deleted once the command returned
    EXPECT_TRUE(h.bench.user.quitPosted);
    EXPECT_EQ(h.bench.shell.notifications.back().message, kNimDelete);
    EXPECT_TRUE(h.bench.registry.WriteLog().empty());
    EXPECT_EQ(h.bench.app->Shutdown(), 0);
}

}  // namespace
}  // namespace kardello
