// The Win32 window layer on Wine: binding and message tables, modal runs and their
// results, the end of the program inside a modal run, dialog controls, painting and
// owner drawing, the Open-file dialog, and the resource, shell, system and kernel
// services.

#include "platform/win32/WinApi.h"

#include <commdlg.h>
#include <objbase.h>
#include <dbt.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "WindowLayerIds.h"
#include "agentctl/Driving.h"
#include "platform/Canvas.h"
#include "platform/win32/CriticalErrors.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Kernel.h"
#include "platform/win32/Win32Executor.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32User.h"

namespace kardello {
namespace {

constexpr std::uint32_t kCommandId = 1001;
constexpr std::uint32_t kUnhandledCommandId = 1002;
constexpr const char* kTitle = "Kardello layer test";

HWND Hwnd(const WindowBase& window) { return reinterpret_cast<HWND>(window.Handle()); }

// Delivers the thread's messages until `done` holds or `ms` pass. A quit is left for the loop it is meant for.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

bool QuitWaiting() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// Ends a modal run that would otherwise hang the suite.
bool watchdogFired = false;
void CALLBACK Bark(HWND, UINT, UINT_PTR, DWORD) {
    watchdogFired = true;
    PostQuitMessage(99);
}
class Watchdog {
public:
    Watchdog() : id_(SetTimer(nullptr, 0, 5000, Bark)) {}
    ~Watchdog() { KillTimer(nullptr, id_); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    UINT_PTR id_;
};

class TestWindow : public WindowBase {
public:
    ~TestWindow() override {
        if (HasWindow()) DestroyWindow(Hwnd(*this));
    }
    std::uint32_t registeredMessage = 0;
    std::function<std::intptr_t()> onCreate;
    std::function<void(std::uint32_t)> onTimer;
    std::function<void()> onCommand;
    std::vector<std::uint32_t> seen;
    std::vector<std::uint32_t> ticks;
    std::vector<std::intptr_t> params;
    std::vector<DeviceChange> deviceChanges;
    bool boundAtCreate = false;
    int finalDestroys = 0;
    static constexpr std::uint32_t kJobDone = WM_APP + 3;
    IExecutor* executor = nullptr;
    std::vector<std::pair<DWORD, APTTYPE>> jobs;  // each job's thread and COM apartment

protected:
    KARDELLO_BEGIN_MESSAGES(TestWindow)
        KARDELLO_MESSAGE(wm::kCreate, OnCreate)
        KARDELLO_TIMER(OnTimer)
        KARDELLO_MESSAGE(wm::kUser, OnUser)
        KARDELLO_MESSAGE(wm::kDeviceChange, OnDeviceChange)
        KARDELLO_CLICK(kCommandId, OnCommand)
        KARDELLO_REGISTERED(registeredMessage, OnRegistered)
        KARDELLO_RESULT(kJobDone, executor, OnJobDone)
    KARDELLO_END_MESSAGES(nullptr)
    void OnFinalDestroy() override { ++finalDestroys; }

private:
    std::intptr_t OnCreate() {
        seen.push_back(WM_CREATE);
        boundAtCreate = HasWindow() && Handle() != nullptr;
        return onCreate ? onCreate() : 0;
    }
    void OnTimer(std::uint32_t id) {
        ticks.push_back(id);
        if (onTimer) onTimer(id);
    }
    std::intptr_t OnUser(std::uintptr_t wParam, std::intptr_t lParam) {
        seen.push_back(WM_USER);
        params.push_back(static_cast<std::intptr_t>(wParam));
        params.push_back(lParam);
        return 0;
    }
    void OnCommand() {
        seen.push_back(WM_COMMAND);
        if (onCommand) onCommand();
    }
    std::intptr_t OnRegistered(std::uintptr_t wParam, std::intptr_t lParam) {
        seen.push_back(registeredMessage);
        return static_cast<std::intptr_t>(wParam) + lParam;
    }
    void OnDeviceChange(const DeviceChange& change) { deviceChanges.push_back(change); }
    void OnJobDone(std::pair<DWORD, APTTYPE> job) {
        seen.push_back(kJobDone);
        jobs.push_back(job);
    }

public:
    // Where a job ran: its thread and COM apartment.
    void SubmitJob() {
        executor->Submit(Handle(), kJobDone, [] {
            APTTYPE type = APTTYPE_CURRENT;
            APTTYPEQUALIFIER qualifier{};
            if (FAILED(CoGetApartmentType(&type, &qualifier))) type = APTTYPE_CURRENT;
            return std::make_pair(GetCurrentThreadId(), type);
        });
    }
};

// A box with no code of its own: the dialog manager's defaults decide its result.
class PlainBox : public WindowBase {
public:
    int finalDestroys = 0;

protected:
    KARDELLO_NO_MESSAGES()
    void OnFinalDestroy() override { ++finalDestroys; }
};

class ScriptedBox : public WindowBase {
public:
    std::function<void()> onInit;
    std::function<void(std::uint32_t)> onTimer;
    int inits = 0;
    int cancels = 0;
    int finalDestroys = 0;

protected:
    KARDELLO_BEGIN_MESSAGES(ScriptedBox)
        KARDELLO_MESSAGE(wm::kInitDialog, OnInitDialog)
        KARDELLO_TIMER(OnTimer)
        KARDELLO_CLICK(IDCANCEL, OnCancel)
    KARDELLO_END_MESSAGES(nullptr)
    void OnFinalDestroy() override { ++finalDestroys; }

private:
    std::intptr_t OnInitDialog() {
        ++inits;
        if (onInit) onInit();
        return TRUE;
    }
    void OnTimer(std::uint32_t id) {
        if (onTimer) onTimer(id);
    }
    void OnCancel() {
        ++cancels;
        Ops()->EndDialog(7);
    }
};

class WindowLayer : public ::testing::Test {
protected:
    void SetUp() override { watchdogFired = false; }
    void TearDown() override {
        EXPECT_FALSE(watchdogFired) << "a modal run had to be ended by the watchdog";
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Runs the test box modally; a second window's timer does `act` once the box is up.
    int RunDriven(WindowBase& box, const std::function<void(HWND)>& act) {
        TestWindow driver;
        if (!user.CreateHiddenToolWindow(driver, kTitle)) return -100;
        bool acted = false;
        driver.onTimer = [&](std::uint32_t) {
            if (acted || !box.HasWindow()) return;
            acted = true;
            act(Hwnd(box));
        };
        driver.Ops()->SetTimer(1, 30);
        Watchdog dog;
        return user.RunModal(box, IDD_LAYER_BOX, nullptr);
    }

    Win32User user;
};

// ---- Windows and their message tables ----

TEST_F(WindowLayer, HiddenToolWindowIsBoundAndMessagesReachTypedHandlers) {
    TestWindow window;
    window.registeredMessage = user.RegisterMessage("Kardello layer test message");
    EXPECT_GE(window.registeredMessage, 0xC000u);
    EXPECT_EQ(user.RegisterMessage("Kardello layer test message"), window.registeredMessage);
    EXPECT_EQ(user.RegisterMessage(nullptr), 0u);

    ASSERT_TRUE(user.CreateHiddenToolWindow(window, kTitle));
    EXPECT_FALSE(user.CreateHiddenToolWindow(window, kTitle)) << "a bound object is bound once";
    EXPECT_TRUE(window.boundAtCreate);
    const HWND hwnd = Hwnd(window);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window.Ops()->Handle(), window.Handle());

    char text[64] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, kTitle);
    GetClassNameA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, kTitle);
    EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_EQ(GetMenu(hwnd), nullptr);
    EXPECT_EQ(GetClassLongPtrA(hwnd, GCL_STYLE), 0u);
    EXPECT_EQ(GetClassLongPtrA(hwnd, GCLP_HCURSOR), 0u);
    EXPECT_EQ(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(GetClassLongPtrA(hwnd, GCLP_HICON), 0u);

    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kCommandId, 0), 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kUnhandledCommandId, 0), 0), 0);
    EXPECT_EQ(SendMessageA(hwnd, window.registeredMessage, 20, 22), 42)
        << "the handler's result is the message's";
    window.Ops()->Post(wm::kUser, 7, -8);
    window.onTimer = [&](std::uint32_t) {
        if (window.ticks.size() == 3) window.Ops()->KillTimer(5);
    };
    ASSERT_TRUE(window.Ops()->SetTimer(5, 10));
    ASSERT_TRUE(PumpUntil([&] { return window.ticks.size() >= 3; }));
    PumpUntil([] { return false; }, 150);

    EXPECT_EQ(window.ticks, (std::vector<std::uint32_t>{5, 5, 5})) << "killed timers stop";
    EXPECT_EQ(window.seen,
              (std::vector<std::uint32_t>{WM_CREATE, WM_COMMAND, window.registeredMessage,
                                          WM_USER}));
    EXPECT_EQ(window.params, (std::vector<std::intptr_t>{7, -8}));

    // Work done elsewhere comes back through the table, in order, from one worker in a
    // single-threaded COM apartment; a forged ticket brings nothing.
    Win32Executor executor;
    window.executor = &executor;
    window.seen.clear();
    window.SubmitJob();
    window.SubmitJob();
    SendMessageA(hwnd, TestWindow::kJobDone, 0, 1000);
    ASSERT_TRUE(PumpUntil([&] { return window.jobs.size() >= 2; }));
    EXPECT_EQ(window.seen, (std::vector<std::uint32_t>{TestWindow::kJobDone, TestWindow::kJobDone}));
    ASSERT_EQ(window.jobs.size(), 2u);
    EXPECT_NE(window.jobs[0].first, GetCurrentThreadId());
    EXPECT_EQ(window.jobs[0].first, window.jobs[1].first);
    // The process's first single-threaded apartment is its main one.
    EXPECT_TRUE(window.jobs[0].second == APTTYPE_STA || window.jobs[0].second == APTTYPE_MAINSTA)
        << window.jobs[0].second;
}

// What Windows broadcasts when media comes and goes, cracked from the structure it
// carries, which is read no further than its own size says.
TEST_F(WindowLayer, DeviceChangeIsAnsweredTrueAndItsVolumeCracked) {
    TestWindow window;
    ASSERT_TRUE(user.CreateHiddenToolWindow(window, kTitle));
    const HWND hwnd = Hwnd(window);
    auto volume = [](WORD flags) {
        DEV_BROADCAST_VOLUME v{};
        v.dbcv_size = sizeof v;
        v.dbcv_devicetype = DBT_DEVTYP_VOLUME;
        v.dbcv_unitmask = 1u << ('G' - 'A');
        v.dbcv_flags = flags;
        return v;
    };
    DEV_BROADCAST_VOLUME card = volume(DBTF_MEDIA), drive = volume(0), shortOne = volume(DBTF_MEDIA);
    shortOne.dbcv_size = offsetof(DEV_BROADCAST_VOLUME, dbcv_flags);  // no room for the flags
    DEV_BROADCAST_HDR port{sizeof port, DBT_DEVTYP_PORT, 0};
    auto send = [&](WPARAM event, const void* data) {
        return SendMessageA(hwnd, WM_DEVICECHANGE, event,
                            reinterpret_cast<LPARAM>(const_cast<void*>(data)));
    };
    EXPECT_EQ(send(DBT_DEVICEARRIVAL, &card), TRUE);
    EXPECT_EQ(send(DBT_DEVICEREMOVECOMPLETE, &card), TRUE);
    EXPECT_EQ(send(DBT_DEVICEARRIVAL, &drive), TRUE);
    EXPECT_EQ(send(DBT_DEVICEARRIVAL, &shortOne), TRUE);
    EXPECT_EQ(send(DBT_DEVICEARRIVAL, &port), TRUE);
    EXPECT_EQ(send(DBT_DEVICEARRIVAL, nullptr), TRUE);
    EXPECT_EQ(send(DBT_DEVICEQUERYREMOVE, &card), TRUE) << "a removal query is granted";
    EXPECT_EQ(send(DBT_DEVNODES_CHANGED, nullptr), TRUE);

    ASSERT_EQ(window.deviceChanges.size(), 8u);
    const struct {
        std::uint32_t event;
        bool volume, media, mediaChange;
    } expected[] = {
        {DBT_DEVICEARRIVAL, true, true, true},     {DBT_DEVICEREMOVECOMPLETE, true, true, true},
        {DBT_DEVICEARRIVAL, true, false, false},   {DBT_DEVICEARRIVAL, false, false, false},
        {DBT_DEVICEARRIVAL, false, false, false},  {DBT_DEVICEARRIVAL, false, false, false},
        {DBT_DEVICEQUERYREMOVE, false, false, false}, {DBT_DEVNODES_CHANGED, false, false, false},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const DeviceChange& seen = window.deviceChanges[i];
        EXPECT_EQ(seen.event, expected[i].event) << i;
        EXPECT_EQ(seen.volume, expected[i].volume) << i;
        EXPECT_EQ(seen.media, expected[i].media) << i;
        EXPECT_EQ(seen.IsMediaChange(), expected[i].mediaChange) << i;
    }
}

TEST_F(WindowLayer, DestructionUnbindsOnceAndTheMainWindowEndsTheLoop) {
    TestWindow failing;
    failing.onCreate = [] { return -1; };
    EXPECT_FALSE(user.CreateHiddenToolWindow(failing, kTitle));
    EXPECT_EQ(failing.finalDestroys, 1) << "a failed creation still ends with the final message";
    EXPECT_FALSE(failing.HasWindow());
    EXPECT_EQ(failing.Ops(), nullptr);

    TestWindow plain;
    ASSERT_TRUE(user.CreateHiddenToolWindow(plain, kTitle));
    DestroyWindow(Hwnd(plain));
    EXPECT_EQ(plain.finalDestroys, 1);
    EXPECT_EQ(plain.Ops(), nullptr);
    EXPECT_EQ(plain.Handle(), nullptr);
    EXPECT_FALSE(QuitWaiting()) << "only the main window's end posts the quit";

    TestWindow main;
    ASSERT_TRUE(user.CreateHiddenToolWindow(main, kTitle));
    EXPECT_EQ(user.MainWindow(), nullptr);
    user.SetMainWindow(&main);
    EXPECT_EQ(user.MainWindow(), &main);
    PostMessageA(Hwnd(main), WM_COMMAND, kCommandId, 0);
    main.onCommand = [&] { PostMessageA(Hwnd(main), WM_CLOSE, 0, 0); };
    Watchdog dog;
    EXPECT_EQ(user.RunMessageLoop(), 0) << "WM_CLOSE's default destroyed the main window";
    EXPECT_EQ(main.finalDestroys, 1);
    EXPECT_EQ(user.MainWindow(), nullptr) << "forgotten at its end";

    PlainBox late;
    EXPECT_EQ(user.RunModal(late, IDD_LAYER_BOX, nullptr), -1) << "nothing shows once ending";
    EXPECT_EQ(late.Ops(), nullptr);
}

// ---- Modal runs ----

struct BoxAction {
    const char* name;
    std::function<void(HWND)> act;
    int expected;
};

TEST_F(WindowLayer, BoxWithoutCodeEndsWithOkOrCancelAsTheDialogManagerDoes) {
    auto key = [](WPARAM vk) {
        return [vk](HWND box) {
            HWND focus = GetFocus();
            PostMessageA(focus != nullptr ? focus : box, WM_KEYDOWN, vk, 0);
        };
    };
    auto click = [](int id) {
        return [id](HWND box) { SendMessageA(GetDlgItem(box, id), BM_CLICK, 0, 0); };
    };
    const BoxAction actions[] = {
        {"Enter", key(VK_RETURN), IDOK},
        {"Esc", key(VK_ESCAPE), IDCANCEL},
        {"OK button", click(IDOK), IDOK},
        {"Cancel button", click(IDCANCEL), IDCANCEL},
        {"close box", [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {"WM_CLOSE", [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }, IDCANCEL},
    };
    for (const BoxAction& action : actions) {
        PlainBox box;
        EXPECT_EQ(RunDriven(box, action.act), action.expected) << action.name;
        EXPECT_EQ(box.finalDestroys, 1) << action.name;
        EXPECT_EQ(box.Ops(), nullptr) << action.name;
    }
}

TEST_F(WindowLayer, BoxTableTakesPrecedenceAndItsOperationsWork) {
    // Esc reaches the table's IDCANCEL handler, whose result wins over the default.
    ScriptedBox cancelled;
    EXPECT_EQ(RunDriven(cancelled, [](HWND box) { PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0); }),
              7);
    EXPECT_EQ(cancelled.cancels, 1);

    // The box's own timer, top-most band and foreground, then its own end.
    ScriptedBox timed;
    bool topMost = false, foreground = false;
    int ticks = 0;
    timed.onInit = [&] {
        timed.Ops()->MakeTopMost();
        timed.Ops()->SetForeground();
        topMost = (GetWindowLongPtrA(Hwnd(timed), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        EXPECT_TRUE(timed.Ops()->SetTimer(3, 10));
    };
    timed.onTimer = [&](std::uint32_t id) {
        EXPECT_EQ(id, 3u);
        foreground = GetForegroundWindow() == Hwnd(timed);
        if (++ticks == 3) timed.Ops()->EndDialog(42);
    };
    Watchdog dog;
    EXPECT_EQ(user.RunModal(timed, IDD_LAYER_BOX, nullptr), 42);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(topMost);
    EXPECT_TRUE(foreground);
    EXPECT_EQ(timed.finalDestroys, 1);

    ScriptedBox missing;
    EXPECT_EQ(user.RunModal(missing, IDD_MISSING, nullptr), -1);
    EXPECT_EQ(user.RunModal(missing, -3, nullptr), -1);
    EXPECT_EQ(missing.inits, 0);
    EXPECT_EQ(missing.Ops(), nullptr);
}

TEST_F(WindowLayer, OtherWindowsKeepTickingDuringAModalRun) {
    TestWindow agent;
    ASSERT_TRUE(user.CreateHiddenToolWindow(agent, kTitle));
    PlainBox box;
    int ticksDuringRun = 0;
    agent.onTimer = [&](std::uint32_t) {
        if (!box.HasWindow()) return;
        agent.Ops()->Post(wm::kUser, 0, ++ticksDuringRun);
        if (ticksDuringRun == 5) box.Ops()->EndDialog(IDOK);
    };
    agent.Ops()->SetTimer(1, 10);
    Watchdog dog;
    EXPECT_EQ(user.RunModal(box, IDD_LAYER_BOX, nullptr), IDOK);
    EXPECT_EQ(ticksDuringRun, 5);
    EXPECT_GE(agent.params.size(), 8u) << "posted messages are delivered inside the run";
}

// ---- The end of the program inside a modal run ----

TEST_F(WindowLayer, MainWindowDestroyedInsideItsOwnModalRunFinishesAfterTheHandler) {
    TestWindow agent;
    ASSERT_TRUE(user.CreateHiddenToolWindow(agent, kTitle));
    user.SetMainWindow(&agent);
    const HWND agentHwnd = Hwnd(agent);

    // The box is owned by the agent; the agent goes while the box is up.
    ScriptedBox box;
    box.onInit = [&] { box.Ops()->SetTimer(1, 20); };
    box.onTimer = [&](std::uint32_t) { DestroyWindow(agentHwnd); };
    int result = -2, finalDestroysInHandler = -1;
    bool boundToInertOps = false, timerRefused = false, handleGone = false, inertDefaults = false;
    agent.onCommand = [&] {
        result = user.RunModal(box, IDD_LAYER_BOX, agent.Handle());
        IWindowOps* ops = agent.Ops();
        boundToInertOps = ops != nullptr && !ops->Alive() && !agent.HasWindow();
        timerRefused = ops != nullptr && !ops->SetTimer(2, 10);
        handleGone = ops != nullptr && ops->Handle() == nullptr;
        if (ops != nullptr) {
            ops->Post(wm::kUser, 0, 0);
            ops->RaiseAndActivate();
            ops->EndDialog(1);
            ops->SetPos(ZOrder::TopMost, 1, 2, 3, 4, 0);
            ops->RedrawNow();
            DRAWITEMSTRUCT item{};
            DrawItemRequest request;
            auto canvas = ops->BeginPaint();
            inertDefaults = !ops->CrackDrawItem(reinterpret_cast<LPARAM>(&item), request) &&
                            canvas != nullptr;
            if (canvas) canvas->DrawText("nothing", Rect{0, 0, 10, 10}, kDtLeft);
        }
        finalDestroysInHandler = agent.finalDestroys;
    };
    Watchdog dog;
    SendMessageA(agentHwnd, WM_COMMAND, kCommandId, 0);

    EXPECT_EQ(result, 0) << "a run ended by its owner's end has no result of its own";
    EXPECT_EQ(box.finalDestroys, 1);
    EXPECT_TRUE(boundToInertOps);
    EXPECT_TRUE(timerRefused);
    EXPECT_TRUE(handleGone);
    EXPECT_TRUE(inertDefaults) << "a window that is gone lends no context";
    EXPECT_EQ(finalDestroysInHandler, 0) << "the final hook waits for the outermost handler";
    EXPECT_EQ(agent.finalDestroys, 1);
    EXPECT_EQ(agent.Ops(), nullptr);
    EXPECT_FALSE(IsWindow(agentHwnd));

    ScriptedBox late;
    EXPECT_EQ(user.RunModal(late, IDD_LAYER_BOX, nullptr), -1);
    EXPECT_EQ(late.inits, 0);
    EXPECT_TRUE(QuitWaiting()) << "the quit survives the modal run";
    EXPECT_EQ(user.RunMessageLoop(), 0);
}

TEST_F(WindowLayer, QuitPostedInsideAModalRunEndsItAndReachesTheMainLoop) {
    ScriptedBox box;
    box.onInit = [&] { box.Ops()->SetTimer(1, 20); };
    box.onTimer = [&](std::uint32_t) {
        box.Ops()->KillTimer(1);
        PostQuitMessage(3);
    };
    Watchdog dog;
    EXPECT_EQ(user.RunModal(box, IDD_LAYER_BOX, nullptr), 0);
    EXPECT_EQ(box.finalDestroys, 1);
    PlainBox late;
    EXPECT_EQ(user.RunModal(late, IDD_LAYER_BOX, nullptr), -1) << "a quit posted by anyone counts";
    EXPECT_EQ(user.RunMessageLoop(), 3);
}

TEST_F(WindowLayer, BoxEndsWithItsOwnerWindow) {
    TestWindow owner;
    ASSERT_TRUE(user.CreateHiddenToolWindow(owner, kTitle));
    const HWND ownerHwnd = Hwnd(owner);
    ScriptedBox box;
    box.onInit = [&] { box.Ops()->SetTimer(1, 20); };
    box.onTimer = [&](std::uint32_t) { DestroyWindow(ownerHwnd); };
    Watchdog dog;
    EXPECT_EQ(user.RunModal(box, IDD_LAYER_BOX, owner.Handle()), 0);
    EXPECT_EQ(box.finalDestroys, 1);
    EXPECT_EQ(owner.finalDestroys, 1);
    EXPECT_FALSE(QuitWaiting());
    PlainBox next;
    EXPECT_EQ(RunDriven(next, [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }), IDCANCEL)
        << "without a quit, boxes still show";
}

// ---- Owners ----

// What a box shown without a parent sees once it is up: its owner, and whether that
// owner is enabled; then `inside` runs, and the box ends.
struct OwnerSeen {
    HWND owner = reinterpret_cast<HWND>(-1);
    bool ownerEnabled = true;
};
void LookThenEnd(Win32User& user, ScriptedBox& box, OwnerSeen& seen,
                 const std::function<void()>& inside = nullptr) {
    box.onInit = [&box] { box.Ops()->SetTimer(1, 20); };
    box.onTimer = [&box, &seen, inside](std::uint32_t) {
        box.Ops()->KillTimer(1);
        seen.owner = GetWindow(Hwnd(box), GW_OWNER);
        seen.ownerEnabled = seen.owner != nullptr && IsWindowEnabled(seen.owner);
        if (inside) inside();
        box.Ops()->EndDialog(IDOK);
    };
    EXPECT_EQ(user.RunModal(box, IDD_LAYER_BOX, nullptr), IDOK);
}

TEST_F(WindowLayer, BoxWithoutParentBelongsToTheMainWindowsLastActivePopup) {
    Watchdog dog;
    ScriptedBox loose;
    OwnerSeen looseSeen;
    LookThenEnd(user, loose, looseSeen);
    EXPECT_EQ(looseSeen.owner, nullptr) << "no main window: no owner, as Windows gives";

    // Shown by a window's creation handling, before anything is the main window.
    TestWindow agent;
    ScriptedBox early;
    OwnerSeen earlySeen;
    agent.onCreate = [&] {
        LookThenEnd(user, early, earlySeen);
        return 0;
    };
    ASSERT_TRUE(user.CreateHiddenToolWindow(agent, kTitle));
    const HWND agentHwnd = Hwnd(agent);
    EXPECT_EQ(earlySeen.owner, agentHwnd);
    EXPECT_FALSE(earlySeen.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(agentHwnd));
    TestWindow other;
    ASSERT_TRUE(user.CreateHiddenToolWindow(other, kTitle));

    user.SetMainWindow(&agent);
    ScriptedBox outer, inner, next;
    OwnerSeen outerSeen, innerSeen, nextSeen;
    HWND outerHwnd = nullptr;
    bool outerEnabledAfterInner = false;
    LookThenEnd(user, outer, outerSeen, [&] {
        outerHwnd = Hwnd(outer);
        SetForegroundWindow(agentHwnd);  // as a tray menu does: activation does not decide
        LookThenEnd(user, inner, innerSeen);
        outerEnabledAfterInner = IsWindowEnabled(outerHwnd) != FALSE;
        LookThenEnd(user, next, nextSeen);
    });
    EXPECT_EQ(outerSeen.owner, agentHwnd) << "the hidden main window, whatever else exists";
    EXPECT_FALSE(outerSeen.ownerEnabled);
    EXPECT_EQ(innerSeen.owner, outerHwnd) << "a box shown from a box belongs to it";
    EXPECT_FALSE(innerSeen.ownerEnabled);
    EXPECT_TRUE(outerEnabledAfterInner);
    EXPECT_EQ(nextSeen.owner, outerHwnd) << "the outer box is the innermost one again";
    EXPECT_TRUE(IsWindowEnabled(agentHwnd));

    ScriptedBox last;
    OwnerSeen lastSeen;
    LookThenEnd(user, last, lastSeen);
    EXPECT_EQ(lastSeen.owner, agentHwnd) << "the closed boxes are forgotten";
    user.SetMainWindow(nullptr);
}

// ---- Resources, boxes and menus ----

class BitmapOwner {
public:
    explicit BitmapOwner(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~BitmapOwner() {
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
    }
    BitmapOwner(const BitmapOwner&) = delete;
    BitmapOwner& operator=(const BitmapOwner&) = delete;
    HBITMAP get() const { return bitmap_; }

private:
    HBITMAP bitmap_;
};

TEST_F(WindowLayer, StringsAndIconsComeFromTheProgramsResources) {
    EXPECT_EQ(user.LoadString(IDS_LAYER_ACCENTED), "Inicialización");
    const std::string longText = user.LoadString(IDS_LAYER_LONG);
    EXPECT_EQ(longText.size(), 601u) << "no cut at any buffer size";
    EXPECT_EQ(longText.substr(590), "0123456789!");
    EXPECT_EQ(user.LoadString(IDS_LAYER_MISSING), "");
    EXPECT_EQ(user.LoadString(-1), "");
    EXPECT_EQ(user.LoadString(0x10000 + IDS_LAYER_ACCENTED), "");

    EXPECT_EQ(user.IconPixels(IconSize::Large), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(user.IconPixels(IconSize::Small), GetSystemMetrics(SM_CXSMICON));
    const IconHandle icon = user.LoadIcon(IDI_LAYER, IconSize::Small);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(user.LoadIcon(IDI_LAYER, IconSize::Small), icon) << "loaded once";
    // Each size is an icon of its own, made at that size.
    const IconHandle large = user.LoadIcon(IDI_LAYER, IconSize::Large);
    ASSERT_NE(large, nullptr);
    EXPECT_NE(large, icon);
    for (auto [loaded, size] : {std::pair{icon, IconSize::Small}, std::pair{large, IconSize::Large}}) {
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(loaded), &info));
        BitmapOwner color(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        GetObjectA(color.get(), sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, user.IconPixels(size));
    }
    EXPECT_EQ(user.LoadIcon(IDI_LAYER + 1, IconSize::Small), nullptr);
    EXPECT_EQ(user.LoadIcon(-7, IconSize::Large), nullptr);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(user.SystemDpi(), GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);

    EXPECT_EQ(user.DoubleClickTime(), GetDoubleClickTime());
    // The display server may take a moment to move the pointer, and Wine refuses to move
    // it while another window of the bench holds the pointer: asked again until it moves.
    Point at{};
    driving::WaitFor([&] {
        SetCursorPos(123, 234);
        at = user.CursorPos();
        return at.x == 123 && at.y == 234;
    }, 10000);
    EXPECT_EQ(at.x, 123);
    EXPECT_EQ(at.y, 234);
}

// The program's texts are Spanish: its dialogs and its fonts draw them in a Western
// font whatever the code page. Where the face has its Western form (the bench's own
// code page, or UTF-8) nothing changes; a Cyrillic system's "MS Sans Serif" has none,
// and a Western face of the same size stands in for it.
TEST_F(WindowLayer, DialogsAndCreatedFontsDrawSpanishInAnyCodePage) {
    const bool westernFace = GetACP() == 1252 || GetACP() == CP_UTF8;
    std::cout << "[ wine     ] code page " << GetACP() << std::endl;
    auto faceAndCharset = [](HFONT font, std::wstring& face) {
        HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ previous = SelectObject(dc, font);
        wchar_t name[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, name);
        const int charset = GetTextCharset(dc);
        SelectObject(dc, previous);
        DeleteDC(dc);
        face = name;
        return charset;
    };
    ScriptedBox box;
    box.onInit = [&] {
        // What the controls draw their texts in.
        HWND hwnd = Hwnd(box);
        int controls = 0;
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++controls) {
            std::wstring face;
            EXPECT_EQ(faceAndCharset(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), face),
                      ANSI_CHARSET);
            EXPECT_EQ(face == L"MS Sans Serif", westernFace);
        }
        EXPECT_EQ(controls, 2);
        box.Ops()->EndDialog(IDOK);
    };
    EXPECT_EQ(user.RunModal(box, IDD_LAYER_BOX, nullptr), IDOK);
    EXPECT_EQ(box.inits, 1);

    HDC screen = GetDC(nullptr);
    Win32Canvas canvas(screen, Rect{0, 0, 10, 10});
    FontRequest request;
    request.height = 12;
    request.face = "MS Sans Serif";
    const GdiHandle created = canvas.CreateFont(request);
    ASSERT_NE(created, nullptr);
    std::wstring face;
    EXPECT_EQ(faceAndCharset(reinterpret_cast<HFONT>(created), face), ANSI_CHARSET);
    EXPECT_EQ(face == L"MS Sans Serif", westernFace);
    canvas.DeleteObject(created);
    ReleaseDC(nullptr, screen);
}

TEST_F(WindowLayer, MessageBoxAndPopupMenuAreShownForTheirOwner) {
    TestWindow owner;
    ASSERT_TRUE(user.CreateHiddenToolWindow(owner, kTitle));
    HWND shownBox = nullptr, boxOwner = nullptr;
    owner.onTimer = [&](std::uint32_t) {
        HWND box = FindWindowA("#32770", "Layer title");
        if (box == nullptr || shownBox != nullptr) return;
        shownBox = box;
        boxOwner = GetWindow(box, GW_OWNER);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    };
    owner.Ops()->SetTimer(1, 30);
    {
        Watchdog dog;
        EXPECT_EQ(user.MessageBox(owner.Handle(), "Layer text", "Layer title",
                                  kMbOk | kMbIconExclamation),
                  IDOK);
    }
    EXPECT_NE(shownBox, nullptr);
    EXPECT_EQ(boxOwner, Hwnd(owner));

    // The menu's own loop runs the owner's timer, which closes the menu it sees.
    bool menuSeen = false;
    owner.onTimer = [&](std::uint32_t) {
        HWND menu = FindWindowA("#32768", nullptr);
        if (menu == nullptr || !IsWindowVisible(menu)) return;
        menuSeen = true;
        EndMenu();
    };
    {
        Watchdog dog;
        user.TrackPopupMenu(owner.Handle(), IDR_LAYER_MENU, Point{40, 50});
    }
    EXPECT_TRUE(menuSeen);
    EXPECT_TRUE(PumpUntil([&] { return owner.seen.size() == 2; })) << "WM_USER follows the menu";
    EXPECT_EQ(owner.seen.back(), static_cast<std::uint32_t>(WM_USER));

    user.TrackPopupMenu(owner.Handle(), IDR_LAYER_MENU + 77, Point{40, 50});
    PumpUntil([] { return false; }, 150);
    EXPECT_EQ(owner.seen.size(), 2u) << "a menu that does not load shows and posts nothing";
}

// ---- Dialog controls, painting and owner drawing ----

constexpr COLORREF kInk = RGB(255, 0, 0);
constexpr COLORREF kPaper = RGB(0, 0, 255);
constexpr COLORREF kButtonFace = RGB(0, 160, 0);

class DcOwner {
public:
    explicit DcOwner(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~DcOwner() {
        if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
    }
    DcOwner(const DcOwner&) = delete;
    DcOwner& operator=(const DcOwner&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Pixels of a window's client area close to `color` (text may be smoothed at its edges).
int PixelsOf(HWND hwnd, COLORREF color) {
    DcOwner dc(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    int count = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) {
            const COLORREF p = GetPixel(dc.get(), x, y);
            if (p != CLR_INVALID && std::abs(GetRValue(p) - GetRValue(color)) < 40 &&
                std::abs(GetGValue(p) - GetGValue(color)) < 40 &&
                std::abs(GetBValue(p) - GetBValue(color)) < 40)
                ++count;
        }
    return count;
}

// Zero where Wine does not count them.
DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// A static control taken over from its box: paints itself, leaves the rest to the control.
class PaintedLabel : public WindowBase {
public:
    int paints = 0;
    int finalDestroys = 0;
    Rect client;
    HGDIOBJ lastFont = nullptr;
    bool fontSelected = false;

protected:
    KARDELLO_BEGIN_MESSAGES(PaintedLabel)
        KARDELLO_MESSAGE(wm::kPaint, OnPaint)
    KARDELLO_END_MESSAGES(nullptr)
    void OnFinalDestroy() override { ++finalDestroys; }

private:
    void OnPaint() {
        ++paints;
        std::unique_ptr<ICanvas> canvas = Ops()->BeginPaint();
        client = canvas->ClientRect();
        for (int y = client.top; y < client.bottom; ++y)
            canvas->FillSolidRect(Rect{client.left, y, client.right, y + 1}, kPaper);
        FontRequest request;
        request.height = 18;
        request.weight = FW_BOLD;
        request.charset = ANSI_CHARSET;
        request.face = "Tahoma";
        const GdiHandle font = canvas->CreateFont(request);
        const GdiHandle old = canvas->SelectFont(font);
        fontSelected = font != nullptr && old != nullptr;
        canvas->SetTextColor(kInk);
        canvas->SetTransparentBackground();
        canvas->DrawText("WMWMWM", client, kDtLeft);
        canvas->SelectFont(old);
        canvas->DeleteObject(font);
        lastFont = reinterpret_cast<HGDIOBJ>(font);
    }
};

// The box of controls: owner draws its button, handles some scroll requests itself.
class ControlBox : public ScriptedBox {
public:
    struct Drawn {
        int id;
        std::uint32_t action, state;
        Rect rect, canvasRect;
    };
    std::vector<Drawn> drawn;
    std::vector<std::pair<int, int>> scrolls;
    IconHandle icon = nullptr;

protected:
    KARDELLO_BEGIN_MESSAGES(ControlBox)
        KARDELLO_MESSAGE(wm::kDrawItem, OnDrawItem)
        KARDELLO_MESSAGE(wm::kVScroll, OnScroll)
    KARDELLO_END_MESSAGES(&ScriptedBox::Messages())

private:
    void OnDrawItem(const DrawItemRequest& request) {
        ICanvas& canvas = *request.canvas;
        drawn.push_back({request.controlId, request.action, request.state, request.rect,
                         canvas.ClientRect()});
        const GdiHandle brush = canvas.CreateSolidBrush(kButtonFace);
        canvas.FillRect(request.rect, brush);
        canvas.DeleteObject(brush);
        canvas.DrawIcon(2, 2, icon, 16);
        // Left changed on purpose: the layer gives the context back as it came.
        canvas.SetTextColor(RGB(1, 2, 3));
        canvas.SetTransparentBackground();
        canvas.DrawText("Drawn", request.rect, kDtCenter);
        if (request.state & kOdsFocus) canvas.DrawFocusRect(request.rect);
    }
    void OnScroll(int request, int position) {
        scrolls.emplace_back(request, position);
        if (request == sb::kLineDown)
            Ops()->SetScrollPos(IDC_LAYER_SCROLL, Ops()->ScrollPos(IDC_LAYER_SCROLL) + 1);
        else
            UseDefaultHandling();
    }
};

class BoxControls : public WindowLayer {
protected:
    // Shows the box of controls and runs `act` once it is up and painted; `act` ends it.
    int RunControls(ControlBox& box, const std::function<void(HWND)>& act) {
        box.onInit = [&] { box.Ops()->SetTimer(1, 50); };
        box.onTimer = [&](std::uint32_t) {
            // A slow start can tick before the dialog manager has shown the box.
            if (!IsWindowVisible(Hwnd(box)) || HIWORD(GetQueueStatus(QS_PAINT)) != 0) return;
            box.Ops()->KillTimer(1);
            act(Hwnd(box));
        };
        Watchdog dog;
        return user.RunModal(box, IDD_LAYER_CONTROLS, nullptr);
    }
};

TEST_F(BoxControls, TextsChecksFocusScrollingAndPlaceAnswerThroughTheOperations) {
    ControlBox box;
    const std::string longText(3000, 'k');
    EXPECT_EQ(RunControls(box, [&](HWND hwnd) {
        IWindowOps& ops = *box.Ops();
        ops.SetText("Renamed box");
        char caption[32] = {};
        GetWindowTextA(hwnd, caption, sizeof caption);
        EXPECT_STREQ(caption, "Renamed box");

        EXPECT_EQ(ops.ItemText(IDC_LAYER_STATIC), "Static") << "the template's text";
        // Any text, whatever the code page: the window holds it as UTF-16.
        const std::string anyText = "Español Łukasz Σοφία 写真 🎞";
        ops.SetItemText(IDC_LAYER_EDIT, anyText);
        EXPECT_EQ(ops.ItemText(IDC_LAYER_EDIT), anyText);
        wchar_t wide[64] = {};
        GetDlgItemTextW(hwnd, IDC_LAYER_EDIT, wide, 64);
        EXPECT_STREQ(wide, L"Español Łukasz Σοφία 写真 🎞");
        for (int id : {IDC_LAYER_STATIC, IDC_LAYER_EDIT}) {
            ops.SetItemText(id, longText);
            EXPECT_EQ(ops.ItemText(id), longText) << id << ": no cut at any buffer size";
            ops.SetItemText(id, "");
            EXPECT_EQ(ops.ItemText(id), "") << id;
        }
        EXPECT_EQ(ops.ItemText(999), "");
        ops.SetItemText(999, "nowhere");

        ops.CheckRadio(IDC_LAYER_RADIO_A, IDC_LAYER_RADIO_C, IDC_LAYER_RADIO_B);
        EXPECT_FALSE(ops.IsChecked(IDC_LAYER_RADIO_A));
        EXPECT_TRUE(ops.IsChecked(IDC_LAYER_RADIO_B));
        EXPECT_FALSE(ops.IsChecked(IDC_LAYER_RADIO_C));
        ops.CheckRadio(IDC_LAYER_RADIO_A, IDC_LAYER_RADIO_C, IDC_LAYER_RADIO_C);
        EXPECT_FALSE(ops.IsChecked(IDC_LAYER_RADIO_B)) << "the others are cleared";
        EXPECT_TRUE(ops.IsChecked(IDC_LAYER_RADIO_C));
        ops.CheckRadio(IDC_LAYER_RADIO_A, IDC_LAYER_RADIO_C, IDC_LAYER_RADIO_C + 50);
        for (int id : {IDC_LAYER_RADIO_A, IDC_LAYER_RADIO_B, IDC_LAYER_RADIO_C})
            EXPECT_FALSE(ops.IsChecked(id)) << id << ": an id outside the range checks none";
        EXPECT_FALSE(ops.IsChecked(999));

        EXPECT_TRUE(ops.IsItemEnabled(IDC_LAYER_EDIT));
        ops.EnableItem(IDC_LAYER_EDIT, false);
        EXPECT_FALSE(ops.IsItemEnabled(IDC_LAYER_EDIT));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_LAYER_EDIT)));
        ops.EnableItem(IDC_LAYER_EDIT, true);
        EXPECT_TRUE(ops.IsItemEnabled(IDC_LAYER_EDIT));
        EXPECT_FALSE(ops.IsItemEnabled(999));

        ops.FocusItem(IDC_LAYER_EDIT);
        EXPECT_EQ(ops.FocusedItem(), IDC_LAYER_EDIT);
        ops.FocusItem(999);
        EXPECT_EQ(ops.FocusedItem(), IDC_LAYER_EDIT) << "a missing control takes nothing";
        ops.FocusItem(IDC_LAYER_DRAWN);
        EXPECT_EQ(ops.FocusedItem(), IDC_LAYER_DRAWN);
        SetFocus(nullptr);
        EXPECT_EQ(ops.FocusedItem(), 0);

        ops.SetScrollRange(IDC_LAYER_SCROLL, 0, 50);
        ops.SetScrollPos(IDC_LAYER_SCROLL, 30);
        EXPECT_EQ(ops.ScrollPos(IDC_LAYER_SCROLL), 30);
        int low = -1, high = -1;
        GetScrollRange(GetDlgItem(hwnd, IDC_LAYER_SCROLL), SB_CTL, &low, &high);
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, 50);
        ops.SetScrollPos(IDC_LAYER_SCROLL, 80);
        EXPECT_EQ(ops.ScrollPos(IDC_LAYER_SCROLL), 50) << "kept within the range";
        EXPECT_EQ(ops.ScrollPos(999), 0);

        // A handled request is the box's; one handed back is the dialog manager's.
        const HWND bar = GetDlgItem(hwnd, IDC_LAYER_SCROLL);
        EXPECT_EQ(Win32WindowOps::DialogProc(hwnd, WM_VSCROLL, SB_LINEDOWN,
                                             reinterpret_cast<LPARAM>(bar)),
                  TRUE);
        EXPECT_EQ(ops.ScrollPos(IDC_LAYER_SCROLL), 50);
        ops.SetScrollPos(IDC_LAYER_SCROLL, 10);
        Win32WindowOps::DialogProc(hwnd, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
        EXPECT_EQ(ops.ScrollPos(IDC_LAYER_SCROLL), 11);
        EXPECT_EQ(Win32WindowOps::DialogProc(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0xFFFE),
                                             reinterpret_cast<LPARAM>(bar)),
                  FALSE);
        EXPECT_EQ(box.scrolls, (std::vector<std::pair<int, int>>{
                                   {sb::kLineDown, 0}, {sb::kLineDown, 0}, {sb::kThumbPosition, -2}}));

        RECT native{};
        GetWindowRect(hwnd, &native);
        const Rect before = ops.WindowRect();
        EXPECT_EQ(before, (Rect{native.left, native.top, native.right, native.bottom}));
        ops.SetPos(ZOrder::TopMost, 0, 0, before.Width(), before.Height() + 40, kSwpNoMove);
        const Rect after = ops.WindowRect();
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
        EXPECT_EQ(after.Width(), before.Width());
        EXPECT_EQ(after.Height(), before.Height() + 40);
        EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ops.SetPos(ZOrder::Top, 40, 30, 0, 0, kSwpNoSize);
        EXPECT_EQ(ops.WindowRect(), (Rect{40, 30, 40 + after.Width(), 30 + after.Height()}));

        GetWindowRect(GetDlgItem(hwnd, IDC_LAYER_EDIT), &native);
        const Rect edit = ops.ItemRect(IDC_LAYER_EDIT);
        EXPECT_EQ(edit, (Rect{native.left, native.top, native.right, native.bottom}));
        EXPECT_GT(edit.left, 40) << "screen pixels, inside the moved box";
        EXPECT_EQ(ops.ItemRect(999), Rect{});

        // Gone inside a handler: the operations it still holds do nothing.
        ops.SetItemText(IDC_LAYER_EDIT, "left behind");
        DestroyWindow(hwnd);
        EXPECT_FALSE(ops.Alive());
        EXPECT_EQ(ops.ItemText(IDC_LAYER_EDIT), "");
        EXPECT_EQ(ops.WindowRect(), Rect{});
        EXPECT_EQ(ops.ItemRect(IDC_LAYER_EDIT), Rect{});
        EXPECT_EQ(ops.FocusedItem(), 0);
        ops.SetItemText(IDC_LAYER_EDIT, "x");
        ops.CheckRadio(IDC_LAYER_RADIO_A, IDC_LAYER_RADIO_C, IDC_LAYER_RADIO_A);
        ops.EnableItem(IDC_LAYER_EDIT, false);
        ops.FocusItem(IDC_LAYER_EDIT);
        ops.SetScrollRange(IDC_LAYER_SCROLL, 0, 1);
        ops.SetScrollPos(IDC_LAYER_SCROLL, 1);
        ops.Invalidate(true);
        ops.SetText("gone");
    }), 0) << "ended by its destruction";
    EXPECT_EQ(box.finalDestroys, 1);
}

TEST_F(BoxControls, AttachedControlPaintsThroughItsTableAndOwnerDrawingGetsACanvas) {
    ControlBox box;
    box.icon = user.LoadIcon(IDI_LAYER, IconSize::Small);
    PaintedLabel label, second;
    bool attached = false, attachedTwice = true, missing = true, taken = true;
    std::size_t drawnAtStart = 0;
    EXPECT_EQ(RunControls(box, [&](HWND hwnd) {
        const HWND staticHwnd = GetDlgItem(hwnd, IDC_LAYER_STATIC);
        const HWND button = GetDlgItem(hwnd, IDC_LAYER_DRAWN);
        attached = user.AttachControl(label, box, IDC_LAYER_STATIC);
        attachedTwice = user.AttachControl(label, box, IDC_LAYER_EDIT);
        taken = user.AttachControl(second, box, IDC_LAYER_STATIC);
        missing = user.AttachControl(second, box, 999);
        if (!attached) return box.Ops()->EndDialog(IDCANCEL);
        EXPECT_EQ(label.Handle(), reinterpret_cast<WindowHandle>(staticHwnd));

        // Painted by the table, synchronously on RedrawNow, later on Invalidate.
        label.Ops()->RedrawNow();
        EXPECT_EQ(label.paints, 1);
        RECT client{};
        GetClientRect(staticHwnd, &client);
        EXPECT_EQ(label.client, (Rect{0, 0, client.right, client.bottom}));
        EXPECT_TRUE(label.fontSelected);
        EXPECT_GT(PixelsOf(staticHwnd, kInk), 20) << "the text is drawn in its colour";
        EXPECT_GT(PixelsOf(staticHwnd, kPaper), client.right * client.bottom / 2);
        RECT pending{};
        EXPECT_FALSE(GetUpdateRect(staticHwnd, &pending, FALSE)) << "the paint ended";
        label.Ops()->Invalidate(false);
        EXPECT_EQ(label.paints, 1);
        UpdateWindow(staticHwnd);
        EXPECT_EQ(label.paints, 2);

        // The rest goes to the static's own procedure.
        EXPECT_EQ(SendMessageA(staticHwnd, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTTRANSPARENT);
        box.Ops()->SetItemText(IDC_LAYER_STATIC, "Kept by the control");
        EXPECT_EQ(box.Ops()->ItemText(IDC_LAYER_STATIC), "Kept by the control");

        // The box painted its owner-drawn button through the table.
        ASSERT_FALSE(box.drawn.empty());
        RECT buttonClient{};
        GetClientRect(button, &buttonClient);
        const Rect whole{0, 0, buttonClient.right, buttonClient.bottom};
        EXPECT_EQ(box.drawn[0].id, IDC_LAYER_DRAWN);
        EXPECT_EQ(box.drawn[0].action, kOdaDrawEntire);
        EXPECT_EQ(box.drawn[0].rect, whole);
        EXPECT_EQ(box.drawn[0].canvasRect, whole);
        EXPECT_GT(PixelsOf(button, kButtonFace), whole.Width() * whole.Height() / 2);
        drawnAtStart = box.drawn.size();
        box.Ops()->FocusItem(IDC_LAYER_DRAWN);
        PumpUntil([&] { return box.drawn.size() > drawnAtStart; }, 500);
        ASSERT_GT(box.drawn.size(), drawnAtStart);
        EXPECT_TRUE(box.drawn.back().state & kOdsFocus) << "the focus is drawn with it";

        // A request on a context of the test's: cracked as sent, handled, the context's
        // colours and mode given back.
        class MemoryDc {
        public:
            MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
            ~MemoryDc() { DeleteDC(dc_); }
            MemoryDc(const MemoryDc&) = delete;
            MemoryDc& operator=(const MemoryDc&) = delete;
            HDC get() const { return dc_; }

        private:
            HDC dc_;
        } memory;
        const COLORREF textColor = GetTextColor(memory.get());
        const int mode = GetBkMode(memory.get());
        DRAWITEMSTRUCT item{ODT_BUTTON, IDC_LAYER_DRAWN, 0, ODA_SELECT, ODS_SELECTED,
                            button, memory.get(), RECT{3, 4, 40, 20}, 0};
        EXPECT_EQ(Win32WindowOps::DialogProc(hwnd, WM_DRAWITEM, IDC_LAYER_DRAWN,
                                             reinterpret_cast<LPARAM>(&item)),
                  TRUE);
        EXPECT_EQ(box.drawn.back().action, static_cast<std::uint32_t>(ODA_SELECT));
        EXPECT_EQ(box.drawn.back().state, static_cast<std::uint32_t>(ODS_SELECTED));
        EXPECT_EQ(box.drawn.back().rect, (Rect{3, 4, 40, 20}));
        EXPECT_EQ(GetTextColor(memory.get()), textColor);
        EXPECT_EQ(GetBkMode(memory.get()), mode);
        const std::size_t drawnBefore = box.drawn.size();
        Win32WindowOps::DialogProc(hwnd, WM_DRAWITEM, IDC_LAYER_DRAWN, 0);
        EXPECT_EQ(box.drawn.size(), drawnBefore) << "no request, no handler";

        // Many paints and drawings leave no object behind.
        const DWORD objects = GdiObjects();
        for (int i = 0; i < 200; ++i) {
            label.Ops()->RedrawNow();
            RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            ASSERT_EQ(GetObjectType(label.lastFont), 0u) << "the paint's font was deleted";
        }
        EXPECT_EQ(label.paints, 202);
        EXPECT_GE(box.drawn.size(), drawnBefore + 200);
        if (objects != 0) {
            EXPECT_EQ(GdiObjects(), objects);
        } else {
            std::cout << "[ wine     ] GetGuiResources counts no GDI objects: not compared\n";
        }
        box.Ops()->EndDialog(IDOK);
    }), IDOK);
    EXPECT_TRUE(attached);
    EXPECT_FALSE(attachedTwice) << "a bound object is bound once";
    EXPECT_FALSE(taken) << "a control is taken over once";
    EXPECT_FALSE(missing);
    EXPECT_EQ(label.finalDestroys, 1) << "the box's end ends the control";
    EXPECT_EQ(label.Ops(), nullptr);
    EXPECT_EQ(second.Ops(), nullptr);
    EXPECT_EQ(second.finalDestroys, 0);
    PlainBox unbound;
    EXPECT_FALSE(user.AttachControl(second, unbound, IDC_LAYER_STATIC));
}

// ---- The Open-file dialog ----

// Its library is taken from the system folder when first asked for, and only there.
TEST_F(WindowLayer, SystemFunctionLoadsFromTheSystemFolderOrGivesNothing) {
    const FARPROC open = SystemFunction("comdlg32.dll", "GetOpenFileNameA");
    ASSERT_NE(open, nullptr);
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(open), &module));
    char path[MAX_PATH] = {}, folder[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    GetSystemDirectoryA(folder, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(path, (std::string(folder) + "\\comdlg32.dll").c_str()), 0) << path;
    EXPECT_EQ(SystemFunction("comdlg32.dll", "GetOpenFileNameA"), open) << "loaded once";
    EXPECT_EQ(SystemFunction("comdlg32.dll", "NoSuchFunction"), nullptr);
    EXPECT_EQ(SystemFunction("kardello-no-such-library.dll", "GetOpenFileNameA"), nullptr);
}

TEST_F(WindowLayer, OpenFileDialogReturnsThePickedFileWithinItsRooms) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string directory = std::string(temp) + "kardello-open";
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string picked = "picture-with-a-long-name.bmp";
    {
        HANDLE file = CreateFileA((directory + "\\" + picked).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    std::string directoryLong(MAX_PATH, '\0');
    directoryLong.resize(GetLongPathNameA(directory.c_str(), &directoryLong[0], MAX_PATH));

    TestWindow owner;
    ASSERT_TRUE(user.CreateHiddenToolWindow(owner, kTitle));
    // Types the name (or cancels) once the dialog shows; notes what it showed. A name it
    // refuses brings up a box of its own, which is answered before the dialog is cancelled.
    std::string typed;
    HWND shown = nullptr, shownOwner = nullptr;
    std::vector<std::string> types;
    int refusals = 0;
    owner.onTimer = [&](std::uint32_t) {
        if (shown != nullptr && IsWindow(shown)) {
            std::pair<HWND, HWND> box{shown, nullptr};  // a visible window the dialog owns
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND window, LPARAM found) {
                    auto* box = reinterpret_cast<std::pair<HWND, HWND>*>(found);
                    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == box->first)
                        box->second = window;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&box));
            if (box.second != nullptr) {
                ++refusals;
                PostMessageA(box.second, WM_COMMAND, IDOK, 0);
            } else if (refusals > 0) {
                PostMessageA(shown, WM_COMMAND, IDCANCEL, 0);
            }
            return;
        }
        HWND dialog = FindWindowA("#32770", "Layer open");
        if (dialog == nullptr || !IsWindowVisible(dialog) || dialog == shown) return;
        shown = dialog;
        shownOwner = GetWindow(dialog, GW_OWNER);
        types.clear();
        HWND typeBox = GetDlgItem(dialog, cmb1);
        const int count = static_cast<int>(SendMessageA(typeBox, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[128] = {};
            if (SendMessageA(typeBox, CB_GETLBTEXTLEN, i, 0) < LRESULT(sizeof text))
                SendMessageA(typeBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            types.push_back(text);
        }
        if (typed.empty()) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        HWND name = GetDlgItem(dialog, edt1);
        if (name == nullptr) name = GetDlgItem(dialog, cmb13);
        SetWindowTextA(name, typed.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    owner.Ops()->SetTimer(1, 50);

    OpenFileRequest request;
    request.owner = owner.Handle();
    request.filter = "Pictures (*.bmp)|*.bmp|All files (*.*)|*.*||";
    request.title = "Layer open";
    request.initialDirectory = directory;
    auto open = [&](const std::string& name, std::string& path, std::string& fileName) {
        typed = name;
        shown = nullptr;
        refusals = 0;
        Watchdog dog;
        return user.OpenFileDialog(request, path, fileName);
    };
    // The folder the program is in, which the dialog must leave as it found it.
    auto currentFolder = [] {
        wchar_t folder[MAX_PATH] = {};
        return Narrow(folder, GetCurrentDirectoryW(MAX_PATH, folder));
    };
    ASSERT_TRUE(SetCurrentDirectoryA(temp));
    const std::string before = currentFolder();

    std::string path = "untouched", fileName = "untouched";
    EXPECT_FALSE(open("", path, fileName)) << "cancelled";
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(shownOwner, Hwnd(owner));
    EXPECT_EQ(types, (std::vector<std::string>{"Pictures (*.bmp)", "All files (*.*)"}));
    EXPECT_EQ(path, "untouched");

    ASSERT_TRUE(open(picked, path, fileName)) << "picked in the initial directory";
    std::string pathLong(MAX_PATH, '\0');
    pathLong.resize(GetLongPathNameA(path.c_str(), &pathLong[0], MAX_PATH));
    EXPECT_EQ(pathLong, directoryLong + "\\" + picked);
    EXPECT_EQ(fileName, picked);
    EXPECT_EQ(currentFolder(), before) << "left in the folder browsed";

    // A typed name of nothing is refused there and then, and nothing is returned.
    path = "untouched";
    EXPECT_FALSE(open("no-such-picture.bmp", path, fileName));
    EXPECT_EQ(refusals, 1) << "the dialog took a file that does not exist";
    EXPECT_EQ(path, "untouched");
    EXPECT_EQ(currentFolder(), before);

    // Rooms too small for what the user picked: nothing written past them.
    request.fileNameRoom = 8;
    const bool shortName = open(picked, path, fileName);
    EXPECT_LT(fileName.size(), 8u) << "the terminator is counted";
    std::cout << "[ wine     ] a file name in 8 bytes: "
              << (shortName ? "\"" + fileName + "\"" : std::string("refused")) << "\n";
    request.fileNameRoom = 64;
    request.pathRoom = 10;
    path = "untouched";
    EXPECT_FALSE(open(picked, path, fileName)) << "a path that does not fit is no answer";
    EXPECT_EQ(path, "untouched");
    request.pathRoom = 0;
    EXPECT_FALSE(open(picked, path, fileName));
}

// ---- Shell ----

TEST_F(WindowLayer, TrayIconIsAddedChangedAndDeleted) {
    Win32Shell shell;
    TestWindow window;
    ASSERT_TRUE(user.CreateHiddenToolWindow(window, kTitle));
    NotifyIconData data;
    data.window = window.Handle();
    data.id = 1;
    data.flags = kNifMessage | kNifIcon | kNifTip;
    data.callbackMessage = WM_APP + 1;
    data.icon = user.LoadIcon(IDI_LAYER, IconSize::Small);
    data.tip = "Kardello";
    EXPECT_TRUE(shell.NotifyIcon(kNimAdd, data));
    data.flags = kNifTip;
    data.tip = std::string(300, 'x');  // more than the first form holds
    EXPECT_TRUE(shell.NotifyIcon(kNimModify, data));
    EXPECT_TRUE(shell.NotifyIcon(kNimDelete, data));
    EXPECT_FALSE(shell.NotifyIcon(kNimModify, data)) << "an icon that is gone cannot change";
}

TEST_F(WindowLayer, FileIconsWindowsDirectoryAndVolumeNames) {
    // The shell's first call makes the thread a single-threaded apartment, which it then
    // stays for the shell's life: on a fresh thread, whose COM no other test has touched.
    HRESULT lateMultiThreaded = S_OK;
    HANDLE fresh = CreateThread(
        nullptr, 0,
        [](void* result) -> DWORD {
            Win32Shell first;
            first.DestroyIcon(first.TypeIcon("C:\\nowhere\\kardello.exe"));
            *static_cast<HRESULT*>(result) = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            return 0;
        },
        &lateMultiThreaded, 0, nullptr);
    ASSERT_NE(fresh, nullptr);
    WaitForSingleObject(fresh, 10000);
    CloseHandle(fresh);
    EXPECT_EQ(lateMultiThreaded, RPC_E_CHANGED_MODE) << "COM was not initialised single-threaded";

    Win32Shell shell;
    const IconHandle icon = shell.FileIcon("C:\\windows\\notepad.exe");
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(icon), &info));
    BitmapOwner color(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(color.get() != nullptr ? color.get() : mask.get(), sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON)) << "the large icon";
    shell.DestroyIcon(icon);
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(icon), &info)) << "destroyed";
    shell.DestroyIcon(nullptr);
    // A program that cannot be read has no icon of its own, only its type's.
    EXPECT_EQ(shell.FileIcon("C:\\nowhere\\kardello.exe"), nullptr);
    const IconHandle generic = shell.TypeIcon("C:\\nowhere\\kardello.exe");
    EXPECT_NE(generic, nullptr);
    shell.DestroyIcon(generic);
    const IconHandle unknown = shell.TypeIcon("C:\\nowhere\\kardello.no-such-type");
    std::cout << "[ wine     ] an icon for an unknown type: " << (unknown ? "yes" : "none") << "\n";
    shell.DestroyIcon(unknown);

    Win32SystemInfo system;
    char expected[MAX_PATH] = {};
    GetWindowsDirectoryA(expected, MAX_PATH);
    EXPECT_FALSE(system.WindowsDirectory().empty());
    EXPECT_EQ(system.WindowsDirectory(), expected);

    std::string name = "untouched";
    EXPECT_TRUE(system.VolumeName("C:\\", name));
    EXPECT_LT(name.size(), 40u);
    std::cout << "[ wine     ] the volume name of C:\\ is \"" << name << "\"\n";
    const DWORD drives = GetLogicalDrives();
    char missing = 0;
    for (char letter = 'Y'; letter > 'C' && missing == 0; --letter)
        if (!(drives & (1u << (letter - 'A')))) missing = letter;
    ASSERT_NE(missing, 0);
    // No critical-error box while a volume is asked for: the thread's error mode says so
    // for the call only, and the process's, which started programs inherit, stays.
    const UINT processMode = GetErrorMode();
    const DWORD threadMode = GetThreadErrorMode();
    {
        const QuietCriticalErrors quiet;
        EXPECT_TRUE(GetThreadErrorMode() & SEM_FAILCRITICALERRORS);
    }
    name = "untouched";
    EXPECT_FALSE(system.VolumeName(std::string(1, missing) + ":\\", name));
    EXPECT_EQ(name, "untouched");
    EXPECT_EQ(GetThreadErrorMode(), threadMode);
    EXPECT_EQ(GetErrorMode(), processMode);

    // Wine has one session, the one at the console.
    std::uint32_t own = kNoConsoleSession;
    EXPECT_TRUE(system.OwnSession(own));
    EXPECT_EQ(own, system.ConsoleSession());
    EXPECT_TRUE(SessionAtConsole(system));
}

TEST_F(WindowLayer, ExecuteStartsAFileFromTheGivenDirectory) {
    Win32Shell shell;
    char system[MAX_PATH] = {}, temp[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string directory = std::string(temp) + "kardello-layer";
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string probe = directory + "\\kardello-probe.exe";
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\hostname.exe").c_str(), probe.c_str(), FALSE));

    EXPECT_GT(shell.Execute("open", "kardello-probe.exe", directory, SW_HIDE), 32);
    EXPECT_LE(shell.Execute("open", "kardello-probe.exe", "", SW_HIDE), 32)
        << "an empty directory is none: the file is not found elsewhere";
    EXPECT_EQ(shell.Execute("open", "C:\\kardello\\no-such-file.exe", "", SW_SHOWNORMAL),
              ERROR_FILE_NOT_FOUND);
}

// ---- Kernel ----

class Held {
public:
    Held(IKernel& kernel, KernelHandle handle) : kernel_(kernel), handle_(handle) {}
    ~Held() { kernel_.Close(handle_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    KernelHandle get() const { return handle_; }

private:
    IKernel& kernel_;
    KernelHandle handle_;
};

TEST(KernelOnWine, NamedSemaphoreTellsASecondCopyApart) {
    Win32Kernel kernel;
    const std::string name = "Kardello layer test " + std::to_string(GetCurrentProcessId());
    bool denied = true;
    EXPECT_EQ(kernel.OpenSemaphore(name, &denied), nullptr) << "not there before it is made";
    EXPECT_FALSE(denied);

    bool existed = true;
    Held first(kernel, kernel.CreateSemaphore(1, 1, name, &existed));
    ASSERT_NE(first.get(), nullptr);
    EXPECT_FALSE(existed);
    Held second(kernel, kernel.CreateSemaphore(1, 1, name, &existed));
    ASSERT_NE(second.get(), nullptr);
    EXPECT_TRUE(existed);
    Held opened(kernel, kernel.OpenSemaphore(name, nullptr));
    ASSERT_NE(opened.get(), nullptr);
    Held third(kernel, kernel.CreateSemaphore(1, 1, name, nullptr));
    EXPECT_NE(third.get(), nullptr) << "existed may be null";

    EXPECT_EQ(kernel.Wait(opened.get(), 0), kWaitObject0);
    EXPECT_EQ(kernel.Wait(first.get(), 0), kWaitTimeout) << "one count, shared by every handle";
    EXPECT_TRUE(kernel.ReleaseSemaphore(second.get(), 1));
    EXPECT_FALSE(kernel.ReleaseSemaphore(second.get(), 1)) << "not above the maximum";
    EXPECT_EQ(kernel.Wait(first.get(), 0), kWaitObject0);
    EXPECT_EQ(kernel.Wait(nullptr, 0), kWaitFailed);
    kernel.Close(nullptr);

    bool failed = true;
    EXPECT_EQ(kernel.CreateSemaphore(2, 1, name + " bad", &failed), nullptr)
        << "an initial count above the maximum";
    EXPECT_FALSE(failed);
}

}  // namespace
}  // namespace kardello
