// The real kardello.exe under whatever code page and fonts the bench gives it: every
// text it shows read through the W functions is the exact Spanish text, a program
// from a folder named outside any one code page goes from registration to its start,
// and the owner-drawn buttons look the same with a Japanese font installed.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>

#include "EndToEnd.h"
#include "agentctl/Driving.h"
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

// Cyrillic and Japanese: no one code page holds both.
constexpr const char* kFolder = "C:\\Программы 写真";
constexpr const char* kProgram = "C:\\Программы 写真\\Фото & 写真.v2.exe";

std::map<std::string, std::vector<BYTE>> StoredBytes() {
    std::map<std::string, std::vector<BYTE>> values;
    for (const char* name : kStoredValues) ReadRaw(HKEY_LOCAL_MACHINE, kAgentKey, name, values[name]);
    return values;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Pixels of the buttons that draw texts of their own: the photo application's, the
// toggle, "Ajustes" and, once unfolded, the slot of the registered program.
using Shots = std::vector<std::vector<DWORD>>;
constexpr int kDrawnButtons[] = {IDC_SELECTION_PHOTO_APP, IDC_SELECTION_OTHER_APPS,
                                 IDC_SELECTION_SETTINGS, IDC_SELECTION_SLOT_3};

Shots Buttons(HWND selection) {
    Shots shots;
    for (int id : kDrawnButtons) shots.push_back(Pixels(GetDlgItem(selection, id)));
    return shots;
}

// Drawn in the bench's own code page, the buttons are kept for the runs in others.
const std::string kReference = "wine-bench\\texts-reference.bin";

void SaveShots(const Shots& shots) {
    HANDLE file = CreateFileW(Wide(BuildPath(kReference)).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    for (const auto& shot : shots) {
        DWORD size = static_cast<DWORD>(shot.size()), written = 0;
        WriteFile(file, &size, sizeof size, &written, nullptr);
        WriteFile(file, shot.data(), size * sizeof(DWORD), &written, nullptr);
    }
    CloseHandle(file);
}

Shots LoadShots() {
    Shots shots;
    HANDLE file = CreateFileW(Wide(BuildPath(kReference)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return shots;
    DWORD size = 0, read = 0;
    while (ReadFile(file, &size, sizeof size, &read, nullptr) && read == sizeof size && size < (1u << 22)) {
        std::vector<DWORD> shot(size);
        if (!ReadFile(file, shot.data(), size * sizeof(DWORD), &read, nullptr) || read != size * sizeof(DWORD))
            break;
        shots.push_back(std::move(shot));
    }
    CloseHandle(file);
    return shots;
}

class TextsOnWine : public AgentTest {
protected:
    HWND Command(int id, const char* title) {
        PostMessageW(AgentWindow(), WM_COMMAND, id, 0);
        return WaitDialog(title, 8000);
    }
    static void Close(HWND dialog, int button, const char* title) {
        PressButton(dialog, button);
        EXPECT_TRUE(WaitFor([&] { return WindowsTitled(title, true).empty(); }, 5000)) << title;
    }
};

TEST_F(TextsOnWine, EveryTextIsExactAndAProgramFromAnyFolderIsRegisteredShownAndStarted) {
    std::cout << "[ wine     ] code page " << GetACP() << std::endl;
    CreateDirectoryW(Wide(kFolder).c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Wide(BuildPath("tools/fotimo.exe")).c_str(), Wide(kProgram).c_str(), FALSE));
    WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 2);
    StartAgent();
    ASSERT_FALSE(HasFatalFailure());

    // The settings dialog: its title found by its exact text, its own texts exact.
    HWND dialog = Command(ID_MENU_SETTINGS, TXT_SETTINGS_TITLE);
    ASSERT_NE(dialog, nullptr) << "no dialog titled exactly \"" TXT_SETTINGS_TITLE "\"";
    const auto statics = DialogStatics(dialog);
    EXPECT_TRUE(Contains(statics, "Ajustes Básicos"));
    EXPECT_TRUE(Contains(statics, "Información dispositivo"));
    EXPECT_EQ(DialogText(dialog, IDC_CHOICE_SELECTION), "Abriendo la ventana de Inicialización de Selección");
    EXPECT_EQ(DialogText(dialog, IDC_CHOICE_NOTHING), "No es necesaria ninguna acción");
    ChooseFile(dialog, IDC_REGISTER_3, kProgram);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(WaitFor([&] { return DialogText(dialog, IDC_APP_NAME_3) == "Фото & 写真.v2"; }, 5000))
        << DialogText(dialog, IDC_APP_NAME_3);
    Close(dialog, IDOK, TXT_SETTINGS_TITLE);
    std::string stored;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "PATH3", stored));
    EXPECT_EQ(lstrcmpiW(Wide(stored).c_str(), Wide(kProgram).c_str()), 0) << stored;
    ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "APPNAME3", stored);
    EXPECT_EQ(stored, "Фото & 写真.v2");
    ReadString(HKEY_LOCAL_MACHINE, kAgentKey, "EXE3", stored);
    EXPECT_EQ(stored, "Фото & 写真.v2.exe");

    // OK with nothing changed leaves every value as it was, byte for byte.
    const auto before = StoredBytes();
    dialog = Command(ID_MENU_SETTINGS, TXT_SETTINGS_TITLE);
    ASSERT_NE(dialog, nullptr);
    Close(dialog, IDOK, TXT_SETTINGS_TITLE);
    EXPECT_EQ(StoredBytes(), before);

    // The selection window names every button, the registered one as it was chosen.
    HWND selection = Command(ID_MENU_SELECTION, TXT_SELECTION_TITLE);
    ASSERT_NE(selection, nullptr);
    EXPECT_TRUE(Contains(DialogStatics(selection), "¿Abrir VARNO Fotimo?"));
    EXPECT_EQ(DialogText(selection, IDC_SELECTION_PHOTO_APP), "Abriendo VARNO Fotimo");
    EXPECT_EQ(DialogText(selection, IDC_SELECTION_OTHER_APPS), "Abrir una aplicación diferente");
    EXPECT_EQ(DialogText(selection, IDC_SELECTION_SETTINGS), "Ajustes");
    EXPECT_EQ(DialogText(selection, IDC_SELECTION_SLOT_3), "Фото && 写真.v2");  // no mnemonic
    EXPECT_EQ(DialogText(selection, IDC_SELECTION_SLOT_1), TXT_NOT_REGISTERED);
    PressButton(selection, IDC_SELECTION_OTHER_APPS);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(selection, IDC_SELECTION_SLOT_3)); }, 5000));
    ASSERT_TRUE(Painted(selection));
    // The labels the buttons draw look as they do in the bench's own code page, where
    // the face has its Western form (a Cyrillic system's does not: its stand-in is
    // another face, seen in the window layer's test).
    const Shots drawn = Buttons(selection);
    if (GetACP() == 1252) {
        SaveShots(drawn);
    } else if (GetACP() == CP_UTF8) {
        const Shots reference = LoadShots();
        ASSERT_EQ(reference.size(), drawn.size()) << "no buttons from the run in code page 1252";
        for (std::size_t i = 0; i < drawn.size(); ++i)
            EXPECT_TRUE(drawn[i] == reference[i]) << "button " << kDrawnButtons[i] << " is drawn otherwise";
    }
    PressButton(selection, IDC_SELECTION_SLOT_3);
    EXPECT_TRUE(WaitFor([] { return FotimoWindows() == 1; }, 10000)) << "the program did not start";
    EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_SELECTION_TITLE, true).empty(); }, 5000));
    CloseFotimo();

    // The version box, and the box a second copy shows.
    HWND about = Command(ID_MENU_ABOUT, TXT_ABOUT_TITLE);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(Contains(DialogStatics(about), TXT_ABOUT_VERSION));
    EXPECT_TRUE(Contains(DialogStatics(about), TXT_ABOUT_RIGHTS));
    Close(about, IDOK, TXT_ABOUT_TITLE);
    Process second(AgentPath(), "");
    HWND box = WaitDialog(TXT_APP_TITLE, 8000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Contains(DialogStatics(box), TXT_ALREADY_RUNNING));
    PressButton(box, IDOK);
    EXPECT_EQ(second.WaitExit(5000), 0);

    EndAgent();
    DeleteFileW(Wide(kProgram).c_str());
    RemoveDirectoryW(Wide(kFolder).c_str());
}

// Run in a process of its own: true when the Japanese font is there for a program
// that starts now, as the agent does.
TEST(FontProbe, DISABLED_JapaneseFontIsThere) {
    HDC screen = GetDC(nullptr);
    LOGFONTW wanted{};
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    bool found = false;
    EnumFontFamiliesExW(
        screen, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(found);
}

bool JapaneseFontSeenByANewProgram() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    Process probe(Narrow(self), "--gtest_filter=FontProbe.* --gtest_also_run_disabled_tests");
    return probe.WaitExit(20000) == 0;
}

TEST_F(TextsOnWine, OwnerDrawnButtonsAndThePanelLookTheSameWithAJapaneseFont) {
    const char* font = std::getenv("KARDELLO_JAPANESE_FONT");
    ASSERT_NE(font, nullptr) << "KARDELLO_JAPANESE_FONT names the font file to install";
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring target = std::wstring(windows) + L"\\Fonts\\kardello-test-japanese.ttf";
    DeleteFileW(target.c_str());
    ASSERT_FALSE(JapaneseFontSeenByANewProgram()) << "a Japanese font is there already: nothing to compare";
    Sim({"insert", "1", "--serial", "VRCARD000001", "--letter", "E"});

    auto shoot = [&](Shots& shots) {
        StartAgent();
        ASSERT_FALSE(HasFatalFailure());
        HWND selection = Command(ID_MENU_SELECTION, TXT_SELECTION_TITLE);
        ASSERT_NE(selection, nullptr);
        ASSERT_TRUE(Painted(selection));
        shots = Buttons(selection);
        shots.pop_back();  // the folded window shows no slot
        Close(selection, IDCANCEL, TXT_SELECTION_TITLE);
        HWND settings = Command(ID_MENU_SETTINGS, TXT_SETTINGS_TITLE);
        ASSERT_NE(settings, nullptr);
        PollNow(settings, 3);  // the poll has seen the card
        ASSERT_TRUE(Painted(settings));
        shots.push_back(Pixels(GetDlgItem(settings, IDC_DEVICE_INFO)));
        Close(settings, IDCANCEL, TXT_SETTINGS_TITLE);
        EndAgent();
    };
    Shots without, with;
    shoot(without);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(CopyFileW(Wide(std::string("Z:") + font).c_str(), target.c_str(), FALSE));
    const bool seen = JapaneseFontSeenByANewProgram();
    if (seen) shoot(with);
    DeleteFileW(target.c_str());
    ASSERT_TRUE(seen) << "the font copied into the Fonts folder is not seen";
    ASSERT_EQ(with.size(), without.size());
    const char* names[] = {"photo application button", "toggle", "settings button", "device panel"};
    for (std::size_t i = 0; i < with.size(); ++i) {
        ASSERT_FALSE(without[i].empty()) << names[i];
        EXPECT_TRUE(with[i] == without[i]) << names[i] << " looks different with a Japanese font";
    }
}

}  // namespace
}  // namespace kardello
