// Start-up, single instance, the first look at the reader, the menu commands and
// the end of the agent, over the fakes.

#include <gtest/gtest.h>

#include "agent/AgentWindow.h"
#include "app/CardAgentApp.h"
#include "fakes/AgentBench.h"
#include "res/AgentWindowTexts.h"
#include "res/SelectionWindowIds.h"
#include "res/SmallDialogIds.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"
#include "settings/SmallDialogs.h"
#include "store/CardStatusValues.h"
#include "store/PhotoAppValues.h"

namespace kardello {
namespace {

using test::AgentBench;
using test::MakeRecord;

constexpr RegRoot kHklm = RegRoot::LocalMachine;
using test::kAgentKey;

const char* const kSlotValues[] = {"EXE1", "PATH1", "APPNAME1", "EXE2", "PATH2", "APPNAME2",
                                   "EXE3", "PATH3", "APPNAME3", "EXE4", "PATH4", "APPNAME4",
                                   "EXE5", "PATH5", "APPNAME5"};

TEST(AgentStartup, NoCaptionShowsTheErrorBoxAndEndsWithNothingCreated) {
    AgentBench bench;
    EXPECT_EQ(bench.Start(), nullptr);
    ASSERT_EQ(bench.user.boxes.size(), 1u);
    EXPECT_EQ(bench.user.boxes[0].owner, nullptr);
    EXPECT_EQ(bench.user.boxes[0].text, TXT_NO_CAPTION);
    EXPECT_EQ(bench.user.boxes[0].title, TXT_APP_TITLE);
    // MB_ICONHAND; top-most and asking for the foreground (MB_TOPMOST, MB_SETFOREGROUND):
    // at logon it would open behind the user's windows.
    EXPECT_EQ(bench.user.boxes[0].style, 0x10u | 0x40000u | 0x10000u);
    EXPECT_TRUE(bench.user.createdTitles.empty());
    EXPECT_EQ(bench.kernel.OpenHandles(), 0u);
    EXPECT_EQ(bench.app->Shutdown(), 0);
    EXPECT_TRUE(bench.shell.notifications.empty());
    // A key that cannot be opened at all counts the same.
    AgentBench denied;
    denied.SetCaption();
    denied.registry.DenyRoot(kHklm);
    EXPECT_EQ(denied.Start(), nullptr);
    EXPECT_EQ(denied.user.boxes.at(0).text, TXT_NO_CAPTION);
}

TEST(AgentStartup, FirstRunWritesFifteenSlotValuesAndDirectExecAfterTheWindow) {
    AgentBench bench;
    bench.SetCaption();
    bench.registry.PutString(kHklm, kAgentKey, "APPNAME3", "Kept?");
    ASSERT_NE(bench.Start(), nullptr);
    EXPECT_EQ(bench.user.createdTitles, std::vector<std::string>{TXT_AGENT_WINDOW_TITLE});
    for (const char* value : kSlotValues) {
        EXPECT_EQ(bench.registry.GetString(kHklm, kAgentKey, value), TXT_NOT_REGISTERED) << value;
    }
    EXPECT_EQ(bench.registry.GetNumber(kHklm, kAgentKey, "DirectExec"), 0u);
    // The window's timer runs; the icon waits for the first tick.
    EXPECT_EQ(bench.user.OpsOf(*bench.window)->timers.at(5), 1000u);
    EXPECT_TRUE(bench.shell.notifications.empty());
    EXPECT_EQ(bench.user.prepared, 1);
}

TEST(AgentStartup, PresentPath1LeavesTheSlotsAndOnlyAMissingDirectExecIsWritten) {
    AgentBench bench;
    bench.SetCaption();
    bench.registry.PutString(kHklm, kAgentKey, "PATH1", "C:\\x.exe");
    ASSERT_NE(bench.Start(), nullptr);
    EXPECT_EQ(bench.registry.ValueCount(kHklm, kAgentKey), 3u);  // CAPTION, PATH1, DirectExec
    EXPECT_EQ(bench.registry.GetNumber(kHklm, kAgentKey, "DirectExec"), 0u);

    AgentBench again;
    again.SetCaption();
    again.registry.PutString(kHklm, kAgentKey, "PATH1", "C:\\x.exe");
    again.SetDirectExec(2);
    ASSERT_NE(again.Start(), nullptr);
    EXPECT_EQ(again.registry.WriteCount(), 0);

    // A PATH1 that is there but cannot be used is no first run either: at start and
    // when the selection window opens (cpl), every value stays as it was.
    std::string cjk;
    for (int i = 0; i < 347; ++i) cjk += "\xE5\x86\x99";  // U+5199, three bytes as UTF-8
    const std::vector<std::uint8_t> wide(cjk.begin(), cjk.end());
    const std::vector<std::uint8_t> huge(64 * 1024, 'p');
    for (const auto& [type, path1] : {std::pair{kRegSz, wide}, std::pair{kRegSz, huge},
                                      std::pair{kRegDword, std::vector<std::uint8_t>{1, 0, 0, 0}}}) {
        AgentBench odd;
        odd.SetCaption();
        odd.SetDirectExec(1);
        odd.registry.Put(kHklm, kAgentKey, "PATH1", type, path1);
        odd.registry.PutString(kHklm, kAgentKey, "APPNAME2", "Otra");
        ASSERT_NE(odd.Start("cpl"), nullptr) << path1.size();
        ASSERT_EQ(odd.user.modals.size(), 1u) << "the selection window at start";
        EXPECT_EQ(odd.registry.WriteCount(), 0) << path1.size();
        EXPECT_EQ(odd.registry.Get(kHklm, kAgentKey, "PATH1")->data, path1);
        EXPECT_EQ(odd.registry.ValueCount(kHklm, kAgentKey), 4u);  // CAPTION, DirectExec, PATH1, APPNAME2
    }
}

TEST(AgentStartup, SecondCopyIsRefusedBeforeTheArgumentIsLookedAt) {
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    for (const char* arguments : {"", "cpl"}) {
        test::AgentBench* shared = &bench;  // same machine: same registry and kernel
        CardAgentApp second(shared->platform);
        const std::size_t boxesBefore = bench.user.boxes.size();
        const std::size_t windowsBefore = bench.user.createdTitles.size();
        EXPECT_FALSE(second.Startup(arguments));
        ASSERT_EQ(bench.user.boxes.size(), boxesBefore + 1);
        EXPECT_EQ(bench.user.boxes.back().text, TXT_ALREADY_RUNNING);
        EXPECT_EQ(bench.user.boxes.back().title, TXT_APP_TITLE);
        EXPECT_EQ(bench.user.boxes.back().style, 0x30u | 0x40000u | 0x10000u);
        EXPECT_EQ(bench.user.createdTitles.size(), windowsBefore);
        EXPECT_EQ(second.Shutdown(), 0);
        // The first copy's semaphore is untouched: still held, count still 1.
        ASSERT_NE(bench.kernel.Find(test::kAgentCaption), nullptr);
        EXPECT_EQ(bench.kernel.Find(test::kAgentCaption)->count, 1);
    }
}

// The other copy started in the same instant, or runs with other rights (elevated,
// from the installer's last page) and so refuses this one a full-access open.
TEST(AgentStartup, TwoCopiesStartingTogetherOrWithOtherRightsRunOnlyOne) {
    for (const bool elevated : {false, true}) {
        AgentBench bench;
        bench.SetCaption();
        if (elevated) bench.kernel.HoldGuarded(test::kAgentCaption);
        // Else the other copy creates the semaphore between this copy's open and create.
        bench.kernel.beforeCreate = [&](const std::string& name) {
            bench.kernel.beforeCreate = nullptr;
            bench.kernel.Hold(name, 1, 1);
        };
        EXPECT_EQ(bench.Start(), nullptr);
        ASSERT_EQ(bench.user.boxes.size(), 1u);
        EXPECT_EQ(bench.user.boxes[0].text, TXT_ALREADY_RUNNING);
        EXPECT_EQ(bench.user.boxes[0].style, 0x30u | 0x40000u | 0x10000u);
        EXPECT_TRUE(bench.user.createdTitles.empty());
        EXPECT_EQ(bench.kernel.creates, elevated ? 0 : 1);  // refused at the open: no create
        bench.app->Shutdown();
        EXPECT_EQ(bench.kernel.Find(test::kAgentCaption)->count, 1);  // not released by us
    }
}

TEST(AgentStartup, WindowThatCannotBeCreatedEndsTheStartAndReleasesTheSemaphore) {
    AgentBench bench;
    bench.SetCaption();
    bench.user.failCreate = true;
    EXPECT_EQ(bench.Start(), nullptr);
    EXPECT_EQ(bench.app->Shutdown(), 0);
    EXPECT_EQ(bench.kernel.Find(test::kAgentCaption), nullptr);  // last handle closed
    EXPECT_EQ(bench.kernel.OpenHandles(), 0u);
}

TEST(AgentStartup, ShutdownReleasesTheSemaphoreOnce) {
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    EXPECT_EQ(bench.kernel.Find(test::kAgentCaption)->count, 1);
    bench.user.Destroy(*bench.window);
    bench.window = nullptr;
    EXPECT_EQ(bench.app->Shutdown(), 0);
    EXPECT_EQ(bench.kernel.OpenHandles(), 0u);
}

TEST(AgentStartup, CplArgumentInAnyCaseButOnlyAlone) {
    for (const char* yes : {"cpl", "CPL", "Cpl", "cPl"}) EXPECT_TRUE(CardAgentApp::IsCplArgument(yes)) << yes;
    for (const char* no : {"", "cp", "cpl ", "cpl x", " cpl", "cplx", "cpl\t"})
        EXPECT_FALSE(CardAgentApp::IsCplArgument(no)) << '"' << no << '"';
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start("CpL"), nullptr);
    ASSERT_EQ(bench.user.modals.size(), 1u) << "the selection window at start";
    EXPECT_EQ(bench.user.modals[0].templateId, IDD_SELECTION);
}

// ---- The first look at the reader ----

TEST(AgentStartup, CardFoundAtStartIsFollowedButNeverOpensThePhotoAppDirectly) {
    for (Family family : {Family::Nt, Family::Win95}) {
        for (std::uint32_t directExec : {0u, 1u, 2u}) {
            AgentBench bench;
            bench.SetFamily(family);
            bench.SetCaption();
            bench.InstallPhotoApp();
            bench.SetDirectExec(directExec);
            bench.Insert(0, "ATSTART");
            // The window comes with the first answer, the icon before it.
            bool iconFirst = false;
            bench.user.modalScript = [&](WindowBase&, int) {
                iconFirst = !bench.shell.notifications.empty();
                return kIdCancel;
            };
            bench.holdReader = true;
            ASSERT_NE(bench.Start(), nullptr);
            EXPECT_TRUE(bench.user.modals.empty());
            bench.holdReader = false;
            bench.user.PumpPosted();
            EXPECT_EQ(iconFirst, directExec <= 1) << directExec;
            // Followed: the ticks report no new card, and the window (0 and 1) came and went.
            for (int i = 0; i < 3; ++i) bench.Tick();
            EXPECT_EQ(bench.PhotoStarts(), 0) << directExec;
            EXPECT_EQ(bench.user.modals.size(), directExec <= 1 ? 1u : 0u) << directExec;
            // Taken out: back to watching, and the same card put back is new.
            bench.Remove(0);
            bench.Tick();
            bench.Insert(0, "ATSTART");
            bench.Tick();
            EXPECT_EQ(bench.PhotoStarts(), directExec == 0 ? 1 : 0);
        }
    }
}

TEST(AgentStartup, FirstTickAddsTheIconAndLaterTicksModifyIt) {
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    bench.Tick();
    bench.Tick();
    ASSERT_EQ(bench.shell.notifications.size(), 2u);
    const auto& add = bench.shell.notifications[0];
    EXPECT_EQ(add.message, kNimAdd);
    EXPECT_EQ(add.data.id, 100u);
    EXPECT_EQ(add.data.callbackMessage, 0x5F4u);
    EXPECT_EQ(add.data.flags, kNifMessage | kNifIcon | kNifTip);
    EXPECT_EQ(add.data.window, bench.window->Handle());
    EXPECT_EQ(add.data.tip, TXT_CONFIRMING_INSERTION);
    // The tray's picture at the small icon size, which the system DPI sets.
    EXPECT_EQ(bench.user.IconId(add.data.icon), IDI_TRAY);
    EXPECT_EQ(bench.user.iconPixels[add.data.icon], 16);
    const auto& modify = bench.shell.notifications[1];
    EXPECT_EQ(modify.message, kNimModify);
    EXPECT_EQ(modify.data.flags, kNifMessage | kNifTip);  // the same icon is not sent again
}

TEST(AgentStartup, IconIsAddedAgainWhenTheShellWasNotReadyOrRestarted) {
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    // Not ready at logon: the add and the modify after it both fail, tick after tick.
    bench.shell.failAdds = 2;
    bench.Tick();
    bench.Tick();
    EXPECT_FALSE(bench.shell.iconShown);
    EXPECT_EQ(bench.shell.notifications.back().message, kNimModify) << "an add, then a modify";
    bench.Tick();
    EXPECT_TRUE(bench.shell.iconShown);
    const auto& added = bench.shell.notifications.back();
    EXPECT_EQ(added.message, kNimAdd);
    EXPECT_TRUE(added.data.flags & kNifIcon);

    // Explorer restarted: the icon is added again, with its icon and tip.
    bench.shell.RestartShell();
    bench.user.Send(*bench.window, bench.TaskbarCreated());
    EXPECT_EQ(bench.shell.notifications.back().message, kNimAdd);
    EXPECT_TRUE(bench.shell.notifications.back().data.flags & kNifIcon);
    EXPECT_EQ(bench.shell.notifications.back().data.tip, TXT_CONFIRMING_INSERTION);
    EXPECT_TRUE(bench.shell.iconShown);
    bench.Tick();
    EXPECT_EQ(bench.shell.notifications.back().message, kNimModify);
}

// A shell busy at logon can time out on an add that it carried out; every later
// add then fails as a duplicate. A modify that works shows the icon is there.
TEST(AgentStartup, AnAddThatTimedOutButWasCarriedOutCountsAsAdded) {
    AgentBench bench;
    bench.SetCaption();
    bench.InstallPhotoApp();
    ASSERT_NE(bench.Start(), nullptr);
    bench.shell.timedOutAdds = 1;
    bench.Tick();
    ASSERT_EQ(bench.shell.notifications.size(), 2u);
    EXPECT_EQ(bench.shell.notifications[0].message, kNimAdd);
    EXPECT_EQ(bench.shell.notifications[1].message, kNimModify);
    // From then on the tooltip follows the card.
    bench.Insert(0, "UNIT0001");
    bench.Tick();
    EXPECT_EQ(bench.shell.notifications.back().message, kNimModify);
    EXPECT_EQ(bench.Tooltip(), TXT_PHOTO_APP_AUTO_OPENED);

    // The same after a restart of the shell that is busy again.
    bench.shell.RestartShell();
    bench.shell.timedOutAdds = 1;
    const std::size_t before = bench.shell.notifications.size();
    bench.user.Send(*bench.window, bench.TaskbarCreated());
    ASSERT_EQ(bench.shell.notifications.size(), before + 2);
    EXPECT_EQ(bench.shell.notifications.back().message, kNimModify);
    bench.Tick();
    EXPECT_EQ(bench.shell.notifications.back().message, kNimModify);
    EXPECT_EQ(bench.shell.notifications.size(), before + 3);
}

// A standard user: every machine key may only be read. The agent starts with no
// box, finds the photo application and records the card under the user's key.
TEST(AgentStartup, AStandardUserStartsAndACardOpensThePhotoApp) {
    AgentBench bench;
    bench.SetCaption();
    bench.InstallPhotoApp();
    bench.SetDirectExec(0);
    bench.SetSlots({MakeRecord(0, "UNIT0001", 'E'), MakeRecord(0, "UNIT0002", 'F')});
    // 64-bit programs' values that must not be the ones used.
    bench.registry.PutString(RegView::Native, kHklm, kAgentKey, "CAPTION", "Decoy Agent");
    bench.registry.PutNumber(RegView::Native, kHklm, kAgentKey, "DirectExec", 2);
    bench.registry.PutString(RegView::Native, kHklm, schema::kPhotoAppKey, "PATH", "C:\\Decoy.exe");
    bench.registry.PutString(RegView::Native, kHklm, schema::kPhotoAppKey, "CAPTION", "Decoy Photo");
    bench.registry.ReadOnly(kHklm, "");
    ASSERT_NE(bench.Start(), nullptr);
    EXPECT_TRUE(bench.user.boxes.empty());
    EXPECT_TRUE(bench.user.modals.empty());
    EXPECT_NE(bench.kernel.Find(test::kAgentCaption), nullptr);
    EXPECT_EQ(bench.kernel.Find("Decoy Agent"), nullptr);
    bench.Tick();
    EXPECT_TRUE(bench.shell.iconShown);
    bench.Insert(1, "VRCARD000042", 'G', 0x11);
    bench.Tick();
    EXPECT_EQ(bench.PhotoStarts(), 1);
    EXPECT_TRUE(bench.user.modals.empty());
    EXPECT_EQ(bench.registry.GetString(RegRoot::CurrentUser, schema::kCardStatusKey, "SerialNo"),
              "VRCARD000042");
    EXPECT_EQ(bench.registry.GetNumber(RegRoot::CurrentUser, schema::kCardStatusKey, "ExtendStatus"),
              0x11u);
    // The first-run writes were refused and nothing reached either view.
    EXPECT_FALSE(bench.registry.GetString(kHklm, kAgentKey, "PATH1"));
    EXPECT_FALSE(bench.registry.GetString(RegView::Native, kHklm, kAgentKey, "PATH1"));
    EXPECT_EQ(bench.registry.OpenHandles(), 0u);
}

TEST(AgentStartup, FirstRunWritesLandInTheThirtyTwoBitViewOnly) {
    AgentBench bench;
    bench.SetCaption();
    bench.registry.PutString(RegView::Native, kHklm, kAgentKey, "PATH1", "C:\\Decoy.exe");
    ASSERT_NE(bench.Start(), nullptr);
    for (const char* value : kSlotValues)
        EXPECT_EQ(bench.registry.GetString(RegView::Wow32, kHklm, kAgentKey, value), TXT_NOT_REGISTERED);
    EXPECT_EQ(bench.registry.GetNumber(RegView::Wow32, kHklm, kAgentKey, "DirectExec"), 0u);
    EXPECT_EQ(bench.registry.GetString(RegView::Native, kHklm, kAgentKey, "PATH1"), "C:\\Decoy.exe");
    EXPECT_EQ(bench.registry.ValueCount(kHklm, kAgentKey), 17u);  // CAPTION, fifteen, DirectExec
}

// ---- Menu commands ----

TEST(AgentMenu, VersionBoxIsShownOnceAndASecondRequestBringsItForward) {
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    AgentWindow& agent = *bench.window;
    int inner = 0;
    bench.user.modalScript = [&](WindowBase& dialog, int templateId) {
        EXPECT_EQ(templateId, IDD_ABOUT);
        EXPECT_EQ(bench.user.OpsOf(dialog)->topMost, 1);  // made top-most at its start
        // The box over the agent window comes forward with the keyboard; where Windows
        // refuses (another program asked), it flashes.
        bench.user.Send(agent, wm::kCommand, ID_MENU_ABOUT);
        EXPECT_EQ(bench.user.OpsOf(agent)->flashes, 0);
        bench.user.foregroundRefused = true;
        bench.user.Send(agent, wm::kCommand, ID_MENU_ABOUT);
        EXPECT_EQ(bench.user.OpsOf(agent)->flashes, 1);
        bench.user.foregroundRefused = false;
        ++inner;
        return kIdCancel;
    };
    bench.user.Send(agent, wm::kCommand, ID_MENU_ABOUT);
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(bench.user.modals.size(), 1u);
    EXPECT_EQ(bench.user.OpsOf(agent)->raised, 2);

    bench.user.Send(agent, wm::kCommand, ID_MENU_UNUSED_1);
    bench.user.Send(agent, wm::kCommand, ID_MENU_UNUSED_2);
    EXPECT_EQ(bench.user.modals.size(), 1u);
    // A run that ended without OK or Cancel (a box that could not be shown) does
    // not lock the box out either.
    bench.user.modalScript = [](WindowBase&, int) { return -1; };
    bench.user.Send(agent, wm::kCommand, ID_MENU_ABOUT);
    EXPECT_EQ(bench.user.modals.size(), 2u);
    bench.user.modalScript = nullptr;
    bench.user.Send(agent, wm::kCommand, ID_MENU_ABOUT);
    EXPECT_EQ(bench.user.modals.size(), 3u);
}

TEST(AgentMenu, EndCommandRemovesTheIconAndEndsTheLoop) {
    AgentBench bench;
    bench.SetCaption();
    bench.InstallPhotoApp();
    ASSERT_NE(bench.Start(), nullptr);
    bench.Tick();
    // A card whose query is still out when the agent ends: its answer finds no window.
    bench.holdReader = true;
    bench.Insert(0, "LATE");
    bench.Tick();
    ASSERT_EQ(bench.readerExecutor.Waiting(), 1u);
    bench.user.Send(*bench.window, wm::kCommand, ID_MENU_EXIT);
    EXPECT_TRUE(bench.user.OpsOf(*bench.window)->timers.empty());
    bench.user.PumpPosted();  // WM_CLOSE: destroyed, deleted
    bench.window = nullptr;
    bench.readerExecutor.RunAll(bench.user);
    EXPECT_EQ(bench.readerExecutor.Unclaimed(), 0u);
    EXPECT_EQ(bench.PhotoStarts(), 0);
    EXPECT_TRUE(bench.user.quitPosted);
    EXPECT_EQ(bench.shell.notifications.back().message, kNimDelete);
    EXPECT_EQ(bench.shell.notifications.back().data.flags, kNifMessage);
    EXPECT_EQ(bench.app->Shutdown(), 0);
    EXPECT_EQ(bench.kernel.OpenHandles(), 0u);
}

TEST(AgentMenu, EndCommandInsideABoxEndsCleanlyWithoutTouchingTheGoneWindow) {
    AgentBench bench;
    bench.SetCaption();
    bench.InstallPhotoApp();
    bench.registry.Remove(schema::kPhotoAppRoot, schema::kPhotoAppKey, "CAPTION");
    ASSERT_NE(bench.Start(), nullptr);
    AgentWindow* agent = bench.window;
    bench.Tick();
    bench.user.modalScript = [&](WindowBase&, int) {
        // The user ends the agent from the tray menu while the box is up.
        bench.user.Send(*agent, wm::kCommand, ID_MENU_EXIT);
        bench.user.PumpPosted();
        return 0;  // the box's loop ended by the quit
    };
    bench.Insert(0, "CARD");
    bench.window = nullptr;  // gone by the end of this tick
    bench.user.Send(*agent, wm::kTimer, AgentWindow::kCardWatchTimer);
    bench.user.PumpPosted();  // the tick's answer
    // Ran to its end on a live object (the sanitizer would see a use after free),
    // and nothing was added or shown after the window's destruction.
    EXPECT_TRUE(bench.user.quitPosted);
    EXPECT_EQ(bench.shell.notifications.back().message, kNimDelete);
    EXPECT_EQ(bench.user.modals.size(), 1u);
    EXPECT_EQ(bench.app->Shutdown(), 0);
}

TEST(AgentMenu, RightClickShowsTheTrayMenuAtTheCursor) {
    AgentBench bench;
    bench.SetCaption();
    ASSERT_NE(bench.Start(), nullptr);
    bench.user.cursor = {700, 580};
    bench.user.Send(*bench.window, TrayIconWindow::kTrayCallbackMessage, 100, wm::kRButtonDown);
    EXPECT_TRUE(bench.user.menus.empty());
    bench.user.Send(*bench.window, TrayIconWindow::kTrayCallbackMessage, 100, wm::kRButtonUp);
    bench.user.PumpPosted();
    ASSERT_EQ(bench.user.menus.size(), 1u);
    EXPECT_EQ(bench.user.menus[0].menuId, IDR_TRAY_MENU);
    EXPECT_EQ(bench.user.menus[0].owner, bench.window->Handle());
    EXPECT_EQ(bench.user.menus[0].at.x, 700);
    EXPECT_EQ(bench.user.menus[0].at.y, 580);
    // Another icon's callback, and timer ids other than the two, do nothing.
    bench.user.Send(*bench.window, TrayIconWindow::kTrayCallbackMessage, 101, wm::kRButtonUp);
    bench.user.Send(*bench.window, wm::kTimer, 6);
    bench.user.PumpPosted();
    EXPECT_EQ(bench.user.menus.size(), 1u);
    EXPECT_TRUE(bench.shell.notifications.empty());
}

}  // namespace
}  // namespace kardello
