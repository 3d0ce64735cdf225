// The Win32 window layer on Wine: binding and message tables, modal runs and their
// results, the end of the program inside a modal run, and the resource, shell and
// kernel services.

#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "WindowLayerIds.h"
#include "platform/win32/Win32Kernel.h"
#include "platform/win32/Win32Shell.h"
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
    static std::uint32_t registeredMessage;
    std::function<std::intptr_t()> onCreate;
    std::function<void(std::uint32_t)> onTimer;
    std::function<void()> onCommand;
    std::vector<std::uint32_t> seen;
    std::vector<std::uint32_t> ticks;
    std::vector<std::intptr_t> params;
    bool boundAtCreate = false;
    int finalDestroys = 0;

protected:
    const MessageTable& Messages() const override {
        using T = TestWindow;
        static const MessageEntry entries[] = {
            KARDELLO_ON_MESSAGE(wm::kCreate, (crack::Result<T, &T::OnCreate>)),
            KARDELLO_ON_MESSAGE(wm::kTimer, (crack::Timer<T, &T::OnTimer>)),
            KARDELLO_ON_MESSAGE(wm::kUser, (crack::Params<T, &T::OnUser>)),
            KARDELLO_ON_COMMAND(kCommandId, (crack::Void<T, &T::OnCommand>)),
            KARDELLO_ON_REGISTERED(&registeredMessage, (crack::Params<T, &T::OnRegistered>)),
        };
        static const MessageTable table{entries, std::size(entries), nullptr};
        return table;
    }
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
};
std::uint32_t TestWindow::registeredMessage = 0;

// A box with no code of its own: the dialog manager's defaults decide its result.
class PlainBox : public WindowBase {
public:
    int finalDestroys = 0;

protected:
    const MessageTable& Messages() const override {
        static const MessageTable table{nullptr, 0, nullptr};
        return table;
    }
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
    const MessageTable& Messages() const override {
        using T = ScriptedBox;
        static const MessageEntry entries[] = {
            KARDELLO_ON_MESSAGE(wm::kInitDialog, (crack::Result<T, &T::OnInitDialog>)),
            KARDELLO_ON_MESSAGE(wm::kTimer, (crack::Timer<T, &T::OnTimer>)),
            KARDELLO_ON_COMMAND(IDCANCEL, (crack::Void<T, &T::OnCancel>)),
        };
        static const MessageTable table{entries, std::size(entries), nullptr};
        return table;
    }
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
    TestWindow::registeredMessage = user.RegisterMessage("Kardello layer test message");
    EXPECT_GE(TestWindow::registeredMessage, 0xC000u);
    EXPECT_EQ(user.RegisterMessage("Kardello layer test message"), TestWindow::registeredMessage);
    EXPECT_EQ(user.RegisterMessage(nullptr), 0u);

    TestWindow window;
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
    EXPECT_EQ(SendMessageA(hwnd, TestWindow::registeredMessage, 20, 22), 42)
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
              (std::vector<std::uint32_t>{WM_CREATE, WM_COMMAND, TestWindow::registeredMessage,
                                          WM_USER}));
    EXPECT_EQ(window.params, (std::vector<std::intptr_t>{7, -8}));
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
    user.SetMainWindow(&main);
    PostMessageA(Hwnd(main), WM_COMMAND, kCommandId, 0);
    main.onCommand = [&] { PostMessageA(Hwnd(main), WM_CLOSE, 0, 0); };
    Watchdog dog;
    EXPECT_EQ(user.RunMessageLoop(), 0) << "WM_CLOSE's default destroyed the main window";
    EXPECT_EQ(main.finalDestroys, 1);

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
    bool boundToInertOps = false, timerRefused = false, handleGone = false;
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
    EXPECT_EQ(user.LoadString(IDS_LAYER_ACCENTED), "Inicializaci\xF3n");
    const std::string longText = user.LoadString(IDS_LAYER_LONG);
    EXPECT_EQ(longText.size(), 601u) << "no cut at any buffer size";
    EXPECT_EQ(longText.substr(590), "0123456789!");
    EXPECT_EQ(user.LoadString(IDS_LAYER_MISSING), "");
    EXPECT_EQ(user.LoadString(-1), "");
    EXPECT_EQ(user.LoadString(0x10000 + IDS_LAYER_ACCENTED), "");

    const IconHandle icon = user.LoadIcon(IDI_LAYER);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(user.LoadIcon(IDI_LAYER), icon) << "loaded once";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(icon), &info));
    BitmapOwner color(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(color.get(), sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 16) << "natural size, not the system's "
                                  << GetSystemMetrics(SM_CXICON);
    EXPECT_EQ(user.LoadIcon(IDI_LAYER + 1), nullptr);
    EXPECT_EQ(user.LoadIcon(-7), nullptr);

    EXPECT_EQ(user.DoubleClickTime(), GetDoubleClickTime());
    SetCursorPos(123, 234);
    const Point at = user.CursorPos();
    EXPECT_EQ(at.x, 123);
    EXPECT_EQ(at.y, 234);
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
    data.icon = user.LoadIcon(IDI_LAYER);
    data.tip = "Kardello";
    EXPECT_TRUE(shell.NotifyIcon(kNimAdd, data));
    data.flags = kNifTip;
    data.tip = std::string(300, 'x');  // more than the first form holds
    EXPECT_TRUE(shell.NotifyIcon(kNimModify, data));
    EXPECT_TRUE(shell.NotifyIcon(kNimDelete, data));
    EXPECT_FALSE(shell.NotifyIcon(kNimModify, data)) << "an icon that is gone cannot change";
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
    EXPECT_EQ(kernel.OpenSemaphore(name), nullptr) << "not there before it is made";

    bool existed = true;
    Held first(kernel, kernel.CreateSemaphore(1, 1, name, &existed));
    ASSERT_NE(first.get(), nullptr);
    EXPECT_FALSE(existed);
    Held second(kernel, kernel.CreateSemaphore(1, 1, name, &existed));
    ASSERT_NE(second.get(), nullptr);
    EXPECT_TRUE(existed);
    Held opened(kernel, kernel.OpenSemaphore(name));
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
