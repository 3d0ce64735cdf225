// The selection window on its own: what it shows on opening, folding and unfolding,
// the launches and their boxes, the Enter key, the settings button and the cancel
// command, over the fakes.

#include <gtest/gtest.h>

#include "res/SelectionWindowIds.h"
#include "res/SettingsDialogIds.h"
#include "res/SmallDialogIds.h"
#include "res/StringTexts.h"
#include "selection/SelectionHarness.h"
#include "store/CardStatusValues.h"
#include "store/PhotoAppValues.h"

namespace kardello {
namespace {

using test::kAgentKey;
using test::kHklm;
using Inside = test::SelectionHarness::Inside;

constexpr int kSlotIds[] = {IDC_SELECTION_SLOT_1, IDC_SELECTION_SLOT_2, IDC_SELECTION_SLOT_3,
                            IDC_SELECTION_SLOT_4, IDC_SELECTION_SLOT_5};
constexpr std::uintptr_t kBnDoubleClicked = 5;
// Folded 10 pixels below the toggle (bottom 252 in the template's layout), then
// centred in the 1024 by 738 work area.
const Rect kFoldedCentred{392, 238, 632, 500};
constexpr int kUnfoldedHeight = 502 - 0 + 12;  // 12 below the fifth slot button

class SelectionWindowRun : public ::testing::Test {
protected:
    void SetUp() override {
        h.Register(1, "Visor", "C:\\Apps\\visor.exe");
        h.Register(3, "Editor", "C:\\Apps\\editor.exe");
        h.Register(2, TXT_NOT_REGISTERED, TXT_NOT_REGISTERED);
        h.Register(4, TXT_NOT_REGISTERED, TXT_NOT_REGISTERED);
        h.Register(5, TXT_NOT_REGISTERED, TXT_NOT_REGISTERED);
    }
    // One showing, as its creator makes it, with `inside` acting while it is up.
    int Run(int cardInserted, Inside inside) {
        h.inside[IDD_SELECTION] = std::move(inside);
        window = std::make_unique<SelectionWindow>(h.bench.platform, settings);
        window->SetCardInserted(cardInserted == 1);
        return window->RunModal();
    }
    // What the window started, as a number: slot n (1 to 5), or the photo application
    // for a card (10) or by hand (0); `launched` is 1 for the photo application.
    int Detail() {
        using L = SelectionWindow::Launched;
        const L started = window->Started();
        launched = started == L::PhotoAppForCard || started == L::PhotoAppByHand ? 1 : 0;
        return started == L::Slot ? window->StartedSlot() : started == L::PhotoAppForCard ? 10 : 0;
    }
    // What a button draws: its label, and the picture of the icon drawn before it.
    std::string Drawn(WindowBase& dialog, int id) {
        test::FakeCanvas canvas;
        Draw(dialog, id, canvas);
        const auto texts = canvas.Find("text");
        const auto icons = canvas.Find("icon");
        return (icons.empty() ? "" : std::to_string(h.bench.user.IconId(icons[0]->icon)) + " ") +
               (texts.empty() ? "" : texts[0]->text);
    }
    // The shell's icon a button draws, by what the shell made it from; "" when none.
    std::string ShellIconDrawn(WindowBase& dialog, int id) {
        test::FakeCanvas canvas;
        Draw(dialog, id, canvas);
        const auto icons = canvas.Find("icon");
        if (icons.empty()) return "";
        const auto found = h.bench.shell.liveIcons.find(icons[0]->icon);
        return found == h.bench.shell.liveIcons.end() ? "?" : found->second;
    }
    int LiveShellIcons(const std::string& what) const {
        int count = 0;
        for (const auto& icon : h.bench.shell.liveIcons) count += icon.second == what;
        return count;
    }
    // The shell's work waits until the test runs it.
    void StepTheShell() { h.bench.shellExecutor.delivery = test::FakeExecutor::Delivery::Stepped; }
    // The toggle draws the downward triangle.
    bool Unfolded(WindowBase& dialog) {
        return Drawn(dialog, IDC_SELECTION_OTHER_APPS).rfind(std::to_string(IDI_PICTURE_146), 0) == 0;
    }
    // One owner-draw request for control `id`, as the dialog manager sends it.
    std::intptr_t Draw(WindowBase& dialog, int id, test::FakeCanvas& canvas) {
        DrawItemRequest request;
        request.action = kOdaDrawEntire;
        request.rect = {0, 0, 220, 40};
        request.canvas = &canvas;
        request.controlId = id;
        return h.bench.user.Send(dialog, wm::kDrawItem, 0, reinterpret_cast<std::intptr_t>(&request));
    }
    bool StillOpen(test::FakeWindowOps& ops) const { return ops.endResult == -1; }

    test::SelectionHarness h;
    SettingsDialog::Shared settings;
    std::unique_ptr<SelectionWindow> window;
    int launched = -1;
};

TEST_F(SelectionWindowRun, OpensFoldedCentredOnTopWithTheFocusOnThePhotoButton) {
    h.bench.registry.RemoveKey(kHklm, kAgentKey);  // never filled: no PATH1
    h.bench.registry.ClearWriteLog();
    Run(1, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        // The first-run rule, before anything is shown.
        std::vector<std::string> expected;
        for (int n = 1; n <= 5; ++n)
            for (const char* value : {"EXE", "PATH", "APPNAME"})
                expected.push_back("software\\varno\\varno kardello\\" + std::string(value) + std::to_string(n));
        EXPECT_EQ(h.bench.registry.WriteLog(), expected);
        EXPECT_EQ(h.bench.registry.GetString(kHklm, kAgentKey, "APPNAME5"), TXT_NOT_REGISTERED);
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, TXT_CARD_INSTALLED);

        // Bound in this order, each drawing what its kind draws; the toggle folded.
        const std::string free = TXT_NOT_REGISTERED;
        const std::vector<std::pair<int, std::string>> kinds = {
            {1051, free}, {1052, free}, {1053, free}, {1054, free}, {1055, free},
            {1056, std::to_string(IDI_PICTURE_142) + " " + TXT_OPENING_PHOTO_APP},
            {1034, std::to_string(IDI_PICTURE_145) + " " + TXT_OPEN_OTHER_APP}, {1009, TXT_SETTINGS}};
        EXPECT_EQ(h.bench.user.attached.size(), kinds.size());
        for (std::size_t i = 0; i < kinds.size() && i < h.bench.user.attached.size(); ++i) {
            const auto& attached = h.bench.user.attached[i];
            EXPECT_EQ(attached.dialog, dialog.Handle());
            EXPECT_EQ(attached.id, kinds[i].first);
            EXPECT_EQ(Drawn(dialog, kinds[i].first), kinds[i].second) << kinds[i].first;
        }

        // Folded 10 pixels below the toggle, top-most; then centred at that size.
        ASSERT_EQ(ops.positions.size(), 2u);
        const auto& fold = ops.positions[0];
        EXPECT_EQ(fold.after, ZOrder::TopMost);
        EXPECT_EQ(fold.flags, kSwpNoMove);
        EXPECT_EQ(fold.width, 240);
        EXPECT_EQ(fold.height, 262);
        EXPECT_EQ(ops.positions[1].flags, kSwpNoSize);
        EXPECT_EQ(ops.windowRect, kFoldedCentred);
        EXPECT_EQ(ops.ItemRect(IDC_SELECTION_OTHER_APPS).bottom + 10, ops.windowRect.bottom);

        EXPECT_EQ(ops.FocusedItem(), IDC_SELECTION_PHOTO_APP);
        // Folded or not, a screen reader names every slot by its text: here, a store
        // never filled, the first-run name.
        for (int id : kSlotIds) {
            EXPECT_FALSE(ops.items[id].enabled) << id;
            EXPECT_EQ(ops.items[id].text, TXT_NOT_REGISTERED) << id;
        }
        for (int id : {IDC_SELECTION_PHOTO_APP, IDC_SELECTION_OTHER_APPS, IDC_SELECTION_SETTINGS, kIdCancel})
            EXPECT_TRUE(ops.items[id].enabled) << id;
    });

    // By hand: an empty card line; a filled store is left alone. So is a named slot 1
    // whose PATH1 cannot be used (too long): it reads "No registrada" on screen only.
    h.bench.registry.PutString(kHklm, kAgentKey, "APPNAME1", "Visor");
    h.bench.registry.Put(kHklm, kAgentKey, "PATH1", kRegSz, std::vector<std::uint8_t>(64 * 1024, 'p'));
    h.bench.registry.ClearWriteLog();
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, "");
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].textSets, 1);
        h.Click(dialog, IDC_SELECTION_OTHER_APPS);
        EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_1].text, TXT_NOT_REGISTERED);
        EXPECT_EQ(Drawn(dialog, IDC_SELECTION_SLOT_1), TXT_NOT_REGISTERED);
        EXPECT_TRUE(h.bench.registry.WriteLog().empty());
    });
    EXPECT_EQ(h.bench.registry.GetString(kHklm, kAgentKey, "APPNAME1"), "Visor");
}

TEST_F(SelectionWindowRun, ToggleUnfoldsAndFoldsAtTheLowerEdgeOnly) {
    h.bench.user.workArea = {0, 0, 1024, 900};  // room below for the unfolded window
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        const Rect first = ops.windowRect;
        for (int round = 0; round < 3; ++round) {
            h.bench.registry.PutString(kHklm, kAgentKey, "APPNAME5", "Ronda " + std::to_string(round));
            const int redraws = ops.redraws;
            h.Click(dialog, IDC_SELECTION_OTHER_APPS);
            const auto& unfold = ops.positions.back();
            EXPECT_EQ(unfold.after, ZOrder::Top);
            EXPECT_EQ(unfold.flags, 0u);
            EXPECT_EQ(ops.windowRect, (Rect{first.left, first.top, first.right, first.top + kUnfoldedHeight}));
            EXPECT_EQ(ops.ItemRect(IDC_SELECTION_SLOT_5).bottom + 12, ops.windowRect.bottom);
            for (int id : kSlotIds) EXPECT_TRUE(ops.items[id].enabled) << id;
            // The names, read afresh, became the slot buttons' texts.
            EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_1].text, "Visor");
            EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_2].text, TXT_NOT_REGISTERED);
            EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_5].text, "Ronda " + std::to_string(round));
            EXPECT_EQ(ops.redraws, redraws + 1);
            EXPECT_TRUE(Unfolded(dialog));  // the downward triangle

            h.Click(dialog, IDC_SELECTION_OTHER_APPS);
            EXPECT_EQ(ops.positions.back().flags, kSwpNoMove);
            EXPECT_EQ(ops.windowRect, first);  // exactly its first height
            for (int id : kSlotIds) EXPECT_FALSE(ops.items[id].enabled) << id;
            EXPECT_EQ(ops.redraws, redraws + 2);
            EXPECT_FALSE(Unfolded(dialog));
        }
        // Only a click acts: the double-click report of an owner-drawn button does not.
        const std::size_t moves = ops.positions.size();
        h.Click(dialog, IDC_SELECTION_OTHER_APPS, kBnDoubleClicked);
        h.Click(dialog, IDC_SELECTION_PHOTO_APP, kBnDoubleClicked);
        h.Click(dialog, IDC_SELECTION_SLOT_1, kBnDoubleClicked);
        EXPECT_EQ(ops.positions.size(), moves);
        EXPECT_TRUE(h.bench.shell.executions.empty());
    });
}

// At 150% the margins are 15 and 18 pixels. An unfolded window that would end below
// the work area moves up just enough, never above the area's top; folding puts it
// back where it was.
TEST_F(SelectionWindowRun, ScaledMarginsAndUnfoldingStaysOnTheWorkArea) {
    h.bench.user.dpi = 144;
    struct Case {
        Rect area;
        int unfoldedTop;
    };
    // Folded 267 high, unfolded 520 (the fifth slot ends 502 below the window's top).
    for (const Case& c : {Case{{0, 0, 1024, 900}, -1}, Case{{0, 0, 1024, 600}, 80},
                          Case{{0, 40, 1024, 500}, 40}, Case{{0, 0, 1024, 400}, 0}}) {
        h.bench.user.workArea = c.area;
        Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
            const Rect first = ops.windowRect;
            EXPECT_EQ(first.bottom, ops.ItemRect(IDC_SELECTION_OTHER_APPS).bottom + 15);
            EXPECT_EQ(first.Height(), 267);
            for (int round = 0; round < 2; ++round) {
                h.Click(dialog, IDC_SELECTION_OTHER_APPS);
                const Rect open = ops.windowRect;
                EXPECT_EQ(open.bottom, ops.ItemRect(IDC_SELECTION_SLOT_5).bottom + 18);
                EXPECT_EQ(open.Height(), 520);
                EXPECT_EQ(open.left, first.left);
                EXPECT_EQ(open.top, c.unfoldedTop == -1 ? first.top : c.unfoldedTop) << c.area.bottom;
                EXPECT_GE(open.top, c.area.top);

                h.Click(dialog, IDC_SELECTION_OTHER_APPS);
                EXPECT_EQ(ops.windowRect, first) << c.area.bottom;
                // Where nothing moved, folding sizes only.
                EXPECT_EQ(ops.positions.back().flags, c.unfoldedTop == -1 ? kSwpNoMove : 0u);
            }
            h.Click(dialog, kIdCancel);
        });
    }
}

TEST_F(SelectionWindowRun, StartedSlotClosesTheWindowWithItsNumber) {
    const int result = Run(1, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.Click(dialog, IDC_SELECTION_OTHER_APPS);
        h.Click(dialog, IDC_SELECTION_SLOT_3);
        EXPECT_EQ(ops.endResult, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Detail(), 3);
    EXPECT_EQ(launched, 0);
    ASSERT_EQ(h.bench.shell.executions.size(), 1u);
    const auto& start = h.bench.shell.executions[0];
    EXPECT_EQ(start.verb, "open");
    EXPECT_EQ(start.file, "C:\\Apps\\editor.exe");
    EXPECT_EQ(start.directory, "C:\\Apps");
    EXPECT_EQ(start.show, 10);
    // Nothing about the card is written by a registered application's start.
    EXPECT_FALSE(h.bench.registry.KeyExists(test::kHkcu, schema::kCardStatusKey));

    // An answer that comes late: until it is back, every start button does nothing and
    // the window stays up; then it decides, here for the slot first pressed.
    StepTheShell();
    EXPECT_EQ(Run(1, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
                  h.bench.shellExecutor.RunAll(h.bench.user);  // the icons
                  h.Click(dialog, IDC_SELECTION_OTHER_APPS);
                  h.Click(dialog, IDC_SELECTION_SLOT_1);
                  for (int id : {IDC_SELECTION_SLOT_1, IDC_SELECTION_SLOT_3, IDC_SELECTION_PHOTO_APP}) {
                      h.Click(dialog, id);
                      ops.focused = id;
                      h.Click(dialog, kIdOk);  // Enter on it
                  }
                  EXPECT_EQ(h.bench.shellExecutor.Waiting(), 1u);
                  EXPECT_EQ(h.bench.shell.executions.size(), 1u);
                  EXPECT_TRUE(StillOpen(ops));
                  ASSERT_TRUE(h.bench.shellExecutor.RunNext());
                  EXPECT_EQ(h.bench.shell.executions.size(), 2u);
                  EXPECT_TRUE(StillOpen(ops)) << "not before its answer is taken";
                  h.bench.user.PumpPosted();
                  EXPECT_FALSE(StillOpen(ops));
              }),
              0);
    EXPECT_EQ(Detail(), 1);
    EXPECT_EQ(h.bench.shell.executions.back().file, "C:\\Apps\\visor.exe");
    EXPECT_EQ(h.bench.PhotoStarts(), 0);
}

TEST_F(SelectionWindowRun, FailedStartsShowTheirBoxEveryTimeAndTheWindowStaysUsable) {
    const int result = Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.Click(dialog, IDC_SELECTION_OTHER_APPS);
        for (std::intptr_t code : {2, 2, 0, 8, 3, 31, 32}) {
            h.bench.shell.executeResult = code;
            h.Click(dialog, IDC_SELECTION_SLOT_1);
            const int box = code == 0 || code == 8 ? IDD_LOW_MEMORY : IDD_APP_NOT_FOUND;
            EXPECT_EQ(h.bench.user.modals.back().templateId, box) << code;
            EXPECT_EQ(h.bench.user.modals.back().parent, nullptr);
            EXPECT_TRUE(StillOpen(ops)) << code;
        }
        EXPECT_EQ(h.Runs(IDD_APP_NOT_FOUND), 5);
        EXPECT_EQ(h.Runs(IDD_LOW_MEMORY), 2);
        // The same for the photo application, which a failed start leaves not running.
        h.bench.shell.onExecute = nullptr;
        for (std::intptr_t code : {2, 8}) {
            h.bench.shell.executeResult = code;
            h.Click(dialog, IDC_SELECTION_PHOTO_APP);
            EXPECT_TRUE(StillOpen(ops));
        }
        EXPECT_EQ(h.Runs(IDD_APP_NOT_FOUND), 6);
        EXPECT_EQ(h.Runs(IDD_LOW_MEMORY), 3);
        // Then a start that works.
        h.bench.shell.executeResult = 33;
        h.Click(dialog, IDC_SELECTION_SLOT_3);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Detail(), 3);
}

TEST_F(SelectionWindowRun, FreeSlotIgnoresTheClickAndAnUnreadableNameCountsAsRegistered) {
    h.bench.registry.Remove(kHklm, kAgentKey, "APPNAME4");
    h.bench.registry.Remove(kHklm, kAgentKey, "PATH4");
    h.bench.registry.PutString(kHklm, kAgentKey, "APPNAME5", "no registrada");  // not the exact text
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.Click(dialog, IDC_SELECTION_OTHER_APPS);
        h.bench.registry.ClearWriteLog();
        h.Click(dialog, IDC_SELECTION_SLOT_2);
        EXPECT_TRUE(h.bench.shell.executions.empty());
        EXPECT_EQ(h.bench.user.modals.size(), 1u);
        EXPECT_TRUE(h.bench.registry.WriteLog().empty());
        EXPECT_TRUE(StillOpen(ops));

        h.bench.shell.executeResult = 2;
        h.Click(dialog, IDC_SELECTION_SLOT_5);
        ASSERT_EQ(h.bench.shell.executions.size(), 1u);
        EXPECT_EQ(h.bench.shell.executions[0].file, TXT_NOT_REGISTERED);
        h.bench.shell.executeResult = 42;
        h.Click(dialog, IDC_SELECTION_SLOT_4);  // no name, no path: starts empty text
    });
    EXPECT_EQ(h.bench.shell.executions.back().file, "");
    EXPECT_EQ(h.bench.shell.executions.back().directory, "") << "no folder, none given";
    EXPECT_EQ(Detail(), 4);
    EXPECT_EQ(h.bench.registry.OpenHandles(), 0u);
}

TEST_F(SelectionWindowRun, PhotoAppStartReportsTenOnlyForACardAndChecksOnAFreshRecord) {
    EXPECT_EQ(Run(1, [&](WindowBase& dialog, test::FakeWindowOps&) {
                  h.Click(dialog, IDC_SELECTION_PHOTO_APP);
              }),
              0);
    EXPECT_EQ(Detail(), 10);
    EXPECT_EQ(launched, 1);
    const auto& start = h.bench.shell.executions.back();
    EXPECT_EQ(start.file, test::kPhotoPath);
    EXPECT_EQ(start.directory, "C:\\VARNO\\Fotimo");
    EXPECT_EQ(start.show, 10);

    // Already running, with no window to bring forward: started again (its own single-copy
    // rule shows the running copy), no box, and the window closes as after a start.
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.Click(dialog, IDC_SELECTION_PHOTO_APP);
        EXPECT_FALSE(StillOpen(ops));
        EXPECT_EQ(h.bench.PhotoStarts(), 2);
        EXPECT_EQ(h.bench.user.modals.size(), 2u);
    });
    EXPECT_EQ(Detail(), 0);  // opened by hand
    EXPECT_EQ(launched, 1);

    // Not installed: the not-found box every time, nothing started.
    h.bench.ClosePhotoApp();
    h.bench.registry.Remove(schema::kPhotoAppRoot, schema::kPhotoAppKey, "CAPTION");
    Run(1, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        for (int i = 0; i < 3; ++i) h.Click(dialog, IDC_SELECTION_PHOTO_APP);
        EXPECT_EQ(h.Runs(IDD_APP_NOT_FOUND), 3);
        EXPECT_TRUE(StillOpen(ops));
    });
    EXPECT_EQ(h.bench.PhotoStarts(), 2);

    // The window closed before the answer of a start that failed: the answer is dropped,
    // with no box and nothing recorded as started.
    StepTheShell();
    h.bench.shell.executeResult = 2;
    EXPECT_EQ(Run(1, [&](WindowBase& dialog, test::FakeWindowOps&) {
                  h.Click(dialog, IDC_SELECTION_OTHER_APPS);
                  h.Click(dialog, IDC_SELECTION_SLOT_1);
                  h.Click(dialog, kIdCancel);
              }),
              kIdCancel);
    const std::size_t modals = h.bench.user.modals.size();
    h.bench.shellExecutor.RunAll(h.bench.user);
    EXPECT_EQ(h.bench.shell.executions.back().file, "C:\\Apps\\visor.exe");
    EXPECT_EQ(h.bench.user.modals.size(), modals);
    EXPECT_EQ(window->Started(), SelectionWindow::Launched::Nothing);
    EXPECT_EQ(h.bench.shellExecutor.Unclaimed(), 0u);

}

TEST_F(SelectionWindowRun, EnterActsAsTheFocusedOwnerDrawnButtonOnly) {
    // Controls that are not owner-drawn buttons, and no focus at all: nothing.
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        for (int focus : {kIdCancel, IDC_SELECTION_CARD_LINE, 0, 4242}) {
            ops.FocusItem(focus);
            h.Click(dialog, kIdOk);
            EXPECT_TRUE(StillOpen(ops)) << focus;
        }
        EXPECT_EQ(ops.positions.size(), 2u);
        EXPECT_EQ(h.bench.user.modals.size(), 1u);
        // The toggle, twice; a free slot; the settings button.
        ops.FocusItem(IDC_SELECTION_OTHER_APPS);
        h.Click(dialog, kIdOk);
        EXPECT_TRUE(Unfolded(dialog));
        h.Click(dialog, kIdOk);
        EXPECT_FALSE(Unfolded(dialog));
        ops.FocusItem(IDC_SELECTION_SLOT_2);
        h.Click(dialog, kIdOk);
        EXPECT_TRUE(h.bench.shell.executions.empty());
        h.inside[IDD_SETTINGS] = [&](WindowBase& settings, test::FakeWindowOps&) { h.Click(settings, kIdCancel); };
        ops.FocusItem(IDC_SELECTION_SETTINGS);
        h.Click(dialog, kIdOk);
        EXPECT_EQ(h.Runs(IDD_SETTINGS), 1);
        // A registered slot starts.
        ops.FocusItem(IDC_SELECTION_SLOT_1);
        h.Click(dialog, kIdOk);
    });
    EXPECT_EQ(Detail(), 1);
    EXPECT_EQ(h.bench.shell.executions.back().file, "C:\\Apps\\visor.exe");

    // On opening the focus is on the photo button: Enter starts the photo application.
    Run(1, [&](WindowBase& dialog, test::FakeWindowOps&) {
        h.Click(dialog, kIdOk);
    });
    EXPECT_EQ(Detail(), 10);
}

TEST_F(SelectionWindowRun, CancelEndsTheRunAndReleasesTheFlag) {
    EXPECT_EQ(Run(1, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
                  h.Click(dialog, kIdCancel);
                  EXPECT_EQ(ops.endResult, kIdCancel);
              }),
              kIdCancel);
    EXPECT_EQ(Detail(), 0);
    EXPECT_EQ(launched, 0);
    EXPECT_TRUE(h.bench.shell.executions.empty());
}

TEST_F(SelectionWindowRun, SettingsButtonKeepsToOneDialogAndRefreshesTheNamesAfterOk) {
    StepTheShell();
    h.bench.shell.typeIcon = "generic program";
    h.bench.shell.iconFor["C:\\Apps\\visor.exe"] = "visor";  // the editor's never comes
    const std::string path = "C:\\Users\\Łukasz\\Фото 写真\\Álbum & 🎞.v2.exe";
    h.bench.shell.iconFor[path] = "album";
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        // The registered slots show their type's icon until their own arrive; a free
        // slot shows none. A paint asks the shell nothing.
        EXPECT_EQ(h.bench.shellExecutor.Waiting(), 2u);
        EXPECT_TRUE(h.bench.shell.iconRequests.empty());
        EXPECT_EQ(h.bench.shell.typeIconRequests,
                  (std::vector<std::string>{"C:\\Apps\\visor.exe", "C:\\Apps\\editor.exe"}));
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_1), "generic program");
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_2), "");
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_3), "generic program");
        EXPECT_EQ(h.bench.shell.typeIconRequests.size(), 2u);
        // Slot 1's own icon is read, its answer still on its way.
        ASSERT_TRUE(h.bench.shellExecutor.RunNext());
        EXPECT_EQ(h.bench.shell.iconRequests, std::vector<std::string>{"C:\\Apps\\visor.exe"});

        // A settings dialog up already (from the tray menu): nothing at all.
        {
            const OneAtATime::Hold trays = settings.shown.Take();
            h.Click(dialog, IDC_SELECTION_SETTINGS);
            EXPECT_EQ(h.Runs(IDD_SETTINGS), 0);
        }

        // Cancelled: up while it ran, not after; the names untouched.
        h.inside[IDD_SETTINGS] = [&](WindowBase& dialogUp, test::FakeWindowOps&) {
            EXPECT_FALSE(settings.shown.Take()) << "no other may open";
            h.Click(dialogUp, kIdCancel);
        };
        const int textSets = ops.items[IDC_SELECTION_SLOT_2].textSets;
        h.Click(dialog, IDC_SELECTION_SETTINGS);
        EXPECT_TRUE(settings.shown.Take()) << "another may open";
        EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_2].textSets, textSets);

        // A slot registered in the dialog from a folder outside any one code page, and
        // OK: the window shows the new name; its '&' makes no mnemonic.
        h.bench.user.chosenFile = path;
        h.inside[IDD_SETTINGS] = [&](WindowBase& dialogUp, test::FakeWindowOps&) {
            h.Click(dialogUp, IDC_REGISTER_2);
            h.Click(dialogUp, kIdOk);
        };
        h.Click(dialog, IDC_SELECTION_SETTINGS);
        EXPECT_TRUE(settings.shown.Take()) << "another may open";
        EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_2].text, "Álbum && 🎞.v2");
        EXPECT_TRUE(StillOpen(ops));
        EXPECT_FALSE(Unfolded(dialog));  // the state it had

        // The icons are read again: the first read's answer now comes too late and goes;
        // the second read's come in order. The editor's, that never comes, leaves its
        // type's icon; the window answers all along.
        EXPECT_EQ(h.bench.shellExecutor.Waiting(), 4u);  // 3 for this read, 1 left of the first
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_2), "generic program");
        h.bench.user.PumpPosted();
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_1), "generic program");
        EXPECT_EQ(LiveShellIcons("visor"), 0);
        const int redraws = ops.redraws;
        h.bench.shellExecutor.RunAll(h.bench.user);
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_1), "visor");
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_2), "album");
        EXPECT_EQ(ShellIconDrawn(dialog, IDC_SELECTION_SLOT_3), "generic program");
        EXPECT_EQ(ops.redraws, redraws + 2);
        EXPECT_EQ(h.bench.shell.iconRequests.size(), 5u);
        EXPECT_EQ(h.bench.shell.typeIconRequests.size(), 5u);
        // Only what is shown is kept: three icons, one per registered slot.
        EXPECT_EQ(h.bench.shell.liveIcons.size(), 3u);
        EXPECT_EQ(h.bench.shellExecutor.Unclaimed(), 0u);

        // Drawn exactly as stored, and started from where it was chosen.
        h.Click(dialog, IDC_SELECTION_OTHER_APPS);
        test::FakeCanvas canvas;
        EXPECT_EQ(Draw(dialog, IDC_SELECTION_SLOT_2, canvas), 1);
        ASSERT_EQ(canvas.Find("text").size(), 1u);
        EXPECT_EQ(canvas.Find("text")[0]->text, "Álbum & 🎞.v2");
        h.Click(dialog, IDC_SELECTION_SLOT_2);
        h.bench.shellExecutor.RunAll(h.bench.user);
        ASSERT_EQ(h.bench.shell.executions.size(), 1u);
        EXPECT_EQ(h.bench.shell.executions[0].file, path);
    });
    EXPECT_EQ(h.Runs(IDD_SETTINGS), 2);
    EXPECT_EQ(Detail(), 2);
    // The window gone with its buttons, every icon went with it.
    window.reset();
    EXPECT_TRUE(h.bench.shell.liveIcons.empty());
    EXPECT_EQ(h.bench.shell.badDestroys, 0);
}

TEST_F(SelectionWindowRun, OwnerDrawRequestsReachTheirButtonOnly) {
    Run(0, [&](WindowBase& dialog, test::FakeWindowOps&) {
        test::FakeCanvas canvas;
        EXPECT_EQ(Draw(dialog, IDC_SELECTION_SLOT_3, canvas), 1);
        ASSERT_EQ(canvas.Find("text").size(), 1u);
        EXPECT_EQ(canvas.Find("text")[0]->text, "Editor");
        for (int id : {kIdCancel, IDC_SELECTION_CARD_LINE}) {
            canvas.ops.clear();
            Draw(dialog, id, canvas);
            EXPECT_TRUE(canvas.ops.empty()) << id;
        }
    });
}

}  // namespace
}  // namespace kardello
