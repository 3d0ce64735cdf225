// The selection window of the real kardello.exe under Wine, with the simulated card
// reader and the stand-in photo application: every way it is opened, its geometry,
// its launches, its boxes, and how it closes; driven from outside.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "EndToEnd.h"
#include "agentctl/Driving.h"
#include "res/AgentWindowTexts.h"
#include "res/SelectionWindowIds.h"
#include "res/SelectionWindowTexts.h"
#include "res/SettingsDialogIds.h"
#include "res/SettingsDialogTexts.h"
#include "res/SmallDialogTexts.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"

namespace kardello {
namespace {

using namespace driving;
using namespace wine;

constexpr int kSlots[] = {IDC_SELECTION_SLOT_1, IDC_SELECTION_SLOT_2, IDC_SELECTION_SLOT_3,
                          IDC_SELECTION_SLOT_4, IDC_SELECTION_SLOT_5};

std::size_t FotimoWindows() { return WindowsTitled(kFotimoTitle, false).size(); }

std::size_t ShownSelectionWindows() {
    std::size_t shown = 0;
    for (HWND w : WindowsTitled(TXT_SELECTION_TITLE, true)) shown += IsWindowVisible(w) ? 1 : 0;
    return shown;
}

RECT ScreenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Whether `upper` lies above `lower` in the z-order.
bool Above(HWND upper, HWND lower) {
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
        if (w == lower) return true;
    return false;
}

int FocusedId(HWND dialog) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui)) return 0;
    return gui.hwndFocus ? GetDlgCtrlID(gui.hwndFocus) : 0;
}

// A key as the user types it: to the focused control, through the dialog's loop.
void Key(HWND dialog, WPARAM key) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    HWND target = gui.hwndFocus ? gui.hwndFocus : dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

// The registered message, sent as another program would, with no time-out; on a thread
// of its own, so that an answer that does not come holds only that thread.
class Request {
public:
    explicit Request(HWND agent) : agent_(agent) {
        thread_ = CreateThread(nullptr, 0, &Request::Send, this, 0, nullptr);
    }
    ~Request() {
        if (thread_) {
            WaitForSingleObject(thread_, 10000);
            CloseHandle(thread_);
        }
    }
    bool Answered(DWORD milliseconds) { return WaitForSingleObject(thread_, milliseconds) == WAIT_OBJECT_0; }
    LRESULT answer = -1;

private:
    static DWORD WINAPI Send(void* self) {
        auto* request = static_cast<Request*>(self);
        request->answer = SendMessageA(request->agent_, RegisterWindowMessageA(TXT_AGENT_MESSAGE), 0, 0);
        return 0;
    }
    HWND agent_;
    HANDLE thread_ = nullptr;
};

class SelectionOnWine : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 1);
        for (int n = 1; n <= 5; ++n) Register(n, TXT_NOT_REGISTERED, TXT_NOT_REGISTERED);
    }
    static void Register(int n, const std::string& name, const std::string& path) {
        const std::string i = std::to_string(n);
        WriteString(HKEY_LOCAL_MACHINE, kAgentKey, ("APPNAME" + i).c_str(), name);
        WriteString(HKEY_LOCAL_MACHINE, kAgentKey, ("EXE" + i).c_str(), name);
        WriteString(HKEY_LOCAL_MACHINE, kAgentKey, ("PATH" + i).c_str(), path);
    }
    // Opened from the tray command, by hand.
    HWND OpenByHand() {
        StartAgent();
        PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SELECTION, 0);
        return WaitDialog(TXT_SELECTION_TITLE, 8000);
    }
    static bool Closed() {
        return WaitFor([] { return ShownSelectionWindows() == 0; }, 5000);
    }
};

TEST_F(SelectionOnWine, CardWithDirectExec1ShowsTheWindowAndItsPhotoButtonRecordsTheCard) {
    StartAgent();
    Sim({"insert", "1", "--serial", "VRCARD000005", "--letter", "K", "--extend", "0x33"});
    HWND window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr) << "no selection window";
    EXPECT_EQ(DialogText(window, IDC_SELECTION_CARD_LINE), TXT_CARD_INSTALLED);
    EXPECT_EQ(FotimoWindows(), 0u);
    // A second card while it is up shows no second window.
    Sim({"insert", "2", "--serial", "VRCARD000006"});
    WatchNow();
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return ShownSelectionWindows() > 1; }));
    EXPECT_EQ(ShownSelectionWindows(), 1u);

    PressButton(window, IDC_SELECTION_PHOTO_APP);
    ASSERT_TRUE(Closed());
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "stand-in not started";
    std::string serial, letter;
    DWORD extend = 0;
    ASSERT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial); }, 3000));
    // The agent's newest card: the second one, found by a tick under the window.
    EXPECT_EQ(serial, "VRCARD000006");
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, kAgentKey, "DriLetter", letter));
    EXPECT_TRUE(ReadNumber(HKEY_CURRENT_USER, kAgentKey, "ExtendStatus", extend));
    EndAgent();
}

// A card that leaves while its window is up: the line says so and nothing is recorded.
// Then, with the stand-in running, the photo button brings its window forward.
TEST_F(SelectionOnWine, CardThatLeavesIsNotRecordedAndAnOpenPhotoAppComesForward) {
    StartAgent();
    Sim({"insert", "1", "--serial", "VRCARD000007", "--letter", "L"});
    HWND window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr) << "no selection window";
    EXPECT_EQ(DialogText(window, IDC_SELECTION_CARD_LINE), TXT_CARD_INSTALLED);
    Sim({"remove", "1"});
    EXPECT_TRUE(WaitFor([&] { return DialogText(window, IDC_SELECTION_CARD_LINE).empty(); }, 3000))
        << "the line still says the card is in";
    PressButton(window, IDC_SELECTION_PHOTO_APP);
    ASSERT_TRUE(Closed());
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "stand-in not started";
    std::string serial;
    ASSERT_TRUE(Answers(AgentWindow()));  // done with the button
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial)) << serial;

    // Something else has the foreground; the button gives it to the stand-in.
    HWND other = CreateWindowExW(0, L"STATIC", L"Kardello foreground probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    PostMessageW(AgentWindow(), WM_COMMAND, ID_MENU_SELECTION, 0);
    window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr);
    PressButton(window, IDC_SELECTION_PHOTO_APP);
    EXPECT_TRUE(Closed()) << "the window stays up";
    const HWND fotimo = WindowsTitled(kFotimoTitle, false).front();
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == fotimo; }, 3000)) << "the stand-in stays behind";
    EXPECT_EQ(FotimoWindows(), 1u) << "a second copy";
    DestroyWindow(other);
    EndAgent();
}

// The settings dialog's Open-file dialog up when a card comes: the selection window
// belongs to the Open-file dialog, the top of the chain, and each window is enabled
// again exactly when the one over it goes. One settings dialog at most, and the file
// chosen afterwards is registered.
TEST_F(SelectionOnWine, CardWhileTheOpenFileDialogIsUpKeepsTheChainOfWindowsWhole) {
    StartAgent();
    HWND agentWindow = AgentWindow();
    PostMessageW(agentWindow, WM_COMMAND, ID_MENU_SETTINGS, 0);
    HWND settings = WaitDialog(TXT_SETTINGS_TITLE, 8000);
    ASSERT_NE(settings, nullptr);
    PressButton(settings, IDC_REGISTER_2);
    HWND open = WaitDialog(TXT_APP_TITLE, 8000);
    ASSERT_NE(open, nullptr) << "no Open-file dialog";
    Sim({"insert", "1", "--serial", "VRCARD000008", "--letter", "M"});
    HWND window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr) << "no selection window";
    EXPECT_EQ(GetWindow(window, GW_OWNER), open);
    for (HWND under : {agentWindow, settings, open}) EXPECT_FALSE(IsWindowEnabled(under));
    // Neither a command nor the tray's settings item opens or ends anything now.
    PostMessageW(agentWindow, WM_COMMAND, ID_MENU_SETTINGS, 0);
    PressButton(settings, IDCANCEL);
    ASSERT_TRUE(Handled(agentWindow, 2));
    EXPECT_TRUE(NothingFor(kWindowShows, [&] {
        return WindowsTitled(TXT_SETTINGS_TITLE, true).size() != 1 || !IsWindowVisible(open);
    }));
    EXPECT_EQ(WindowsTitled(TXT_SETTINGS_TITLE, true).size(), 1u);
    EXPECT_TRUE(IsWindowVisible(open));

    PressButton(window, IDCANCEL);
    ASSERT_TRUE(Closed());
    EXPECT_TRUE(IsWindowEnabled(open)) << "the Open-file dialog takes input again";
    EXPECT_FALSE(IsWindowEnabled(settings)) << "still under its Open-file dialog";
    EXPECT_FALSE(IsWindowEnabled(agentWindow));
    PostMessageW(agentWindow, WM_COMMAND, ID_MENU_SETTINGS, 0);
    ASSERT_TRUE(Handled(agentWindow));
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return WindowsTitled(TXT_SETTINGS_TITLE, true).size() > 1; }));
    EXPECT_EQ(WindowsTitled(TXT_SETTINGS_TITLE, true).size(), 1u) << "a second settings dialog";

    TypeFileName(open, BuildPath("tools\\vrsim.exe"));
    ASSERT_TRUE(WaitFor([&] { return DialogText(settings, IDC_APP_NAME_2) == "vrsim"; }, 5000))
        << "the chosen file was dropped";
    EXPECT_TRUE(IsWindowEnabled(settings));
    PressButton(settings, IDOK);
    ASSERT_TRUE(WaitFor([] { return WindowsTitled(TXT_SETTINGS_TITLE, true).empty(); }, 5000));
    std::string stored;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "APPNAME2", stored));
    EXPECT_EQ(stored, "vrsim");
    EXPECT_TRUE(IsWindowEnabled(agentWindow));
    EXPECT_TRUE(WindowsTitled(TXT_APP_TITLE, true).empty()) << "a window left behind";
    EndAgent();
}

TEST_F(SelectionOnWine, RegisteredMessageShowsOneWindowAndIsAnsweredOne) {
    StartAgent();
    HWND agentWindow = AgentWindow();
    Request first(agentWindow);
    HWND window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DialogText(window, IDC_SELECTION_CARD_LINE), "");
    EXPECT_TRUE(GetWindowLongA(agentWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The sender has its answer while the window is up: it is not held until it closes.
    ASSERT_TRUE(first.Answered(5000)) << "the sender is frozen while the window is up";
    EXPECT_EQ(first.answer, 1);
    EXPECT_EQ(ShownSelectionWindows(), 1u);
    // A second message while it is up: answered 1 at once, nothing more shown.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(agentWindow, RegisterWindowMessageA(TXT_AGENT_MESSAGE), 0, 0,
                                    SMTO_NORMAL, 5000, &answer));
    EXPECT_EQ(answer, 1u);
    EXPECT_EQ(ShownSelectionWindows(), 1u);
    PressButton(window, IDCANCEL);
    EXPECT_TRUE(Closed());
    EndAgent();
}

TEST_F(SelectionOnWine, MenuCommandShowsOneWindowAndCplShowsItAtStart) {
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DialogText(window, IDC_SELECTION_CARD_LINE), "");
    ExpectOwnedBy(window, AgentWindow());
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SELECTION, 0);
    ASSERT_TRUE(Handled(AgentWindow()));
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return ShownSelectionWindows() > 1; }));
    EXPECT_EQ(ShownSelectionWindows(), 1u);
    PressButton(window, IDCANCEL);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(IsWindowEnabled(AgentWindow()));
    EndAgent();

    // Shown while the agent window is still being created: owned by it all the same.
    agent = Process(AgentPath(), "CPL");
    window = WaitDialog(TXT_SELECTION_TITLE, 10000);
    ASSERT_NE(window, nullptr) << "no window for cpl";
    EXPECT_EQ(DialogText(window, IDC_SELECTION_CARD_LINE), "");
    ASSERT_NE(AgentWindow(), nullptr);
    ExpectOwnedBy(window, AgentWindow());
    // The icon is in place first: the shell has it while the start's window is up.
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = AgentWindow();
    icon.uID = 100;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon)) << "no icon while the start's window is up";
    PressButton(window, IDCANCEL);
    EXPECT_TRUE(Closed());
    ASSERT_TRUE(WaitFor([] { return AgentWindow() != nullptr; }, 5000));
    EXPECT_TRUE(IsWindowEnabled(AgentWindow()));
    EndAgent();
}

TEST_F(SelectionOnWine, OpensFoldedCentredOnTopAndTheToggleKeepsItOnTheWorkArea) {
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(FocusedId(window), IDC_SELECTION_PHOTO_APP);
    const RECT first = ScreenRect(window);
    HWND toggle = GetDlgItem(window, IDC_SELECTION_OTHER_APPS);
    EXPECT_EQ(first.bottom, ScreenRect(toggle).bottom + 10);
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((first.left + first.right) - (area.left + area.right)), 1);
    EXPECT_LE(std::abs((first.top + first.bottom) - (area.top + area.bottom)), 1);
    for (int id : kSlots) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id))) << id;

    for (int round = 0; round < 2; ++round) {
        // A real click on the toggle, through the button itself.
        PostMessageA(toggle, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return ScreenRect(window).bottom != first.bottom; }, 3000));
        const RECT open = ScreenRect(window);
        EXPECT_EQ(open.left, first.left);
        EXPECT_EQ(open.right, first.right);
        EXPECT_EQ(open.bottom, ScreenRect(GetDlgItem(window, IDC_SELECTION_SLOT_5)).bottom + 12);
        // The top stays where the lower edge fits on the work area (the bench's 600
        // pixels leave it no room); otherwise the window goes up just enough.
        const int height = open.bottom - open.top;
        EXPECT_EQ(open.top, std::max(area.top, std::min(first.top, area.bottom - height)));
        for (int id : kSlots) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, id))) << id;

        PressButton(window, IDC_SELECTION_OTHER_APPS);
        ASSERT_TRUE(WaitFor([&] { return ScreenRect(window).bottom == first.bottom; }, 3000));
        EXPECT_TRUE(ScreenRect(window) == first);
        for (int id : kSlots) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id))) << id;
    }
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_TRUE(Closed());
    EndAgent();
}

TEST_F(SelectionOnWine, RegisteredSlotStartsItsProgramAndClosesTheWindow) {
    Register(3, "Fotimo", BuildPath("tools/fotimo.exe"));
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    PressButton(window, IDC_SELECTION_OTHER_APPS);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(window, IDC_SELECTION_SLOT_3)) != FALSE; }, 3000));
    // A free slot: nothing.
    PressButton(window, IDC_SELECTION_SLOT_1);
    ASSERT_TRUE(Handled(window));
    EXPECT_TRUE(NothingFor(kStartShows, [] { return ShownSelectionWindows() != 1 || FotimoWindows() > 0; }));
    EXPECT_EQ(ShownSelectionWindows(), 1u);
    EXPECT_EQ(FotimoWindows(), 0u);
    PressButton(window, IDC_SELECTION_SLOT_3);
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "slot 3 not started";
    // In its own folder, not in the agent's (the system folder).
    EXPECT_TRUE(SameFolder(FotimoFolder(), BuildPath("tools"))) << FotimoFolder();
    EXPECT_TRUE(Closed());
    // A registered application's start records no card.
    std::string serial;
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial));
    EndAgent();
}

TEST_F(SelectionOnWine, MissingPathShowsTheNotFoundBoxEveryTimeAndTheWindowStaysUsable) {
    Register(2, "Perdido", "C:\\no\\existe\\perdido.exe");
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    PressButton(window, IDC_SELECTION_OTHER_APPS);
    for (int attempt = 0; attempt < 2; ++attempt) {
        PressButton(window, IDC_SELECTION_SLOT_2);
        HWND box = WaitDialog(TXT_NOT_FOUND_TITLE, 8000);
        ASSERT_NE(box, nullptr) << "no not-found box, attempt " << attempt;
        EXPECT_EQ(ShownSelectionWindows(), 1u);
        ExpectOwnedBy(box, window);
        EXPECT_TRUE(Above(box, window)) << "under the top-most selection window";
        // Over the middle of the window it came from, not at its corner.
        ExpectCentredOn(box, ScreenRect(window));
        PressButton(box, IDOK);
        ASSERT_TRUE(WaitFor([] { return WindowsTitled(TXT_NOT_FOUND_TITLE, true).empty(); }, 5000));
        EXPECT_TRUE(IsWindowEnabled(window));
    }
    // Still open and usable: it folds and closes as ever.
    const RECT open = ScreenRect(window);
    PressButton(window, IDC_SELECTION_OTHER_APPS);
    EXPECT_TRUE(WaitFor([&] { return ScreenRect(window).bottom < open.bottom; }, 3000));
    PressButton(window, IDCANCEL);
    EXPECT_TRUE(Closed());
    EndAgent();
}

TEST_F(SelectionOnWine, EscClosesItAndEnterOnThePhotoButtonStartsThePhotoApp) {
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    Key(window, VK_ESCAPE);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(FotimoWindows(), 0u);

    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SELECTION, 0);
    window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(FocusedId(window), IDC_SELECTION_PHOTO_APP);
    Key(window, VK_RETURN);
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "Enter did not start it";
    EXPECT_TRUE(Closed());
    // Opened by hand: nothing recorded.
    std::string serial;
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial));
    EndAgent();
}

// The user's way: a right click on the icon, the menu's selection item, then
// "Ajustes" and the settings dialog's OK, which the window shows at once.
TEST_F(SelectionOnWine, TrayMenuItemShowsTheWindowAndItsSettingsButtonOpensOneSettingsDialog) {
    StartAgent();
    HWND agentWindow = AgentWindow();
    WatchNow();  // the first look at the reader adds the icon
    ASSERT_TRUE(OpenTrayMenu(agentWindow, 5000)) << "no tray menu";
    ChooseMenuItem(agentWindow, 'e');  // "Inicialización de selección   (&E)"
    HWND window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr) << "the menu item showed no window";

    PressButton(window, IDC_SELECTION_SETTINGS);
    HWND settings = WaitDialog(TXT_SETTINGS_TITLE, 8000);
    ASSERT_NE(settings, nullptr) << "no settings dialog";
    ExpectOwnedBy(settings, window);
    EXPECT_TRUE(Above(settings, window));
    PressButton(window, IDC_SELECTION_SETTINGS);
    ASSERT_TRUE(Handled(window));
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return WindowsTitled(TXT_SETTINGS_TITLE, true).size() > 1; }));
    EXPECT_EQ(WindowsTitled(TXT_SETTINGS_TITLE, true).size(), 1u);
    SetDlgItemTextA(settings, IDC_APP_NAME_1, "Mi visor");
    PressButton(settings, IDOK);
    ASSERT_TRUE(WaitFor([] { return WindowsTitled(TXT_SETTINGS_TITLE, true).empty(); }, 5000));
    std::string stored;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "APPNAME1", stored));
    EXPECT_EQ(stored, "Mi visor");
    EXPECT_EQ(DialogText(window, IDC_SELECTION_SLOT_1), "Mi visor");
    EXPECT_EQ(ShownSelectionWindows(), 1u);
    EXPECT_TRUE(IsWindowEnabled(window));

    // A card that goes in now belongs to this window: its line says so, no second window
    // opens, and the photo button hands that card over.
    EXPECT_EQ(DialogText(window, IDC_SELECTION_CARD_LINE), "");
    Sim({"insert", "1", "--serial", "VRCARD000011", "--letter", "M", "--extend", "0x11"});
    EXPECT_TRUE(WaitFor([&] { return DialogText(window, IDC_SELECTION_CARD_LINE) == TXT_CARD_INSTALLED; },
                        5000)) << "the card line stayed empty";
    EXPECT_EQ(ShownSelectionWindows(), 1u);
    PressButton(window, IDC_SELECTION_PHOTO_APP);
    EXPECT_TRUE(Closed());
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "stand-in not started";
    std::string serial;
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial); }, 3000));
    EXPECT_EQ(serial, "VRCARD000011");
    EndAgent();
}

// The agent window lies disabled under the window, and all it does goes on: the tick
// finds and handles a card, the registered message is answered, and the icon's menu
// runs each of its commands, the last of which ends the program with code 0.
TEST_F(SelectionOnWine, AgentWorksOnUnderTheWindowAndItsMenuEndsIt) {
    WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 0);
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    HWND agentWindow = AgentWindow();
    ASSERT_FALSE(IsWindowEnabled(agentWindow));

    Sim({"insert", "1", "--serial", "VRCARD000007", "--letter", "L", "--extend", "0x21"});
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "the tick started nothing";
    std::string serial;
    ASSERT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial); }, 3000));
    EXPECT_EQ(serial, "VRCARD000007");

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(agentWindow, RegisterWindowMessageA(TXT_AGENT_MESSAGE), 0, 0,
                                    SMTO_NORMAL, 5000, &answer));
    EXPECT_EQ(answer, 1u);

    ASSERT_TRUE(OpenTrayMenu(agentWindow, 5000)) << "no tray menu under the window";
    ChooseMenuItem(agentWindow, 'e');  // the selection window: no second one
    ASSERT_TRUE(Handled(agentWindow, 2));  // the key, then the command the menu posts
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return ShownSelectionWindows() > 1; }));
    EXPECT_EQ(ShownSelectionWindows(), 1u);

    // The version box and the settings dialog belong to the modal window up, though
    // the menu made the agent window active.
    const struct {
        char key;
        const char* title;
        int close;
    } boxes[] = {{'a', TXT_ABOUT_TITLE, IDOK}, {'o', TXT_SETTINGS_TITLE, IDCANCEL}};
    for (const auto& box : boxes) {
        ASSERT_TRUE(OpenTrayMenu(agentWindow, 5000));
        ChooseMenuItem(agentWindow, box.key);
        HWND shown = WaitDialog(box.title, 8000);
        ASSERT_NE(shown, nullptr) << box.title;
        EXPECT_EQ(GetWindow(shown, GW_OWNER), window) << box.title;
        EXPECT_FALSE(IsWindowEnabled(window));
        ExpectCentredOn(shown, ScreenRect(window));
        PressButton(shown, box.close);
        ASSERT_TRUE(WaitFor([&] { return WindowsTitled(box.title, true).empty(); }, 5000));
        EXPECT_TRUE(IsWindowEnabled(window));
    }
    EXPECT_EQ(ShownSelectionWindows(), 1u);

    ASSERT_TRUE(OpenTrayMenu(agentWindow, 5000));
    ChooseMenuItem(agentWindow, 'x');  // the end
    EXPECT_EQ(agent.WaitExit(10000), 0);
    EXPECT_EQ(ShownSelectionWindows(), 0u);
}

TEST_F(SelectionOnWine, EndCommandWhileItIsUpEndsTheProgramWithCodeZero) {
    HWND window = OpenByHand();
    ASSERT_NE(window, nullptr);
    const RECT folded = ScreenRect(window);
    PressButton(window, IDC_SELECTION_OTHER_APPS);
    ASSERT_TRUE(WaitFor([&] { return ScreenRect(window).bottom > folded.bottom; }, 3000)) << "not unfolded";
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_EXIT, 0);
    EXPECT_EQ(agent.WaitExit(10000), 0);
    EXPECT_EQ(ShownSelectionWindows(), 0u);
}

}  // namespace
}  // namespace kardello
