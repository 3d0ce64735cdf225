// The settings dialog of the real kardello.exe under Wine, opened by the tray
// command and driven from outside, with the simulated card reader.

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "EndToEnd.h"
#include "agentctl/Driving.h"
#include "platform/win32/Win32Registry.h"
#include "res/SelectionWindowTexts.h"
#include "res/SettingsDialogIds.h"
#include "res/SettingsDialogTexts.h"
#include "res/SmallDialogTexts.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"
#include "store/AgentKey.h"
#include "store/RegistryKey.h"

namespace kardello {
namespace {

using namespace driving;
using namespace wine;


// Every stored value as text, to see that nothing changed.
std::map<std::string, std::string> Stored() {
    std::map<std::string, std::string> values;
    for (const char* name : kStoredValues) {
        std::string text;
        DWORD number = 0;
        if (ReadNumber(HKEY_LOCAL_MACHINE, kAgentKey, name, number))
            values[name] = std::to_string(number);
        else if (ReadString(HKEY_LOCAL_MACHINE, kAgentKey, name, text))
            values[name] = text;
    }
    return values;
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The dialog's base units, found from its client area: MapDialogRect does not work
// on another process's dialog.
POINT BaseUnits(HWND dialog, int widthUnits, int heightUnits) {
    RECT client{};
    GetClientRect(dialog, &client);
    POINT base{0, 0};
    for (int b = 1; b < 64 && base.x == 0; ++b)
        if (MulDiv(widthUnits, b, 4) == client.right) base.x = b;
    for (int b = 1; b < 64 && base.y == 0; ++b)
        if (MulDiv(heightUnits, b, 8) == client.bottom) base.y = b;
    return base;
}

// Place and size are converted apart, as the dialog manager does.
RECT ToPixels(POINT base, int x, int y, int width, int height) {
    const int left = MulDiv(x, base.x, 4), top = MulDiv(y, base.y, 8);
    return {left, top, left + MulDiv(width, base.x, 4), top + MulDiv(height, base.y, 8)};
}

class SettingsOnWine : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 0);
        for (int n = 1; n <= 5; ++n) {
            const std::string i = std::to_string(n);
            WriteString(HKEY_LOCAL_MACHINE, kAgentKey, ("APPNAME" + i).c_str(), "App" + i);
            WriteString(HKEY_LOCAL_MACHINE, kAgentKey, ("EXE" + i).c_str(), "App" + i + ".exe");
            WriteString(HKEY_LOCAL_MACHINE, kAgentKey, ("PATH" + i).c_str(), "C:\\Apps\\App" + i + ".exe");
        }
    }
    // Starts the agent and opens the settings from its tray command.
    HWND Open() {
        if (!agent.Started()) {
            StartAgent();
            if (HasFatalFailure()) return nullptr;
        }
        PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SETTINGS, 0);
        return WaitDialog(TXT_SETTINGS_TITLE, 8000);
    }
    void Close(HWND dialog, int button) {
        PressButton(dialog, button);
        EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_SETTINGS_TITLE, true).empty(); }, 5000));
    }
};

TEST_F(SettingsOnWine, TrayCommandOpensOneDialogWithTheStoredChoice) {
    WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 2);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr) << "no settings dialog";
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ExpectOwnedBy(dialog, AgentWindow());
    ExpectCentredOn(dialog, WorkArea());
    EXPECT_FALSE(Checked(dialog, IDC_CHOICE_PHOTO_APP));
    EXPECT_FALSE(Checked(dialog, IDC_CHOICE_SELECTION));
    EXPECT_TRUE(Checked(dialog, IDC_CHOICE_NOTHING));
    EXPECT_EQ(DialogText(dialog, IDC_APP_NAME_1), "App1");
    EXPECT_EQ(DialogText(dialog, IDC_APP_NAME_2), "App2");
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui));
    EXPECT_EQ(GetDlgCtrlID(gui.hwndFocus), IDOK);
    // The second command shows nothing and changes nothing.
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SETTINGS, 0);
    ASSERT_TRUE(Handled(AgentWindow()));
    EXPECT_TRUE(NothingFor(kWindowShows, [] { return WindowsTitled(TXT_SETTINGS_TITLE, true).size() > 1; }));
    EXPECT_EQ(WindowsTitled(TXT_SETTINGS_TITLE, true).size(), 1u);
    const auto before = Stored();
    Close(dialog, IDCANCEL);
    EXPECT_EQ(Stored(), before);
    EXPECT_TRUE(IsWindowEnabled(AgentWindow()));
    // Closed: the command opens it again.
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    Close(dialog, IDCANCEL);
}

// The template as the dialog manager built it: every control in tab order with
// its class, id, text, kind, group start and place in dialog units.
TEST_F(SettingsOnWine, ControlsStandAsTheTemplateSays) {
    struct Control {
        const char* cls;
        int id;
        const char* text;
        DWORD kind;  // the low four style bits
        bool group;
        int x, y, width, height;
    };
    const Control expected[] = {
        {"Button", IDOK, "OK", BS_DEFPUSHBUTTON, false, 125, 276, 50, 14},
        {"Button", IDCANCEL, "Cancel", BS_PUSHBUTTON, false, 181, 276, 50, 14},
        {"Button", 1002, TXT_CHOICE_PHOTO_APP, BS_AUTORADIOBUTTON, true, 13, 31, 210, 8},
        {"Button", 1003, TXT_CHOICE_SELECTION, BS_AUTORADIOBUTTON, false, 13, 44, 210, 11},
        {"Button", 1004, TXT_CHOICE_NOTHING, BS_AUTORADIOBUTTON, false, 13, 59, 208, 8},
        {"Button", 1011, TXT_REGISTER, BS_PUSHBUTTON, false, 22, 94, 38, 15},
        {"Button", 1012, "Borrar", BS_PUSHBUTTON, false, 65, 94, 38, 15},
        {"Button", 1013, "Registrar", BS_PUSHBUTTON, false, 22, 114, 38, 15},
        {"Button", 1014, "Borrar", BS_PUSHBUTTON, false, 65, 114, 38, 15},
        {"Button", 1015, "Registrar", BS_PUSHBUTTON, false, 22, 135, 38, 15},
        {"Button", 1016, "Borrar", BS_PUSHBUTTON, false, 65, 135, 38, 15},
        {"Button", 1017, "Registrar", BS_PUSHBUTTON, false, 22, 154, 38, 15},
        {"Button", 1018, "Borrar", BS_PUSHBUTTON, false, 65, 154, 38, 15},
        {"Button", 1019, "Registrar", BS_PUSHBUTTON, false, 22, 174, 38, 15},
        {"Button", 1020, "Borrar", BS_PUSHBUTTON, false, 65, 174, 38, 15},
        {"Button", 1031, "Volver a los ajustes por defecto", BS_PUSHBUTTON, false, 7, 255, 112, 15},
        {"Static", -1, "Ajustes Básicos", SS_LEFT, true, 5, 5, 79, 10},
        {"Button", -1, "Si la tarjeta esta insertada...", BS_GROUPBOX, false, 7, 15, 224, 60},
        {"Button", -1, TXT_OTHER_APPS, BS_GROUPBOX, false, 7, 81, 224, 115},
        {"Static", -1, "1", SS_LEFT, true, 14, 98, 8, 8},
        {"Static", -1, "2", SS_LEFT, true, 14, 118, 8, 8},
        {"Static", -1, "3", SS_LEFT, true, 14, 138, 8, 8},
        {"Static", -1, "4", SS_LEFT, true, 14, 158, 8, 8},
        {"Static", -1, "5", SS_LEFT, true, 14, 178, 8, 8},
        {"Static", 1023, "App1", SS_LEFT, true, 110, 97, 83, 10},
        {"Static", 1022, "App2", SS_LEFT, true, 110, 118, 83, 10},
        {"Static", 1024, "App3", SS_LEFT, true, 110, 137, 83, 10},
        {"Static", 1025, "App4", SS_LEFT, true, 110, 158, 83, 10},
        {"Static", 1026, "App5", SS_LEFT, true, 110, 177, 83, 10},
        {"Static", -1, "Información dispositivo", SS_LEFT, true, 5, 205, 93, 10},
        // The panel paints itself: its text is its name, for screen readers.
        {"Static", 1064, "Información dispositivo", SS_LEFT, false, 7, 217, 213, 28},
        {"ScrollBar", 1065, "", SBS_VERT, false, 219, 217, 12, 29},
    };
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), "Inicialización de ajustes en VARNO Kardello");
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    for (DWORD bit : {DWORD{WS_POPUP}, DWORD{WS_CAPTION}, DWORD{WS_SYSMENU}, DWORD{DS_MODALFRAME}})
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    // 239 by 297 units in the dialog's font: about 6 by 13 pixels for 4 by 8 units.
    const POINT base = BaseUnits(dialog, 239, 297);
    ASSERT_GT(base.x, 3);
    ASSERT_GT(base.y, 7);

    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Control& c : expected) {
        ASSERT_NE(child, nullptr) << "missing control " << c.id << " " << c.text;
        const LONG childStyle = GetWindowLongA(child, GWL_STYLE);
        EXPECT_EQ(lstrcmpiW(Wide(ClassOf(child)).c_str(), Wide(c.cls).c_str()), 0) << c.text;
        EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), c.id) << c.text;
        EXPECT_EQ(TextOf(child), c.text) << c.id;
        // The names end in an ellipsis when too long and show an '&' as it is; the
        // panel's lines scroll from the keyboard.
        const bool name = c.id >= IDC_APP_NAME_2 && c.id <= IDC_APP_NAME_5;
        EXPECT_EQ((childStyle & (SS_NOPREFIX | SS_ENDELLIPSIS)) == (SS_NOPREFIX | SS_ENDELLIPSIS), name) << c.id;
        if (c.id == IDC_DEVICE_SCROLL) {
            EXPECT_TRUE(childStyle & WS_TABSTOP);
        }
        EXPECT_EQ(static_cast<DWORD>(childStyle) & 0xF, c.kind) << c.id << " " << c.text;
        EXPECT_EQ((childStyle & WS_GROUP) != 0, c.group) << c.id << " " << c.text;
        EXPECT_TRUE(childStyle & WS_VISIBLE) << c.id;
        EXPECT_EQ((GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, c.id == 1064) << c.id;
        const RECT want = ToPixels(base, c.x, c.y, c.width, c.height);
        RECT got{};
        GetWindowRect(child, &got);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, want.left) << c.id << " " << c.text;
        EXPECT_EQ(got.top, want.top) << c.id << " " << c.text;
        EXPECT_EQ(got.right, want.right) << c.id << " " << c.text;
        EXPECT_EQ(got.bottom, want.bottom) << c.id << " " << c.text;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "a control more than the template has";
    // The scroll bar's range is set at the start.
    int minimum = -1, maximum = -1;
    GetScrollRange(GetDlgItem(dialog, 1065), SB_CTL, &minimum, &maximum);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 25);
    Close(dialog, IDCANCEL);
}

TEST_F(SettingsOnWine, ChoosingTheSelectionWindowAndOkStoresOne) {
    // Values the user does not touch come back exactly as stored: a REG_EXPAND_SZ
    // name, a path of an odd byte count and a text with no terminator.
    Win32Registry registry;
    const RegValue expandName{REG_EXPAND_SZ, {'%', 0, 'X', 0, '%', 0, 0, 0}};
    const RegValue oddPath{REG_SZ, {'C', 0, ':', 0, 'z'}};
    const RegValue unterminated{REG_SZ, {'E', 0, 'x', 0}};
    {
        RegistryKey store(registry, RegRoot::LocalMachine, kAgentKey);
        ASSERT_TRUE(store.WriteRaw("APPNAME3", expandName));
        ASSERT_TRUE(store.WriteRaw("PATH4", oddPath));
        ASSERT_TRUE(store.WriteRaw("EXE4", unterminated));
    }
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(Checked(dialog, IDC_CHOICE_PHOTO_APP));
    SendMessageA(GetDlgItem(dialog, IDC_CHOICE_SELECTION), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(dialog, IDC_CHOICE_SELECTION));
    EXPECT_FALSE(Checked(dialog, IDC_CHOICE_PHOTO_APP));
    Close(dialog, IDOK);
    const auto stored = Stored();
    EXPECT_EQ(stored.at("DirectExec"), "1");
    EXPECT_EQ(stored.at("APPNAME2"), "App2");
    EXPECT_EQ(stored.at("PATH5"), "C:\\Apps\\App5.exe");
    {
        RegistryKey store(registry, RegRoot::LocalMachine, kAgentKey);
        for (const auto& [name, expected] : {std::pair{"APPNAME3", expandName}, std::pair{"PATH4", oddPath},
                                          std::pair{"EXE4", unterminated}}) {
            RegValue now;
            ASSERT_EQ(store.ReadRaw(name, now), ERROR_SUCCESS) << name;
            EXPECT_EQ(now.type, expected.type) << name;
            EXPECT_EQ(now.data, expected.data) << name;
        }
    }
    // A new card now brings up the selection window, not the photo application.
    Sim({"insert", "1", "--serial", "VRCARD000077"});
    EXPECT_NE(WaitDialog(TXT_SELECTION_TITLE, 8000), nullptr) << "no selection window";
    EXPECT_TRUE(WindowsTitled(kFotimoTitle, false).empty());
}

TEST_F(SettingsOnWine, DeleteRestoreAndChoiceFollowedByCancelWriteNothing) {
    const auto before = Stored();
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDC_DELETE_1);
    ASSERT_TRUE(WaitFor([&] { return DialogText(dialog, IDC_APP_NAME_1) == TXT_NOT_REGISTERED; }, 3000));
    EXPECT_EQ(DialogText(dialog, IDC_APP_NAME_2), "App2");
    SendMessageA(GetDlgItem(dialog, IDC_CHOICE_NOTHING), BM_CLICK, 0, 0);
    PressButton(dialog, IDC_RESTORE_DEFAULTS);
    HWND confirm = WaitDialog(TXT_DEFAULTS_TITLE, 5000);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(GetWindow(confirm, GW_OWNER), dialog);
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the question is modal over the dialog";
    PressButton(confirm, IDOK);
    ASSERT_TRUE(WaitFor([&] { return DialogText(dialog, IDC_APP_NAME_5) == TXT_NOT_REGISTERED; }, 3000));
    EXPECT_TRUE(Checked(dialog, IDC_CHOICE_PHOTO_APP));
    EXPECT_EQ(Stored(), before);
    Close(dialog, IDCANCEL);
    EXPECT_EQ(Stored(), before);
    // The close box counts as Cancel.
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDC_DELETE_3);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_SETTINGS_TITLE, true).empty(); }, 5000));
    EXPECT_EQ(Stored(), before);
}

// The Open-file dialog's library is loaded only when "Registrar" is first pressed.
TEST_F(SettingsOnWine, RegisterTakesTheFileChosenInTheOpenFileDialog) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    auto loaded = [](const char* name) {
        const auto modules = ModulesOf(AgentWindow());
        return std::find(modules.begin(), modules.end(), name) != modules.end();
    };
    ASSERT_TRUE(loaded("kardello.exe")) << "the agent's modules cannot be read";
    EXPECT_FALSE(loaded("comdlg32.dll"));
    PressButton(dialog, IDC_REGISTER_2);
    HWND open = WaitDialog(TXT_APP_TITLE, 8000);
    ASSERT_NE(open, nullptr) << "no Open-file dialog";
    EXPECT_TRUE(loaded("comdlg32.dll"));
    EXPECT_EQ(GetWindow(open, GW_OWNER), dialog);
    // The read-only box is hidden; the filter lists executables first.
    HWND readOnly = GetDlgItem(open, 0x410);  // chx1
    EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly));
    HWND types = GetDlgItem(open, 0x470);  // cmb1
    ASSERT_NE(types, nullptr);
    wchar_t first[64] = {};  // the wide form: Wine passes it whole across processes
    SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"Fichero EXE(*.exe)");
    EXPECT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 2);
    PressButton(open, IDCANCEL);
    ASSERT_TRUE(WaitFor([] { return WindowsTitled(TXT_APP_TITLE, true).empty(); }, 5000));
    EXPECT_EQ(DialogText(dialog, IDC_APP_NAME_2), "App2") << "cancelled: nothing changes";
    const std::string chosen = BuildPath("tools\\vrsim.exe");
    ChooseFile(dialog, IDC_REGISTER_2, chosen);
    ASSERT_TRUE(WaitFor([&] { return DialogText(dialog, IDC_APP_NAME_2) == "vrsim"; }, 5000))
        << DialogText(dialog, IDC_APP_NAME_2);
    EXPECT_EQ(Stored().at("APPNAME2"), "App2") << "nothing is written before OK";
    Close(dialog, IDOK);
    const auto stored = Stored();
    EXPECT_EQ(stored.at("APPNAME2"), "vrsim");
    EXPECT_EQ(stored.at("EXE2"), "vrsim.exe");
    EXPECT_EQ(lstrcmpiA(stored.at("PATH2").c_str(), chosen.c_str()), 0) << stored.at("PATH2");
    EXPECT_EQ(stored.at("APPNAME1"), "App1");
}

// A file name longer than the Open-file dialog's 64-character title room.
TEST_F(SettingsOnWine, RegisterKeepsALongFileNameWhole) {
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    const std::string base(70, 'L');
    const std::string chosen = std::string(folder) + base + ".v2.exe";
    HANDLE file = CreateFileA(chosen.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ChooseFile(dialog, IDC_REGISTER_4, chosen);
    EXPECT_TRUE(WaitFor([&] { return DialogText(dialog, IDC_APP_NAME_4) != "App4"; }, 5000));
    Close(dialog, IDOK);
    DeleteFileA(chosen.c_str());
    const auto stored = Stored();
    EXPECT_EQ(stored.at("APPNAME4"), base + ".v2");
    EXPECT_EQ(stored.at("EXE4"), base + ".v2.exe");
    EXPECT_EQ(lstrcmpiA(stored.at("PATH4").c_str(), chosen.c_str()), 0) << stored.at("PATH4");
}

// The path's room is 260 with its terminator: 259 characters are taken whole.
// (Longer paths are refused by Windows' dialog; Wine's own dialog faults on them,
// so that case is left to the native tests.)
TEST_F(SettingsOnWine, PathOf259CharactersIsTakenWhole) {
    char temp[MAX_PATH] = {};
    const std::string base(temp, GetTempPathA(sizeof temp, temp));
    const std::string folder = base + std::string(220 - base.size(), 'd');
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string fits = folder + "\\" + std::string(259 - 221 - 4, 'a') + ".exe";
    ASSERT_EQ(fits.size(), 259u);
    // The dialog takes only a file that exists.
    HANDLE file = CreateFileA(fits.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ChooseFile(dialog, IDC_REGISTER_3, fits);
    EXPECT_TRUE(WaitFor([&] { return DialogText(dialog, IDC_APP_NAME_3) == std::string(34, 'a'); }, 5000));
    Close(dialog, IDOK);
    DeleteFileA(fits.c_str());
    RemoveDirectoryA(folder.c_str());
    const auto stored = Stored();
    EXPECT_EQ(lstrcmpiA(stored.at("PATH3").c_str(), fits.c_str()), 0) << stored.at("PATH3");
    EXPECT_EQ(stored.at("EXE3"), std::string(34, 'a') + ".exe");
    EXPECT_EQ(stored.at("PATH4"), "C:\\Apps\\App4.exe");
}

// A standard user: the machine's key may only be read, and was so before the
// agent started. The dialog shows what is stored; OK says it could not save.
TEST_F(SettingsOnWine, OkOnAKeyThatCannotBeWrittenSaysSoAndCloses) {
    WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 2);
    const auto before = Stored();
    HWND dialog = nullptr;
    {
        ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kAgentKey);
        ASSERT_TRUE(readOnly.Applied()) << "the key must refuse full access for this test to mean anything";
        dialog = Open();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(WindowsTitled(TXT_APP_TITLE, true).empty()) << "a box at start";
        EXPECT_TRUE(Checked(dialog, IDC_CHOICE_NOTHING));
        EXPECT_EQ(DialogText(dialog, IDC_APP_NAME_1), "App1");
        EXPECT_EQ(DialogText(dialog, IDC_APP_NAME_5), "App5");
        PressButton(dialog, IDC_CHOICE_SELECTION);
        PressButton(dialog, IDOK);
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            for (HWND w : WindowsTitled(TXT_APP_TITLE, true))
                if (IsWindowVisible(w) && w != dialog) box = w;
            return box != nullptr;
        }, 8000)) << "no box";
        EXPECT_EQ(DialogText(box, 0xFFFF), TXT_SETTINGS_NOT_SAVED);
        EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
        // While the box is up the dialog is still there: the command opens no other.
        PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SETTINGS, 0);
        ASSERT_TRUE(Handled(AgentWindow()));
        EXPECT_TRUE(NothingFor(kWindowShows, [] { return WindowsTitled(TXT_SETTINGS_TITLE, true).size() > 1; }));
        EXPECT_EQ(WindowsTitled(TXT_SETTINGS_TITLE, true).size(), 1u);
        PressButton(box, IDOK);
        EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_SETTINGS_TITLE, true).empty(); }, 5000));
        EXPECT_EQ(Stored(), before);
    }
    EXPECT_TRUE(agent.Running());
    // The flag was cleared: the command opens the dialog again.
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    Close(dialog, IDCANCEL);
}

class PanelOnWine : public SettingsOnWine, public ::testing::WithParamInterface<bool> {};

// With the dialog up, a card put in and taken out shows in the panel within the poll.
TEST_P(PanelOnWine, CardInsertedAndRemovedChangesWhatThePanelShows) {
    if (GetParam()) {
        // The Windows 95 family, which asks the control device only.
        UseWindows95Family();
        Sim({"fail", "1", "on"});
        Sim({"fail", "2", "on"});
    } else {
        Sim({"fail", "control", "on"});
    }
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HWND panel = GetDlgItem(dialog, IDC_DEVICE_INFO);
    PollNow(dialog, 3);
    ASSERT_TRUE(Painted(dialog));
    const auto empty = Pixels(panel);
    Sim({"insert", "1", "--serial", "VRCARD000123", "--letter", "C"});
    EXPECT_TRUE(WaitFor([&] { return Pixels(panel) != empty; }, 5000)) << "insertion not shown";
    PollNow(dialog, 2);
    ASSERT_TRUE(Painted(dialog));
    const auto inserted = Pixels(panel);
    Sim({"remove", "1"});
    EXPECT_TRUE(WaitFor([&] { return Pixels(panel) != inserted; }, 5000)) << "removal not shown";
    // Scrolling to the last lines shows other text again.
    PollNow(dialog, 2);
    ASSERT_TRUE(Painted(dialog));
    const auto removed = Pixels(panel);
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_DEVICE_SCROLL)));
    EXPECT_EQ(GetScrollPos(GetDlgItem(dialog, IDC_DEVICE_SCROLL), SB_CTL), 22);
    EXPECT_TRUE(WaitFor([&] { return Pixels(panel) != removed; }, 3000)) << "scroll not shown";
    Close(dialog, IDCANCEL);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, PanelOnWine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Win95" : "Nt"; });

TEST_F(SettingsOnWine, AbsentReaderAndOddRecordsKeepTheDialogUp) {
    Sim({"absent", "on"});
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    PollNow(dialog, 2);
    Sim({"absent", "off"});
    Sim({"raw", "1", "--records", "7"});
    PollNow(dialog, 3);
    EXPECT_TRUE(agent.Running());
    EXPECT_TRUE(IsWindow(dialog));
    Close(dialog, IDOK);
    EXPECT_TRUE(agent.Running());
}

TEST_F(SettingsOnWine, EndCommandWhileTheDialogIsUpEndsWithCodeZero) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const auto before = Stored();
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_EXIT, 0);
    EXPECT_EQ(agent.WaitExit(10000), 0);
    EXPECT_TRUE(WindowsTitled(TXT_SETTINGS_TITLE, true).empty());
    EXPECT_EQ(Stored(), before);
}

}  // namespace
}  // namespace kardello
