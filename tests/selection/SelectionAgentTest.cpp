// The agent window showing the selection window: each way it is opened, what each
// launch makes of the agent's flags, one window at a time, the settings dialog
// opened from it, and the end of the agent while it is up; over the fakes.

#include <gtest/gtest.h>

#include "agent/AgentWindow.h"
#include "app/CardAgentApp.h"
#include "res/SelectionWindowIds.h"
#include "res/SettingsDialogIds.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"
#include "selection/SelectionHarness.h"
#include "store/CardStatusValues.h"

namespace kardello {
namespace {

using test::kHkcu;
using test::MakeRecord;
const std::string kStatusKey = schema::kCardStatusKey;

enum class Way { CardTick, CardAtStart, CardAtStartDirectExec1, Cpl, Menu, Message };
enum class Launch { PhotoApp, Slot, Cancel };

bool ByCard(Way way) {
    return way == Way::CardTick || way == Way::CardAtStart || way == Way::CardAtStartDirectExec1;
}

class SelectionFromAgent : public ::testing::TestWithParam<std::tuple<Way, Launch>> {
protected:
    void SetUp() override {
        h.RegisterNone();
        h.Register(2, "Visor", "C:\\Apps\\visor.exe");
        h.bench.SetSlots({MakeRecord(0, "UNIT0001", 'E'), MakeRecord(0, "UNIT0002", 'F')});
    }

    // Opens the window the given way.
    void Open(Way way) {
        AgentBench& bench = h.bench;
        switch (way) {
            case Way::CardTick:
                bench.SetDirectExec(1);
                ASSERT_NE(bench.Start(), nullptr);
                bench.Tick();
                bench.Insert(1, "VRCARD000002", 'F', 0x2A);
                bench.Tick();
                break;
            case Way::CardAtStart:
            case Way::CardAtStartDirectExec1:
                bench.SetDirectExec(way == Way::CardAtStart ? 0 : 1);
                bench.Insert(1, "VRCARD000002", 'F', 0x2A);
                ASSERT_NE(bench.Start(), nullptr);
                break;
            case Way::Cpl:
                ASSERT_NE(bench.Start("cpl"), nullptr);
                break;
            case Way::Menu:
                ASSERT_NE(bench.Start(), nullptr);
                bench.user.Send(*bench.window, wm::kCommand, ID_MENU_SELECTION);
                break;
            case Way::Message:
                ASSERT_NE(bench.Start(), nullptr);
                // Answered before the window runs: the sender is not held while it is up.
                EXPECT_EQ(bench.user.Send(*bench.window, bench.SelectionRequest()), 1);
                EXPECT_EQ(h.Runs(IDD_SELECTION), 0);
                EXPECT_EQ(bench.user.OpsOf(*bench.window)->topMost, 1);  // the agent window, raised
                bench.user.PumpPosted();
                break;
        }
    }

    using AgentBench = test::AgentBench;
    test::SelectionHarness h;
};

TEST_P(SelectionFromAgent, FlagsAndTheRecordedCardFollowWhatWasStarted) {
    const auto [way, launch] = GetParam();
    // Neither a card nor another program's request is input of the user's: Windows
    // refuses the agent the foreground then, and the window flashes instead.
    const bool unasked = ByCard(way) || way == Way::Message;
    h.bench.user.foregroundRefused = unasked;
    std::string cardLine = "<not shown>";
    bool iconWhileUp = false;
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        cardLine = ops.items[IDC_SELECTION_CARD_LINE].text;
        iconWhileUp = h.bench.shell.iconShown;
        EXPECT_EQ(ops.positions.front().after, ZOrder::TopMost);
        EXPECT_EQ(ops.foreground, 1);
        EXPECT_EQ(ops.flashes, unasked ? 1 : 0);
        switch (launch) {
            case Launch::PhotoApp: h.Click(dialog, IDC_SELECTION_PHOTO_APP); break;
            case Launch::Slot:
                h.Click(dialog, IDC_SELECTION_OTHER_APPS);
                h.Click(dialog, IDC_SELECTION_SLOT_2);
                break;
            case Launch::Cancel: h.Click(dialog, kIdCancel); break;
        }
    };
    Open(way);
    ASSERT_NE(h.bench.window, nullptr);
    AgentWindow& agent = *h.bench.window;

    EXPECT_EQ(h.Runs(IDD_SELECTION), 1);
    EXPECT_EQ(cardLine, ByCard(way) ? TXT_CARD_INSTALLED : "");
    const bool startedWindow = way == Way::CardAtStart || way == Way::CardAtStartDirectExec1 || way == Way::Cpl;
    // The icon is in place before the start shows a window.
    if (startedWindow) {
        EXPECT_TRUE(iconWhileUp);
    }

    // What the agent makes of it on its next tick: the photo application opened for a
    // card says so in the tooltip; handed over by hand, it is only followed (the tick
    // asks whether it runs); after anything else, no card is followed but one found
    // at start.
    const bool photo = launch == Launch::PhotoApp;
    EXPECT_EQ(h.bench.PhotoStarts(), photo ? 1 : 0);
    const int opens = h.bench.kernel.opens;
    h.bench.Tick();
    EXPECT_EQ(h.bench.Tooltip() == TXT_PHOTO_APP_AUTO_OPENED, photo && ByCard(way));
    if (!ByCard(way)) {
        EXPECT_EQ(h.bench.kernel.opens - opens, photo ? 1 : 0);
    }
    if (photo && ByCard(way)) {
        EXPECT_EQ(h.bench.registry.GetNumber(kHkcu, kStatusKey, "ExtendStatus"), 0x2Au);
        EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "DriLetter"), "F");
        EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "VRCARD000002");
    } else {
        EXPECT_FALSE(h.bench.registry.KeyExists(kHkcu, kStatusKey));
    }
    if (launch == Launch::Slot) {
        EXPECT_EQ(h.bench.shell.executions.back().file, "C:\\Apps\\visor.exe");
    }

    // Whatever happened, the next request shows a window again.
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps&) { h.Click(dialog, kIdCancel); };
    h.bench.user.Send(agent, wm::kCommand, ID_MENU_SELECTION);
    EXPECT_EQ(h.Runs(IDD_SELECTION), 2);
}

INSTANTIATE_TEST_SUITE_P(EveryWayAndLaunch, SelectionFromAgent,
                         ::testing::Combine(::testing::Values(Way::CardTick, Way::CardAtStart,
                                                              Way::CardAtStartDirectExec1, Way::Cpl,
                                                              Way::Menu, Way::Message),
                                            ::testing::Values(Launch::PhotoApp, Launch::Slot,
                                                              Launch::Cancel)));

// The agent started with DirectExec 1 over two units without cards, and ticked once.
AgentWindow* WatchTwoEmptyUnits(test::SelectionHarness& h) {
    h.RegisterNone();
    h.bench.SetDirectExec(1);
    h.bench.SetSlots({MakeRecord(0, "UNIT0001", 'E'), MakeRecord(0, "UNIT0002", 'F')});
    AgentWindow* agent = h.bench.Start();
    if (agent != nullptr) h.bench.Tick();
    return agent;
}

TEST(SelectionOnce, RequestsTicksAndMessagesInsideTheRunShowNoSecondWindow) {
    test::SelectionHarness h;
    AgentWindow* started = WatchTwoEmptyUnits(h);
    ASSERT_NE(started, nullptr);
    AgentWindow& agent = *started;
    h.bench.user.chosenFile = "C:\\Fotos\\Album.exe";
    h.inside[IDD_SETTINGS] = [&](WindowBase& settings, test::FakeWindowOps&) {
        h.Click(settings, IDC_REGISTER_4);
        h.Click(settings, kIdOk);
    };
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.bench.user.Send(agent, wm::kCommand, ID_MENU_SELECTION);
        EXPECT_EQ(h.bench.user.Send(agent, h.bench.SelectionRequest()), 1);
        EXPECT_EQ(h.bench.user.OpsOf(agent)->topMost, 1);
        h.bench.user.PumpPosted();  // its request, taken by this window's loop
        // Each request brings the window up forward, with the keyboard.
        EXPECT_EQ(h.bench.user.OpsOf(agent)->raised, 2);
        // A second card, with DirectExec 1, found by a tick inside the run.
        h.bench.Insert(1, "VRCARD000002", 'H', 0x7);
        h.bench.TickInside(agent);
        EXPECT_EQ(h.Runs(IDD_SELECTION), 1);
        // The window still knows it came from a card.
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, TXT_CARD_INSTALLED);
        // The tray's settings dialog, OK: this window shows the name it stored at once.
        h.bench.user.Send(agent, wm::kCommand, ID_MENU_SETTINGS);
        EXPECT_EQ(h.Runs(IDD_SETTINGS), 1);
        EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_4].text, "Album");
        h.Click(dialog, IDC_SELECTION_PHOTO_APP);
    };
    h.bench.Insert(0, "VRCARD000001", 'G', 0x1);
    h.bench.Tick();
    EXPECT_EQ(h.Runs(IDD_SELECTION), 1);
    EXPECT_EQ(h.bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);
    // The card recorded is the agent's newest one: the nested tick's.
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "VRCARD000002");
}

// A window that a card raised follows that card while it is up: it says whether the
// card is still in, and the photo application is handed the card in the reader when
// it starts, or none. An open photo application comes forward instead of a second one.
TEST(SelectionOnce, TheWindowFollowsTheReaderAndAnOpenPhotoAppComesForward) {
    test::SelectionHarness h;
    AgentWindow* started = WatchTwoEmptyUnits(h);
    ASSERT_NE(started, nullptr);
    AgentWindow& agent = *started;

    // In and out again before the photo application is chosen: nothing is recorded.
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, TXT_CARD_INSTALLED);
        h.bench.Remove(0);
        h.bench.TickInside(agent);
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, "");
        h.Click(dialog, IDC_SELECTION_PHOTO_APP);
    };
    h.bench.Insert(0, "VRCARD000001", 'G', 0x1);
    h.bench.Tick();
    EXPECT_EQ(h.bench.PhotoStarts(), 1);
    EXPECT_FALSE(h.bench.registry.KeyExists(kHkcu, kStatusKey)) << "a card that left is not recorded";
    h.bench.ClosePhotoApp();
    for (int i = 0; i < 14; ++i) h.bench.Tick();  // back to watching

    // Swapped for another in the same slot while the window is up: the new one is.
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.bench.Insert(1, "VRCARD000009", 'K', 0x9);
        h.bench.Remove(0);
        h.bench.TickInside(agent);
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, TXT_CARD_INSTALLED);
        h.Click(dialog, IDC_SELECTION_PHOTO_APP);
    };
    h.bench.Insert(0, "VRCARD000002", 'H', 0x2);
    h.bench.Tick();
    EXPECT_EQ(h.Runs(IDD_SELECTION), 2);
    EXPECT_EQ(h.bench.PhotoStarts(), 2);
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "VRCARD000009");
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "DriLetter"), "K");

    // Opened by hand, the window takes a card that goes in while it is up as its own: its
    // line says so and the photo button hands that card over. No second window opens.
    h.bench.ClosePhotoApp();
    for (int i = 0; i < 14; ++i) h.bench.Tick();  // back to watching
    h.bench.Remove(1);
    h.bench.Tick();
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, "");
        h.bench.Insert(1, "VRCARD000010", 'L', 0x10);
        h.bench.TickInside(agent);
        EXPECT_EQ(ops.items[IDC_SELECTION_CARD_LINE].text, TXT_CARD_INSTALLED);
        h.Click(dialog, IDC_SELECTION_PHOTO_APP);
    };
    h.bench.user.Send(agent, wm::kCommand, ID_MENU_SELECTION);
    h.bench.user.PumpPosted();  // the card is asked for after the start
    EXPECT_EQ(h.Runs(IDD_SELECTION), 3);
    EXPECT_EQ(h.bench.PhotoStarts(), 3);
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "VRCARD000010");
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "DriLetter"), "L");
    h.bench.Tick();
    EXPECT_EQ(h.bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);

    // The photo application runs: with a window, the button brings it forward; hidden in
    // the notification area, with none to bring forward, it is started again (its own
    // single-copy rule shows the running copy). Either way the window closes as after a
    // start. Running with other rights (a semaphore refused), it counts as running.
    h.bench.ClosePhotoApp();
    h.bench.kernel.HoldGuarded(test::kPhotoCaption);
    for (const bool withWindow : {false, true}) {
        if (withWindow) h.bench.shell.runningWithWindow.insert(test::kPhotoPath);
        bool closedByTheButton = false;
        h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
            h.Click(dialog, IDC_SELECTION_PHOTO_APP);
            closedByTheButton = ops.endResult == 0;
        };
        const int starts = h.bench.PhotoStarts();
        h.bench.user.Send(agent, wm::kCommand, ID_MENU_SELECTION);
        EXPECT_TRUE(closedByTheButton) << withWindow;
        EXPECT_EQ(h.bench.PhotoStarts() - starts, withWindow ? 0 : 1);
    }
    EXPECT_EQ(h.bench.shell.activations, (std::vector<std::string>{test::kPhotoPath, test::kPhotoPath}));
}

TEST(SelectionOnce, CardAtStartOnTheWindows95FamilyRecordsThatFamilysCard) {
    test::SelectionHarness h;
    h.bench.SetFamily(Family::Win95);
    h.bench.SetDirectExec(0);
    h.bench.Insert(2, "VRCARD000003", 'J', 0x15);
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps&) {
        h.Click(dialog, IDC_SELECTION_PHOTO_APP);
    };
    ASSERT_NE(h.bench.Start(), nullptr);
    h.bench.Tick();
    EXPECT_EQ(h.bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "VRCARD000003");
    EXPECT_EQ(h.bench.registry.GetString(kHkcu, kStatusKey, "DriLetter"), "J");
}

TEST(SelectionOnce, SettingsDialogFromTheWindowRedrawsItAndItShowsTheNewNames) {
    test::SelectionHarness h;
    h.RegisterNone();
    ASSERT_NE(h.bench.Start(), nullptr);
    h.bench.user.chosenFile = "C:\\Fotos\\Album.exe";
    h.inside[IDD_SETTINGS] = [&](WindowBase& settings, test::FakeWindowOps&) {
        h.Click(settings, IDC_REGISTER_4);
        h.Click(settings, kIdOk);
    };
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps& ops) {
        h.Click(dialog, IDC_SELECTION_OTHER_APPS);
        const int redraws = ops.redraws;
        h.Click(dialog, IDC_SELECTION_SETTINGS);
        EXPECT_EQ(ops.redraws, redraws + 1);  // by the settings dialog, through the agent
        EXPECT_EQ(ops.items[IDC_SELECTION_SLOT_4].text, "Album");
        // The next paint of the slot shows it.
        test::FakeCanvas canvas;
        DrawItemRequest request;
        request.controlId = IDC_SELECTION_SLOT_4;
        request.action = kOdaDrawEntire;
        request.rect = {0, 0, 220, 40};
        request.canvas = &canvas;
        h.bench.user.Send(dialog, wm::kDrawItem, 0, reinterpret_cast<std::intptr_t>(&request));
        ASSERT_EQ(canvas.Find("text").size(), 1u);
        EXPECT_EQ(canvas.Find("text")[0]->text, "Album");
        h.Click(dialog, kIdCancel);
    };
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SELECTION);
    EXPECT_EQ(h.Runs(IDD_SETTINGS), 1);
    // Closed: the tray's command opens it again.
    h.inside[IDD_SETTINGS] = [&](WindowBase& settings, test::FakeWindowOps&) { h.Click(settings, kIdCancel); };
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SETTINGS);
    EXPECT_EQ(h.Runs(IDD_SETTINGS), 2);
}

TEST(SelectionOnce, EndCommandWhileTheWindowIsUpEndsCleanly) {
    test::SelectionHarness h;
    h.RegisterNone();
    ASSERT_NE(h.bench.Start(), nullptr);
    AgentWindow* agent = h.bench.window;
    h.inside[IDD_SELECTION] = [&](WindowBase&, test::FakeWindowOps&) {
        h.bench.user.Send(*agent, wm::kCommand, ID_MENU_EXIT);
        h.bench.user.PumpPosted();  // the window is destroyed; the run ends with the quit
    };
    h.bench.window = nullptr;  // gone once the command returns
    h.bench.user.Send(*agent, wm::kCommand, ID_MENU_SELECTION);
    // Ran to its end on a live object (the sanitizer watches), nothing shown after.
    EXPECT_TRUE(h.bench.user.quitPosted);
    EXPECT_EQ(h.Runs(IDD_SELECTION), 1);
    EXPECT_FALSE(h.bench.registry.KeyExists(kHkcu, kStatusKey));
    EXPECT_EQ(h.bench.app->Shutdown(), 0);
}

TEST(SelectionOnce, WindowThatCannotBeShownDoesNotBarTheNextRequest) {
    test::SelectionHarness h;
    ASSERT_NE(h.bench.Start(), nullptr);
    h.bench.user.quitPosted = true;  // the platform shows nothing new: the run gives -1
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SELECTION);
    EXPECT_EQ(h.Runs(IDD_SELECTION), 0);
    h.bench.user.quitPosted = false;
    h.inside[IDD_SELECTION] = [&](WindowBase& dialog, test::FakeWindowOps&) { h.Click(dialog, kIdCancel); };
    h.bench.user.Send(*h.bench.window, wm::kCommand, ID_MENU_SELECTION);
    EXPECT_EQ(h.Runs(IDD_SELECTION), 1);
}

}  // namespace
}  // namespace kardello
