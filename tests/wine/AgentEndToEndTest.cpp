// The real kardello.exe under Wine, with the simulated card reader and the
// stand-in photo application, driven from outside.

#include <windows.h>

#include <gtest/gtest.h>

#include <random>

#include "EndToEnd.h"
#include "agent/CardWatch.h"
#include "agentctl/Driving.h"
#include "res/SmallDialogTexts.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"
#include "simreader/MediaNotice.h"

namespace kardello {
namespace {

using namespace driving;
using namespace wine;

constexpr const char* kSlotValues[] = {"EXE1", "PATH1", "APPNAME1", "EXE2", "PATH2", "APPNAME2",
                                       "EXE3", "PATH3", "APPNAME3", "EXE4", "PATH4", "APPNAME4",
                                       "EXE5", "PATH5", "APPNAME5"};


class AgentOnWine : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 0);
    }
    // A card through its whole road: the stand-in started once, the card recorded,
    // and after the card is out and the stand-in closed, a second card opens it again.
    void FollowCards() {
        StartAgent();
        WatchNow();
        EXPECT_TRUE(WindowsTitled(TXT_APP_TITLE, true).empty()) << "the agent showed a box";
        Sim({"insert", "1", "--serial", "VRCARD000001", "--letter", "G", "--extend", "0x2A"});
        ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "stand-in not started";
        // In its own folder, not in the agent's (the system folder).
        EXPECT_TRUE(SameFolder(FotimoFolder(), BuildPath("tools"))) << FotimoFolder();
        std::string serial, letter;
        DWORD extend = 0;
        ASSERT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial); }, 3000));
        EXPECT_EQ(serial, "VRCARD000001");
        ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, kAgentKey, "DriLetter", letter));
        EXPECT_EQ(letter, "G");
        ASSERT_TRUE(ReadNumber(HKEY_CURRENT_USER, kAgentKey, "ExtendStatus", extend));
        EXPECT_EQ(extend, 0x2Au);
        // Seen running: its end is noticed at once. Three looks, as many as ticks in the
        // three seconds this wait took before looks could be counted.
        WatchNow(3);
        EXPECT_TRUE(NothingFor(kStartShows, [] { return FotimoWindows() > 1; })) << "started more than once";
        EXPECT_EQ(FotimoWindows(), 1u) << "started more than once";

        Sim({"remove", "1"});
        CloseFotimo();
        WatchNow();  // the card out and the stand-in gone: the next card is a new one
        Sim({"insert", "2", "--serial", "VRCARD000002", "--letter", "H"});
        ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "second card: no start";
        ASSERT_TRUE(WaitFor([&] {
            return ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial) && serial == "VRCARD000002";
        }, 3000));
        EndAgent();
    }
};

TEST_F(AgentOnWine, NoCaptionShowsTheErrorBoxAndEndsWithCodeZero) {
    DeleteValue(HKEY_LOCAL_MACHINE, kAgentKey, "CAPTION");
    agent = Process(AgentPath(), "");
    HWND box = WaitDialog(TXT_APP_TITLE, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box, 0xFFFF), TXT_NO_CAPTION);
    EXPECT_EQ(AgentWindow(), nullptr);
    PressButton(box, IDOK);
    EXPECT_EQ(agent.WaitExit(10000), 0);
}

TEST_F(AgentOnWine, FirstRunWritesTheDefaults) {
    for (const char* name : kSlotValues) DeleteValue(HKEY_LOCAL_MACHINE, kAgentKey, name);
    DeleteValue(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec");
    StartAgent();
    ASSERT_TRUE(WaitFor([] {
        std::string text;
        return ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "APPNAME5", text);
    }, 5000));
    for (const char* name : kSlotValues) {
        std::string text;
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kAgentKey, name, text)) << name;
        EXPECT_EQ(text, TXT_NOT_REGISTERED) << name;
    }
    DWORD directExec = 99;
    EXPECT_TRUE(ReadNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", directExec));
    EXPECT_EQ(directExec, 0u);
    EndAgent();
}

TEST_F(AgentOnWine, SecondStartIsRefusedWithAndWithoutCpl) {
    StartAgent();
    for (const char* arguments : {"", "cpl"}) {
        Process second(AgentPath(), arguments);
        ASSERT_TRUE(second.Started());
        HWND box = WaitDialog(TXT_APP_TITLE, 10000);
        ASSERT_NE(box, nullptr) << "no box for '" << arguments << "'";
        EXPECT_EQ(DialogText(box, 0xFFFF), TXT_ALREADY_RUNNING);
        PressButton(box, IDOK);
        EXPECT_EQ(second.WaitExit(10000), 0);
        EXPECT_TRUE(agent.Running());
        EXPECT_NE(AgentWindow(), nullptr);
    }
    EndAgent();

    // A copy running with other rights (elevated, from the installer's last page) made
    // the semaphore: this user may wait on it but not open it with full access.
    SECURITY_ATTRIBUTES guarded{sizeof guarded, nullptr, FALSE};
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;;0x00100000;;;WD)", SDDL_REVISION_1, &guarded.lpSecurityDescriptor, nullptr));
    HANDLE elevated = CreateSemaphoreA(&guarded, 1, 1, "VARNO Kardello Agent");
    LocalFree(guarded.lpSecurityDescriptor);
    ASSERT_NE(elevated, nullptr);
    HANDLE probe = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "VARNO Kardello Agent");
    if (probe != nullptr) CloseHandle(probe);
    ASSERT_EQ(probe, nullptr) << "the semaphore's list refuses nothing";
    Process second(AgentPath(), "");
    HWND box = WaitDialog(TXT_APP_TITLE, 10000);
    EXPECT_NE(box, nullptr) << "a second agent started beside the elevated one";
    EXPECT_EQ(AgentWindow(), nullptr);
    if (box != nullptr) {
        EXPECT_EQ(DialogText(box, 0xFFFF), TXT_ALREADY_RUNNING);
        PressButton(box, IDOK);
    }
    EXPECT_EQ(second.WaitExit(10000), 0);
    second.Kill();
    CloseHandle(elevated);

    // The photo application started so holds its semaphore under the same list: it runs,
    // and a card starts no second copy.
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;;0x00100000;;;WD)", SDDL_REVISION_1, &guarded.lpSecurityDescriptor, nullptr));
    HANDLE photoApp = CreateSemaphoreA(&guarded, 0, 1, "VARNO Fotimo Running");
    LocalFree(guarded.lpSecurityDescriptor);
    ASSERT_NE(photoApp, nullptr);
    StartAgent();
    Sim({"insert", "1", "--serial", "VRCARD000003", "--letter", "G"});
    WatchNow();  // the card seen
    EXPECT_TRUE(NothingFor(kStartShows, [] { return FotimoWindows() > 0; }))
        << "started beside a copy with other rights";
    EXPECT_TRUE(WindowsTitled(TXT_NOT_FOUND_TITLE, true).empty());
    EndAgent();
    CloseHandle(photoApp);
}

// Each family is made to depend on its own device: the other one fails.
TEST_F(AgentOnWine, CardOpensThePhotoAppOnNtFamily) {
    Sim({"fail", "control", "on"});
    FollowCards();
}

TEST_F(AgentOnWine, CardOpensThePhotoAppOnWindows95Family) {
    UseWindows95Family();
    Sim({"fail", "1", "on"});
    Sim({"fail", "2", "on"});
    FollowCards();
}

// A standard user's logon: the machine's keys may only be read, and were so before
// the agent started. No box; cards open the stand-in and are recorded.
TEST_F(AgentOnWine, AStandardUserStartsAndACardOpensThePhotoApp) {
    Sim({"fail", "control", "on"});  // the NT family, which reads the Instance key
    ReadOnlyKey agentKey(HKEY_LOCAL_MACHINE, kAgentKey);
    ReadOnlyKey photoKey(HKEY_LOCAL_MACHINE, kPhotoKey);
    ReadOnlyKey instances(HKEY_LOCAL_MACHINE, simreader::kInstanceKey);
    ASSERT_TRUE(agentKey.Applied() && photoKey.Applied() && instances.Applied());
    FollowCards();
}

// The 32-bit view holds the settings; other values in the 64-bit view are decoys
// that would each change what happens.
TEST_F(AgentOnWine, TheThirtyTwoBitViewIsTheOneReadAndWritten) {
    WriteIn64BitView(kAgentKey, "CAPTION", "Decoy Agent");
    WriteIn64BitView(kAgentKey, "DirectExec", 2);               // would do nothing for a card
    WriteIn64BitView(kAgentKey, "PATH1", "C:\\Decoy\\app.exe");  // would stop the first-run writes
    WriteIn64BitView(kPhotoKey, "PATH", "C:\\Decoy\\fotimo.exe");
    WriteIn64BitView(kPhotoKey, "CAPTION", "Decoy Photo");
    for (const char* name : kSlotValues) DeleteValue(HKEY_LOCAL_MACHINE, kAgentKey, name);
    StartAgent();
    // The semaphore is named by the 32-bit CAPTION.
    HANDLE own = OpenSemaphoreA(SYNCHRONIZE, FALSE, "VARNO Kardello Agent");
    EXPECT_NE(own, nullptr);
    if (own) CloseHandle(own);
    HANDLE decoy = OpenSemaphoreA(SYNCHRONIZE, FALSE, "Decoy Agent");
    EXPECT_EQ(decoy, nullptr);
    if (decoy) CloseHandle(decoy);
    std::string text;
    ASSERT_TRUE(WaitFor([&] { return ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "APPNAME5", text); }, 5000));
    EXPECT_EQ(text, TXT_NOT_REGISTERED);
    WatchNow();
    Sim({"insert", "1", "--serial", "VRCARD000032"});
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "stand-in not started";
    EXPECT_TRUE(WindowsTitled(TXT_NOT_FOUND_TITLE, true).empty());
    EndAgent();
    // The 64-bit view holds the decoys and nothing else.
    const auto names = NamesIn64BitView(kAgentKey);
    EXPECT_EQ(names.size(), 3u);
    for (const auto& name : names) EXPECT_TRUE(name == "CAPTION" || name == "DirectExec" || name == "PATH1") << name;
}

// Told by Windows, the agent starts the photo application at once, where its tick
// alone would take up to a second: each of five cards, put in at random moments of
// the tick, starts it within 300 ms (by the tick alone all five would do so about
// once in a thousand runs).
TEST_F(AgentOnWine, CardReportedByWindowsStartsThePhotoAppBeforeTheTick) {
    StartAgent();
    std::mt19937 random(GetTickCount());
    std::uniform_int_distribution<int> pause(0, 999);
    for (int card = 0; card < 5; ++card) {
        Sleep(static_cast<DWORD>(pause(random)));
        const ULONGLONG inserted = Now();
        Sim({"insert", "1", "--serial", "VRCARD00010" + std::to_string(card), "--letter", "G"});
        EXPECT_GE(simreader::AnnounceMedia(true, 'G'), 1);
        // Reported twice: still one start.
        if (card == 0) simreader::AnnounceMedia(true, 'G');
        ULONGLONG created = 0;
        ASSERT_TRUE(WaitFor([&] {
            const auto windows = WindowsTitled(kFotimoTitle, false);
            return !windows.empty() && CreatedAt(windows.front(), created);
        }, 5000)) << "card " << card << ": no start";
        EXPECT_LT((created - inserted) / 10000, 300u) << "card " << card << ": ms to the start";
        WatchNow(2);  // seen running; a second start would be asked for by now
        EXPECT_TRUE(NothingFor(kStartShows, [] { return FotimoWindows() > 1; })) << "card " << card;
        EXPECT_EQ(FotimoWindows(), 1u) << "card " << card;
        CloseFotimo();
        Sim({"remove", "1"});
        simreader::AnnounceMedia(false, 'G');
        WatchNow();
    }
    std::string serial;
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial));
    EXPECT_EQ(serial, "VRCARD000104");
    EndAgent();
}

// A reader that holds every request for 3 s, as one that resets does: the agent answers
// all the while, acts on a card once the reader is quick again, and its end waits for no
// request stuck in the driver.
TEST_F(AgentOnWine, SlowReaderLeavesTheAgentAnsweringAndTheCardActedOnAfter) {
    StartAgent();
    HWND window = AgentWindow();
    auto answersFor = [window](DWORD milliseconds) {
        const ULONGLONG end = GetTickCount64() + milliseconds;
        DWORD worst = 0;
        WaitFor([&] {
            const ULONGLONG sent = GetTickCount64();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) worst = 1000;
            const DWORD took = static_cast<DWORD>(GetTickCount64() - sent);
            if (took > worst) worst = took;
            return GetTickCount64() >= end;
        }, milliseconds + 5000);
        return worst;
    };
    Sim({"delay", "3000"});
    EXPECT_LT(answersFor(4000), 1000u) << "ms to answer WM_NULL while the reader is slow";
    Sim({"insert", "1", "--serial", "VRCARD000201", "--letter", "G"});
    simreader::AnnounceMedia(true, 'G');
    EXPECT_LT(answersFor(1500), 1000u) << "ms to answer WM_NULL after a card";
    Sim({"delay", "off"});
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 10000)) << "the card was not acted on";
    std::string serial;
    ASSERT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial); }, 3000));
    EXPECT_EQ(serial, "VRCARD000201");

    Sim({"delay", "3000"});
    EXPECT_LT(answersFor(1500), 1000u) << "ms to answer WM_NULL with a query out";
    const ULONGLONG ending = GetTickCount64();
    EndAgent();
    EXPECT_LT(GetTickCount64() - ending, 2000u) << "ms to end with a query stuck in the driver";
    // The driver finishes the request it holds before it takes another: one of this
    // test's own, answered, shows that the next test's start will be answered at once.
    Sim({"delay", "off"});
    HANDLE device = CreateFileA("\\\\.\\VRUSBMSC", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    std::vector<BYTE> reply(4096);
    DWORD bytes = 0;
    DeviceIoControl(device, 1, nullptr, 0, reply.data(), static_cast<DWORD>(reply.size()), &bytes, nullptr);
    CloseHandle(device);
}

// No photo application at all: not even its key. The agent, which could write the
// machine's key here, only ever reads it.
TEST_F(AgentOnWine, MissingPhotoAppShowsOneBox) {
    auto photoKeyExists = [] {
        HKEY key = nullptr;
        const bool opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPhotoKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) == 0;
        if (opened) RegCloseKey(key);
        return opened;
    };
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kPhotoKey, KEY_WOW64_32KEY, 0);
    ASSERT_FALSE(photoKeyExists());
    StartAgent();
    Sim({"insert", "1"});
    HWND box = WaitDialog(TXT_NOT_FOUND_TITLE, 8000);
    ASSERT_NE(box, nullptr);
    // Above the window the user works in: a card's arrival gives no right to the front.
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ExpectOwnedBy(box, AgentWindow());
    auto texts = DialogStatics(box);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], TXT_NOT_FOUND_LINE1);
    // Looks go on under the box; a second card shows no second one.
    Sim({"insert", "2"});
    WatchNow(2);
    EXPECT_TRUE(NothingFor(kStartShows, [] {
        return WindowsTitled(TXT_NOT_FOUND_TITLE, true).size() > 1 || FotimoWindows() > 0;
    })) << "a second box or a start";
    EXPECT_EQ(WindowsTitled(TXT_NOT_FOUND_TITLE, true).size(), 1u);
    EXPECT_EQ(FotimoWindows(), 0u);
    PressButton(box, IDOK);
    EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_NOT_FOUND_TITLE, true).empty(); }, 5000));
    EXPECT_TRUE(IsWindowEnabled(AgentWindow()));
    // Closed with Esc, the box leaves nothing behind: the next card's failure
    // shows it again, and so does the one after.
    for (int round = 0; round < 2; ++round) {
        Sim({"remove", "1"});
        Sim({"remove", "2"});
        WatchNow();  // both out: the next card is a new one
        Sim({"insert", "1", "--serial", "VRCARD00010" + std::to_string(round)});
        box = WaitDialog(TXT_NOT_FOUND_TITLE, 8000);
        ASSERT_NE(box, nullptr) << "round " << round << ": no box after the one closed with "
                                << (round == 0 ? "OK" : "Esc");
        PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(box, WM_KEYUP, VK_ESCAPE, 0);
        EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_NOT_FOUND_TITLE, true).empty(); }, 5000))
            << "Esc did not close the box";
    }
    WatchNow(3);  // a few more looks at the reader
    EndAgent();
    EXPECT_FALSE(photoKeyExists()) << "the agent made the photo application's key";
}

TEST_F(AgentOnWine, VersionBoxOnceAndEndCommandWhileItIsUp) {
    StartAgent();
    HWND window = AgentWindow();
    PostMessageA(window, WM_COMMAND, ID_MENU_ABOUT, 0);
    HWND box = WaitDialog(TXT_ABOUT_TITLE, 8000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ExpectOwnedBy(box, window);
    ExpectCentredOn(box, WorkArea());  // not at the hidden owner's corner
    PostMessageA(window, WM_COMMAND, ID_MENU_ABOUT, 0);
    ASSERT_TRUE(Handled(window));
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return WindowsTitled(TXT_ABOUT_TITLE, true).size() > 1; }));
    EXPECT_EQ(WindowsTitled(TXT_ABOUT_TITLE, true).size(), 1u);
    // The icon's menu works on the disabled agent window as well, and the box asked for
    // again comes forward with the keyboard, not the hidden window under it.
    ASSERT_TRUE(OpenTrayMenu(window, 5000)) << "no tray menu under the box";
    ChooseMenuItem(window, 'a');
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == box; }, 5000))
        << "the foreground is on " << GetForegroundWindow();
    GUITHREADINFO input{};
    input.cbSize = sizeof input;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &input));
    EXPECT_TRUE(input.hwndFocus == box || IsChild(box, input.hwndFocus)) << input.hwndFocus;
    // The box came forward: the command has been taken.
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return WindowsTitled(TXT_ABOUT_TITLE, true).size() > 1; }));
    EXPECT_EQ(WindowsTitled(TXT_ABOUT_TITLE, true).size(), 1u);
    PostMessageA(window, WM_COMMAND, ID_MENU_EXIT, 0);
    EXPECT_EQ(agent.WaitExit(10000), 0);
    EXPECT_TRUE(WindowsTitled(TXT_ABOUT_TITLE, true).empty());
}

// Two copies started in the same instant: exactly one keeps running, the other
// says so and ends. Repeated, since the window for the race is small.
TEST_F(AgentOnWine, TwoStartsReleasedTogetherLeaveOneAgent) {
    for (int round = 0; round < 5; ++round) {
        std::vector<PROCESS_INFORMATION> started(2);
        const std::string exe = AgentPath();
        for (auto& info : started) {
            std::string commandLine = "\"" + exe + "\"";
            STARTUPINFOA startup{};
            startup.cb = sizeof startup;
            ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                       CREATE_SUSPENDED, nullptr, nullptr, &startup, &info));
        }
        for (auto& info : started) ResumeThread(info.hThread);
        HWND box = WaitDialog(TXT_APP_TITLE, 10000);
        ASSERT_NE(box, nullptr) << "round " << round << ": no copy was refused";
        EXPECT_EQ(DialogText(box, 0xFFFF), TXT_ALREADY_RUNNING);
        PressButton(box, IDOK);
        // One ends with 0 after its box; the other runs on as the agent.
        DWORD ended = WaitForMultipleObjects(2, std::vector<HANDLE>{started[0].hProcess,
                                                                      started[1].hProcess}.data(),
                                             FALSE, 10000);
        ASSERT_LT(ended, 2u) << "round " << round;
        DWORD code = 1;
        GetExitCodeProcess(started[ended].hProcess, &code);
        EXPECT_EQ(code, 0u);
        HANDLE survivor = started[1 - ended].hProcess;
        ASSERT_TRUE(WaitFor([] { return AgentWindow() != nullptr; }, 5000));
        // Up as the agent: it stays, and shows no box of its own.
        EXPECT_TRUE(NothingFor(500, [&] {
            return WaitForSingleObject(survivor, 0) == WAIT_OBJECT_0 || !WindowsTitled(TXT_APP_TITLE, true).empty();
        })) << "round " << round << ": the survivor ended or showed a box";
        PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_EXIT, 0);
        EXPECT_EQ(WaitForSingleObject(survivor, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        for (auto& info : started) {
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
        }
    }
}

// Whatever the reader answers, the agent keeps running, writes nothing odd and
// goes back to watching when its card's reader fails or goes away.
TEST_F(AgentOnWine, BadRepliesLeaveTheAgentRunning) {
    StartAgent();
    const std::vector<std::vector<std::string>> replies = {
        {"raw", "1", ""},                                   // 0 bytes
        {"raw", "1", "0100000045534e3132333435363738"},     // 17 bytes
        {"raw", "1", "--records", "30"},                     // more than the table holds
        {"raw", "2", "0100000045" "5858585858585858585858585858"},  // serial without a NUL
        {"raw", "2", "01000000ff" "4a554e4b00000000000000000000"},  // drive letter 0xFF
        {"fail", "1", "on"},
    };
    for (const auto& reply : replies) {
        Sim(reply);
        WatchNow(2);
        ASSERT_TRUE(agent.Running()) << reply[0] << " " << reply.back();
        ASSERT_NE(AgentWindow(), nullptr);
    }
    Sim({"fail", "1", "off"});
    Sim({"reset"});
    CloseFotimo();
    // A made-up card may have opened the stand-in before it was seen running: the
    // agent then gives it twelve looks at the reader before it watches again.
    WatchNow(CardWatch::kGraceTicks + 1);
    // Whatever was recorded names at most 13 serial characters and one letter.
    std::string serial, letter;
    if (ReadString(HKEY_CURRENT_USER, kAgentKey, "SerialNo", serial)) {
        EXPECT_LE(serial.size(), 13u);
    }
    if (ReadString(HKEY_CURRENT_USER, kAgentKey, "DriLetter", letter)) {
        EXPECT_LE(letter.size(), 1u);
    }

    // The driver goes away while a card is followed: the agent lets go of the card
    // and, with the driver back, reports the next one.
    Sim({"insert", "1", "--serial", "VRCARD000010"});
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000));
    // Seen running: from then on its end is noticed at once (no grace wait).
    WatchNow();
    Sim({"absent", "on"});
    CloseFotimo();
    WatchNow(3);
    EXPECT_TRUE(agent.Running());
    Sim({"absent", "off"});
    Sim({"remove", "1"});
    // The stand-in was seen running, so the first look that answers lets go of it: a
    // card put in while the agent still followed the old one would count as known.
    WatchNow();
    Sim({"insert", "2", "--serial", "VRCARD000011"});
    ASSERT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 8000)) << "no card after the driver came back";
    EndAgent();
}

}  // namespace
}  // namespace kardello
