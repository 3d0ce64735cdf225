// The click recogniser: a single click is reported after the double-click time,
// a double click never also counts as a single one.

#include <gtest/gtest.h>

#include "agent/AgentWindow.h"
#include "agent/TrayIconWindow.h"
#include "fakes/AgentBench.h"

namespace kardello {
namespace {

class RecordingTray : public TrayIconWindow {
public:
    using TrayIconWindow::TrayIconWindow;
    void OnTraySingleClick() override { events.push_back("single"); }
    void OnTrayDoubleClick() override { events.push_back("double"); }
    void OnTrayRightClick() override { events.push_back("right"); }
    std::vector<std::string> events;
};

class TrayClicks : public ::testing::Test {
protected:
    void SetUp() override {
        tray = new RecordingTray(bench.platform);
        ASSERT_TRUE(tray->Create());
        ops = bench.user.OpsOf(*tray);
    }
    void TearDown() override { bench.user.Destroy(*tray); }
    void Mouse(std::intptr_t message) {
        bench.user.Send(*tray, TrayIconWindow::kTrayCallbackMessage, 100, message);
        bench.user.PumpPosted();
    }
    void ClickTimerExpires() {
        ASSERT_TRUE(ops->timers.count(4)) << "no click timer running";
        bench.user.Send(*tray, wm::kTimer, 4);
        bench.user.PumpPosted();
    }

    test::AgentBench bench;
    RecordingTray* tray = nullptr;
    test::FakeWindowOps* ops = nullptr;
};

TEST_F(TrayClicks, SingleClickWaitsForTheDoubleClickTime) {
    Mouse(wm::kLButtonDown);
    EXPECT_EQ(ops->timers.at(4), 500u);
    Mouse(wm::kLButtonUp);
    EXPECT_TRUE(tray->events.empty());
    ClickTimerExpires();
    EXPECT_EQ(tray->events, std::vector<std::string>{"single"});
    EXPECT_FALSE(ops->timers.count(4));
}

TEST_F(TrayClicks, DoubleClickIsReportedOnceAndNeverAsASingleClick) {
    Mouse(wm::kLButtonDown);
    Mouse(wm::kLButtonUp);
    Mouse(wm::kLButtonDblClk);
    EXPECT_FALSE(ops->timers.count(4));
    Mouse(wm::kLButtonUp);
    EXPECT_EQ(tray->events, std::vector<std::string>{"double"});
    // The next press starts over: its release is no second half of a double click.
    Mouse(wm::kLButtonDown);
    Mouse(wm::kLButtonUp);
    EXPECT_EQ(tray->events, std::vector<std::string>{"double"});
    ClickTimerExpires();
    EXPECT_EQ(tray->events, (std::vector<std::string>{"double", "single"}));
}

TEST_F(TrayClicks, RightClickActsOnTheButtonUpAtOnce) {
    Mouse(wm::kRButtonDown);
    EXPECT_TRUE(tray->events.empty());
    Mouse(wm::kRButtonUp);
    EXPECT_EQ(tray->events, std::vector<std::string>{"right"});
    Mouse(0x0200);  // mouse move
    EXPECT_EQ(tray->events.size(), 1u);
}

TEST(AgentClicks, LeftClicksOnTheAgentsIconDoNothing) {
    test::AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    for (std::intptr_t m : {wm::kLButtonDown, wm::kLButtonUp, wm::kLButtonDblClk, wm::kLButtonUp})
        bench.user.Send(*bench.window, TrayIconWindow::kTrayCallbackMessage, 100, m);
    bench.user.PumpPosted();
    bench.user.Send(*bench.window, wm::kTimer, 4);
    bench.user.PumpPosted();
    EXPECT_TRUE(bench.user.menus.empty());
    EXPECT_TRUE(bench.user.modals.empty());
    EXPECT_TRUE(bench.shell.executions.empty());
}

}  // namespace
}  // namespace kardello
