// A card followed through the agent's once-a-second cycle, over the fakes.

#include <gtest/gtest.h>

#include "agent/CardWatch.h"
#include "fakes/AgentBench.h"
#include "fakes/Sequence.h"
#include "res/SmallDialogIds.h"
#include "res/StringTexts.h"
#include "store/CardStatusValues.h"
#include "store/PhotoAppValues.h"

namespace kardello {
namespace {

using test::AgentBench;
using test::MakeRecord;

constexpr RegRoot kHkcu = RegRoot::CurrentUser;
const std::string kStatusKey = schema::kCardStatusKey;

class CardWatchScenario : public ::testing::TestWithParam<Family> {
protected:
    void SetUp() override {
        bench.SetFamily(GetParam());
        bench.SetCaption();
        bench.InstallPhotoApp();
        bench.SetSlots({MakeRecord(0, "UNIT0001", 'E'), MakeRecord(0, "UNIT0002", 'F')});
        ASSERT_NE(bench.Start(), nullptr);
        agent = bench.window;
    }
    // A tick, and how often it asked the system whether the photo application runs.
    // Following a card, the agent asks once (twice while it counts the application as
    // opened for that card: once more for the tooltip); watching, it does not ask.
    int Tick() {
        const int before = bench.kernel.opens;
        bench.Tick();
        return bench.kernel.opens - before;
    }
    // Whether the agent follows a card, seen from the tick that comes next.
    bool Following() { return Tick() > 0; }

    AgentBench bench;
    AgentWindow* agent = nullptr;
};

TEST_P(CardWatchScenario, NewCardOpensThePhotoAppOnceAndIsFollowedUntilItEnds) {
    bench.Tick();
    EXPECT_EQ(bench.Tooltip(), TXT_CONFIRMING_INSERTION);
    EXPECT_EQ(bench.PhotoStarts(), 0);

    bench.Insert(1, "UNIT0002", 'F', 0x1234);
    bench.registry.ClearWriteLog();
    bench.Tick();
    ASSERT_EQ(bench.PhotoStarts(), 1);
    const auto& start = bench.shell.executions.back();
    EXPECT_EQ(start.verb, "open");
    EXPECT_EQ(start.directory, "C:\\VARNO\\Fotimo");  // its own folder, never the file
    EXPECT_EQ(start.show, 10);
    // The card handed over, in this order, under HKEY_CURRENT_USER.
    EXPECT_EQ(bench.registry.WriteLog(),
              (std::vector<std::string>{"software\\varno\\varno kardello\\ExtendStatus",
                                        "software\\varno\\varno kardello\\DriLetter",
                                        "software\\varno\\varno kardello\\SerialNo"}));
    EXPECT_EQ(*bench.registry.GetNumber(kHkcu, kStatusKey, "ExtendStatus"), 0x1234u);
    EXPECT_EQ(bench.registry.Get(kHkcu, kStatusKey, "DriLetter")->data,
              (std::vector<std::uint8_t>{'F', 0}));
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNIT0002");
    EXPECT_EQ(bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);

    // Following: no second start while the card stays and the application runs.
    for (int i = 0; i < 3; ++i) bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1);
    EXPECT_TRUE(Following());

    // Card out, application closed: back to watching; the next card opens it again.
    bench.Remove(1);
    bench.ClosePhotoApp();
    bench.Tick();
    EXPECT_FALSE(Following());
    EXPECT_EQ(bench.Tooltip(), TXT_CONFIRMING_INSERTION);
    bench.Insert(0, "UNIT0001", 'E');
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 2);
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNIT0001");

    // A start that answers late (a slow shell): the card is recorded and the tooltip
    // changes only with its answer, and the ticks meanwhile neither ask the reader nor
    // start it again for another card.
    bench.Tick();  // seen running
    bench.Remove(0);
    bench.Remove(1);
    bench.ClosePhotoApp();
    bench.Tick();
    bench.shellExecutor.delivery = test::FakeExecutor::Delivery::Stepped;
    bench.Insert(0, "UNIT0003", 'G');
    bench.Tick();
    ASSERT_EQ(bench.shellExecutor.Waiting(), 1u);
    EXPECT_EQ(bench.PhotoStarts(), 2);
    const std::size_t calls = bench.devices.Calls().size();
    bench.Insert(1, "UNIT0004", 'H');
    for (int i = 0; i < 3; ++i) bench.Tick();
    bench.DeviceChanged(dbt::kDeviceArrival);
    bench.user.PumpPosted();
    EXPECT_EQ(bench.devices.Calls().size(), calls);
    EXPECT_EQ(bench.shellExecutor.Waiting(), 1u);
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNIT0001");
    EXPECT_EQ(bench.Tooltip(), TXT_CONFIRMING_INSERTION);
    bench.shellExecutor.RunAll(bench.user);
    EXPECT_EQ(bench.PhotoStarts(), 3);
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNIT0003");
    EXPECT_EQ(bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);
    // The media report waited for the answer: its look comes now, and starts nothing.
    bench.user.PumpPosted();
    EXPECT_GT(bench.devices.Calls().size(), calls);
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 3);
    EXPECT_EQ(bench.shellExecutor.Waiting(), 0u);
}

// Windows reports media as it comes and goes: the step runs at once, and the tick
// after it, the fallback, finds nothing more to do.
TEST_P(CardWatchScenario, MediaReportsRunTheStepAtOnceAndOnlyOnce) {
    const std::size_t atStart = bench.devices.Calls().size();
    bench.Tick();
    const std::size_t perStep = bench.devices.Calls().size() - atStart;
    ASSERT_GT(perStep, 0u);
    bench.Insert(0, "UNIT0001", 'E');
    // Not media in a drive: answered TRUE, no query, nothing started.
    const struct {
        std::uint32_t event;
        bool volume, media;
    } unrelated[] = {
        {dbt::kDeviceArrival, true, false},        // a new drive, not a card
        {dbt::kDeviceRemoveComplete, false, true}, // not a volume
        {0x8001, true, true},                      // a removal query: granted
        {0x0007, false, false},                    // the device tree changed
    };
    for (const auto& change : unrelated) {
        EXPECT_EQ(bench.DeviceChanged(change.event, change.volume, change.media), 1) << change.event;
        bench.user.PumpPosted();
    }
    EXPECT_EQ(bench.devices.Calls().size(), atStart + perStep);
    EXPECT_EQ(bench.PhotoStarts(), 0);

    // Two reports of one card: one step, run from the queue rather than inside the
    // broadcast, before any tick.
    EXPECT_EQ(bench.DeviceChanged(dbt::kDeviceArrival), 1);
    EXPECT_EQ(bench.DeviceChanged(dbt::kDeviceArrival), 1);
    EXPECT_EQ(bench.PhotoStarts(), 0);
    bench.user.PumpPosted();
    EXPECT_EQ(bench.devices.Calls().size(), atStart + 2 * perStep);
    ASSERT_EQ(bench.PhotoStarts(), 1);
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNIT0001");
    EXPECT_EQ(bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);
    EXPECT_EQ(bench.DeviceChanged(dbt::kDeviceArrival), 1);
    bench.user.PumpPosted();
    bench.Tick();
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1) << "the card was handled again";
    EXPECT_TRUE(Following());

    // The removal report ends the following at once; the next card is seen at once.
    bench.Remove(0);
    bench.ClosePhotoApp();
    EXPECT_EQ(bench.DeviceChanged(dbt::kDeviceRemoveComplete), 1);
    bench.user.PumpPosted();
    EXPECT_FALSE(Following());
    EXPECT_EQ(bench.Tooltip(), TXT_CONFIRMING_INSERTION);
    bench.Insert(1, "UNIT0002", 'F');
    bench.DeviceChanged(dbt::kDeviceArrival);
    bench.user.PumpPosted();
    EXPECT_EQ(bench.PhotoStarts(), 2);
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNIT0002");

    // A report while a tick's query is out: one query more once it is back, no more.
    bench.holdReader = true;
    bench.Tick();
    bench.DeviceChanged(dbt::kDeviceRemoveComplete);
    bench.DeviceChanged(dbt::kDeviceRemoveComplete);
    bench.user.PumpPosted();
    EXPECT_EQ(bench.readerExecutor.Waiting(), 1u);
    const std::size_t held = bench.devices.Calls().size();
    ASSERT_TRUE(bench.readerExecutor.RunNext());
    bench.user.PumpPosted();
    EXPECT_EQ(bench.readerExecutor.Waiting(), 1u);
    ASSERT_TRUE(bench.readerExecutor.RunNext());
    bench.user.PumpPosted();
    EXPECT_EQ(bench.readerExecutor.Waiting(), 0u);
    EXPECT_EQ(bench.devices.Calls().size(), held + 2 * perStep);
}

TEST_P(CardWatchScenario, PhotoAppThatNeverComesUpIsGivenTwelveTicks) {
    bench.shell.onExecute = nullptr;  // opened, but it never holds its semaphore
    bench.Insert(0, "UNIT0001");
    ASSERT_EQ(Tick(), 2) << "opened for the card";
    for (int tick = 1; tick <= 12; ++tick)
        ASSERT_EQ(Tick(), 2) << "no longer counted as opened, at tick " << tick;
    EXPECT_EQ(Tick(), 1) << "still counted as opened after twelve ticks";
    // The count starts over: opened again, it is given twelve ticks again.
    bench.Remove(0);
    EXPECT_FALSE(Following());
    bench.Insert(0, "UNIT0002");
    ASSERT_EQ(Tick(), 2);
    // A reader that takes its time: the ticks that find its query still out neither ask
    // again nor count, and its answer counts once.
    bench.holdReader = true;
    const std::size_t calls = bench.devices.Calls().size();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(Tick(), 0) << i;
    EXPECT_EQ(bench.readerExecutor.Waiting(), 1u);
    EXPECT_EQ(bench.devices.Calls().size(), calls);
    bench.holdReader = false;
    bench.user.PumpPosted();
    EXPECT_EQ(bench.readerExecutor.Waiting(), 0u);
    for (int tick = 2; tick <= 12; ++tick) ASSERT_EQ(Tick(), 2) << tick;
    EXPECT_EQ(Tick(), 1);
}

TEST_P(CardWatchScenario, PhotoAppClosedAfterItWasSeenEndsTheFollowingAtOnce) {
    bench.Insert(0, "UNIT0001");
    bench.Tick();
    bench.Tick();  // seen running
    bench.ClosePhotoApp();
    EXPECT_EQ(Tick(), 1) << "still counted as opened after it closed";
    // The card is still in: it was reported, so it is not a new card.
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1);
}

TEST_P(CardWatchScenario, ReaderFailingWhileFollowingEndsItWithoutAskingThePhotoApp) {
    bench.Insert(0, "UNIT0001");
    bench.Tick();
    bench.Tick();  // seen running
    ASSERT_TRUE(Following());
    bench.FailQueries(true);
    // Only the tooltip's check asks for the semaphore; the removal check did not.
    EXPECT_EQ(Tick(), 1);
    // The photo application's end is noticed only through a query that answers: it
    // still counts as opened for the card.
    bench.ClosePhotoApp();
    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(bench.Tooltip(), TXT_CONFIRMING_INSERTION);
    bench.FailQueries(false);
    bench.Tick();
    EXPECT_FALSE(Following());
    EXPECT_EQ(bench.PhotoStarts(), 1);
}

TEST_P(CardWatchScenario, PhotoAppMissingShowsOneBoxEvenWhenTicksComeInsideIt) {
    bench.registry.RemoveKey(schema::kPhotoAppRoot, schema::kPhotoAppKey);
    int nestedTicks = 0;
    bench.user.modalScript = [&](WindowBase&, int) {
        // A second card arrives while the box is up.
        bench.Insert(1, "UNIT0002");
        bench.TickInside(*agent);
        bench.TickInside(*agent);
        ++nestedTicks;
        return kIdOk;
    };
    bench.Insert(0, "UNIT0001");
    bench.Tick();
    ASSERT_EQ(bench.user.modals.size(), 1u);
    EXPECT_EQ(bench.user.modals[0].templateId, IDD_APP_NOT_FOUND);
    EXPECT_EQ(bench.user.maxModalDepth, 1);
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(bench.PhotoStarts(), 0);
    EXPECT_FALSE(Following());
    EXPECT_FALSE(bench.registry.Get(kHkcu, kStatusKey, "SerialNo"));
    // Its key is only ever read: the agent, who may write it here, never makes it.
    EXPECT_FALSE(bench.registry.KeyExists(schema::kPhotoAppRoot, schema::kPhotoAppKey));
    // The watch went on under the box and saw the second card there: no box for it now.
    bench.Tick();
    EXPECT_EQ(bench.user.modals.size(), 1u) << "the card put in under the box was not seen there";

    // However a box ends (Esc, or one that could not be shown at all), the next
    // card's failure shows a box again.
    for (const int ending : {kIdCancel, -1, 0}) {
        bench.user.modalScript = [ending](WindowBase&, int) { return ending; };
        const std::size_t before = bench.user.modals.size();
        bench.Remove(0);
        bench.Remove(1);
        bench.Tick();
        bench.Insert(0, "UNIT" + std::to_string(10 + ending));
        bench.Tick();
        EXPECT_EQ(bench.user.modals.size(), before + 1) << ending;
    }
    EXPECT_FALSE(bench.registry.KeyExists(schema::kPhotoAppRoot, schema::kPhotoAppKey));
}

// Started with other rights (elevated), it holds a semaphore that this program may not
// open with full access: it runs all the same.
TEST_P(CardWatchScenario, PhotoAppAlreadyRunningIsNotStartedAgain) {
    for (const bool elevated : {false, true}) {
        if (elevated)
            bench.kernel.HoldGuarded(test::kPhotoCaption);
        else
            bench.kernel.Hold(test::kPhotoCaption);
        bench.Insert(0, elevated ? "UNIT0002" : "UNIT0001");
        bench.Tick();
        EXPECT_EQ(bench.PhotoStarts(), 0) << elevated;
        EXPECT_TRUE(bench.user.modals.empty());
        EXPECT_FALSE(Following()) << "a card handed to no one is not followed";
        bench.Remove(0);
        bench.Tick();
        bench.ClosePhotoApp();
    }
}

// A card's arrival is no input of the user's: Windows keeps the foreground from the
// agent, and its boxes, with no taskbar button, would open behind the user's window.
// Each comes up top-most instead, asks for the foreground and, refused, flashes.
TEST_P(CardWatchScenario, PhotoAppThatCannotStartShowsTheMatchingBox) {
    bench.user.foregroundRefused = true;
    std::vector<std::string> seen;  // how often each box was made top-most, asked for the foreground, flashed
    bench.user.modalScript = [&](WindowBase& box, int) {
        const test::FakeWindowOps& ops = *bench.user.OpsOf(box);
        seen.push_back("top-most " + std::to_string(ops.topMost) + ", foreground " +
                       std::to_string(ops.foreground) + ", flashes " + std::to_string(ops.flashes));
        return kIdOk;
    };
    bench.shell.onExecute = nullptr;
    bench.shell.executeResult = 2;  // file not found
    bench.Insert(0, "UNIT0001");
    bench.Tick();
    bench.shell.executeResult = 8;  // out of memory
    bench.Insert(1, "UNIT0002");
    bench.Tick();
    bench.shell.executeResult = 0;
    bench.Insert(2, "UNIT0003");
    bench.Tick();
    ASSERT_EQ(bench.user.modals.size(), 3u);
    EXPECT_EQ(bench.user.modals[0].templateId, IDD_APP_NOT_FOUND);
    EXPECT_EQ(bench.user.modals[1].templateId, IDD_LOW_MEMORY);
    EXPECT_EQ(bench.user.modals[2].templateId, IDD_LOW_MEMORY);
    EXPECT_FALSE(Following());
    // Where Windows grants the foreground, nothing flashes.
    bench.user.foregroundRefused = false;
    bench.Insert(3, "UNIT0004");
    bench.Tick();
    const std::string flashed = "top-most 1, foreground 1, flashes 1";
    EXPECT_TRUE(test::SameSequence({flashed, flashed, flashed, "top-most 1, foreground 1, flashes 0"}, seen));
}

TEST_P(CardWatchScenario, DirectExecOtherThanZeroOpensNothingAndTheCardStaysReported) {
    bench.user.modalScript = [](WindowBase&, int) { return kIdCancel; };
    for (std::uint32_t directExec : {1u, 2u, 7u}) {
        bench.SetDirectExec(directExec);
        bench.Insert(0, "UNIT0001");
        bench.Tick();
        bench.Tick();
        EXPECT_EQ(bench.PhotoStarts(), 0) << directExec;
        EXPECT_FALSE(Following());
        // Reported: now that a card would open the photo application, this one does not.
        bench.SetDirectExec(0);
        bench.Tick();
        EXPECT_EQ(bench.PhotoStarts(), 0) << directExec;
        bench.Remove(0);
        bench.Tick();
    }
    EXPECT_EQ(bench.user.modals.size(), 1u) << "one selection window, for DirectExec 1";
    // Seen empty: the same card put back is a new one.
    bench.Insert(0, "UNIT0001");
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1);
}

// Every logged-on user's agent sees the one reader: under fast user switching the
// sessions not in front, over Remote Desktop connected sessions that Windows counts as
// active. Only the session at the console acts; another notes a new card, whatever
// DirectExec says, and back at the console that card is not acted on, the next one is.
// A question that cannot be answered (no session at the console, in the middle of a
// switch; its own session unknown) counts as at the console.
TEST_P(CardWatchScenario, OnlyTheSessionAtTheConsoleActsOnNewCards) {
    for (std::uint32_t directExec : {0u, 1u}) {
        bench.SetDirectExec(directExec);
        bench.system.consoleSession = 2;  // this one is remote, or switched away
        bench.Insert(0, "AWAY000" + std::to_string(directExec));
        bench.Tick();
        bench.system.consoleSession = 1;
        bench.Tick();
        EXPECT_EQ(bench.PhotoStarts() + bench.user.modals.size(), 0u) << directExec;
        bench.Remove(0);
        bench.Tick();
    }
    EXPECT_FALSE(bench.registry.KeyExists(kHkcu, kStatusKey));
    bench.SetDirectExec(0);
    bench.system.consoleSession = kNoConsoleSession;
    bench.Insert(1, "BACK0001", 'F');
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1);
    EXPECT_EQ(bench.system.sessionQueries, 3);  // once per new card, never on a quiet tick

    bench.ClosePhotoApp();
    bench.Remove(1);
    for (int i = 0; i < 14; ++i) bench.Tick();  // back to watching
    bench.system.consoleSession = 2;
    bench.system.ownSessionUnknown = true;
    bench.Insert(1, "BACK0002", 'F');
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 2);
}

// The higher card's serial carries a byte outside ASCII: the driver's Windows-1252,
// recorded as the character it stands for.
TEST_P(CardWatchScenario, TwoNewCardsInOneQueryFollowTheHigherSlot) {
    bench.Insert(0, "UNIT0001", 'E');
    bench.slots.push_back(MakeRecord(1, "UNIT\xC9\x80\x81", 'G'));
    bench.Insert(2, "UNIT\xC9\x80\x81", 'G');
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1);
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "SerialNo"), "UNITÉ€\u0081");
    EXPECT_EQ(*bench.registry.GetString(kHkcu, kStatusKey, "DriLetter"), "G");
    // Both were reported: the followed one out, back to watching, and the other is not
    // handed over again.
    bench.Tick();  // seen running
    bench.Remove(2);
    bench.ClosePhotoApp();
    bench.Tick();
    EXPECT_FALSE(Following());
    EXPECT_EQ(bench.PhotoStarts(), 1);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, CardWatchScenario,
                         ::testing::Values(Family::Nt, Family::Win95),
                         [](const auto& info) {
                             return info.param == Family::Nt ? "Nt" : "Win95";
                         });

// ---- The steps on their own, where the cycle would hide the detail ----

class CardWatchSteps : public ::testing::Test {
protected:
    CardWatchSteps() { bench.InstallPhotoApp(); }
    AgentBench bench;
    CardReader reader{bench.registry, bench.devices, bench.system};
    PhotoApp photoApp{bench.platform};
    CardWatch watch{photoApp};
    ReaderAnswer Ask(Family family) { return ReaderAnswer::Ask(reader, family); }
};

TEST_F(CardWatchSteps, CardOutAndBackWithoutAnEmptyQueryIsNotNew) {
    bench.Insert(0, "CARD");
    EXPECT_TRUE(watch.DetectNewCard(Ask(Family::Nt)));
    bench.Remove(0);
    bench.Insert(0, "CARD");  // never seen empty
    EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
    // Seen empty once: reported again when it comes back.
    bench.Remove(0);
    EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
    bench.Insert(0, "CARD");
    EXPECT_TRUE(watch.DetectNewCard(Ask(Family::Nt)));
}

TEST_F(CardWatchSteps, SlotFlagBlocksAnotherSerialUntilTheSlotIsSeenEmpty) {
    bench.Insert(0, "FIRST");
    EXPECT_TRUE(watch.DetectNewCard(Ask(Family::Nt)));
    bench.Insert(0, "SECOND");
    EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
}

TEST_F(CardWatchSteps, RecordsBeyondTheFifthSlotAreRememberedButNeverReported) {
    // The sixth record (index 5) is the first past the five slots; the seventh too.
    for (const int beyond : {5, 6}) {
        std::vector<CardRecord> records(7, MakeRecord(1, "X"));
        for (int i = 0; i < 7; ++i) records[i] = MakeRecord(i == beyond ? 1 : 0, "S" + std::to_string(i));
        bench.SetSlots(records);
        EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt))) << beyond;
        // Remembered: seen next in the first slot, the same card is no new one.
        auto moved = records;
        moved[0] = MakeRecord(1, "S" + std::to_string(beyond));
        bench.SetSlots(moved);
        EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt))) << beyond;
        // Taken out everywhere: forgotten, and a new card when it comes to a slot.
        bench.SetSlots(std::vector<CardRecord>(7, MakeRecord(0, "S")));
        EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
        bench.SetSlots(moved);
        EXPECT_TRUE(watch.DetectNewCard(Ask(Family::Nt))) << beyond;
        bench.SetSlots(std::vector<CardRecord>(7, MakeRecord(0, "S")));
        EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
    }
    // A card in the fifth slot (index 4) is still reported, and marks that slot.
    bench.Insert(4, "S4");
    EXPECT_TRUE(watch.DetectNewCard(Ask(Family::Nt)));
    bench.Insert(4, "S4B");
    EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
}

TEST_F(CardWatchSteps, StatusTwoIsNeitherACardNorAnEmptySlot) {
    bench.Insert(0, "CARD");
    EXPECT_TRUE(watch.DetectNewCard(Ask(Family::Nt)));
    bench.slots[0].status = 2;
    bench.SetSlots(bench.slots);
    EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
    // Not an empty slot: the slot stays reported, and a card that takes its place is no
    // new one.
    bench.Insert(0, "ANOTHER");
    EXPECT_FALSE(watch.DetectNewCard(Ask(Family::Nt)));
    bench.slots[0] = MakeRecord(2, "CARD");
    bench.SetSlots(bench.slots);

    // While following, a status-2 slot does not end the handling.
    watch.PhotoAppStartedByHand();
    bench.kernel.Hold(test::kPhotoCaption);
    EXPECT_FALSE(watch.CheckCardRemoval(Ask(Family::Nt)));
    EXPECT_TRUE(watch.State().cardHandled);
}

TEST_F(CardWatchSteps, RemovalCheckKnownCardsDifferByFamily) {
    bench.kernel.Hold(test::kPhotoCaption);
    bench.Insert(0, "OTHER");
    bench.Insert(1, "CURRENT");
    for (Family family : {Family::Nt, Family::Win95}) {
        CardWatch own{photoApp};
        ASSERT_TRUE(own.DetectNewCard(Ask(family)));
        ASSERT_EQ(own.CurrentCard(family).SerialText(), "CURRENT");
        EXPECT_FALSE(own.CheckCardRemoval(Ask(family)));
        // The NT family keeps the current card's own record among the known ones: seen
        // next in a slot not reported yet, it is no new card there; on the Windows 95
        // family it is. The other card is known to both.
        bench.Insert(2, "CURRENT");
        bench.Insert(3, "OTHER");
        EXPECT_EQ(own.DetectNewCard(Ask(family)), family == Family::Win95);
        EXPECT_EQ(own.CurrentCard(family).driveLetter, bench.slots[2].driveLetter);
        bench.SetSlots({bench.slots[0], bench.slots[1]});
    }
}

TEST_F(CardWatchSteps, CardHandledFollowsWhetherEverySlotHoldsACard) {
    bench.kernel.Hold(test::kPhotoCaption);
    bench.Insert(0, "A");
    bench.Insert(1, "B");
    watch.DetectNewCard(Ask(Family::Nt));
    EXPECT_FALSE(watch.CheckCardRemoval(Ask(Family::Nt)));
    EXPECT_TRUE(watch.State().cardHandled);
    bench.Remove(0);  // an empty slot, but the application still runs: not a removal
    watch.PhotoAppStartedByHand();
    EXPECT_FALSE(watch.CheckCardRemoval(Ask(Family::Nt)));
    EXPECT_FALSE(watch.State().cardHandled);
    // The current card (slot 1) out while the application is gone: removal.
    bench.ClosePhotoApp();
    bench.Remove(1);
    EXPECT_TRUE(watch.CheckCardRemoval(Ask(Family::Nt)));
    // No records at all while it runs: every slot (none) holds a card.
    bench.kernel.Hold(test::kPhotoCaption);
    bench.SetSlots({});
    EXPECT_FALSE(watch.CheckCardRemoval(Ask(Family::Nt)));
    EXPECT_TRUE(watch.State().cardHandled);
}

// Asking whether it runs shows nothing; a removal check clears what the watch follows,
// and the card's own handling follows the slots as when the application runs.
TEST_F(CardWatchSteps, NoCaptionInsideARemovalCheckClearsTheFlagsWithoutABox) {
    bench.registry.Remove(schema::kPhotoAppRoot, schema::kPhotoAppKey, "CAPTION");
    EXPECT_TRUE(photoApp.IsPhotoAppRunning());
    EXPECT_EQ(photoApp.RunStatus(), PhotoApp::Status::NotInstalled);
    bench.Insert(0, "A");
    bench.Insert(1, "B");
    EXPECT_TRUE(watch.StartAnswer(Ask(Family::Nt), true));
    watch.PhotoAppOpenedForNewCard();
    bench.Remove(0);
    EXPECT_FALSE(watch.CheckCardRemoval(Ask(Family::Nt)));
    EXPECT_FALSE(watch.State().Following());
    EXPECT_TRUE(bench.user.modals.empty());
}

// Every program starts in its own folder, as Explorer starts it; a root keeps its
// separator, and a bare name gets no folder.
TEST(LaunchRule, AProgramsFolderIsThePartOfItsPathBeforeTheFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\x.exe", "C:\\"}, {"\\x.exe", "\\"}, {"\\\\srv\\share\\x.exe", "\\\\srv\\share"},
        {"D:/Fotos/ver.exe", "D:/Fotos"}, {"x.exe", ""}, {"C:x.exe", ""}};
    for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOf(path), folder) << path;
}

TEST_F(CardWatchSteps, ASuccessfulZeroWaitMeansNotRunningAndKeepsTheCount) {
    bench.kernel.Hold(test::kPhotoCaption, 1, 1);  // a semaphore anyone can take
    EXPECT_FALSE(photoApp.IsPhotoAppRunning());
    EXPECT_EQ(bench.kernel.Find(test::kPhotoCaption)->count, 0);
    EXPECT_TRUE(photoApp.IsPhotoAppRunning());  // now it cannot be taken
    EXPECT_EQ(bench.kernel.OpenHandles(), 0u);
}

}  // namespace
}  // namespace kardello
