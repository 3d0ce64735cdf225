#pragma once
// What the end-to-end test programs share: the keys they look at, the stand-in
// photo application's title, and the simulated card reader driven as `vrsim`
// drives it.

#include <gtest/gtest.h>

#include "agentctl/Driving.h"  // windows.h first
#include "platform/win32/Win32Registry.h"
#include "res/SettingsDialogIds.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"
#include "settings/SettingsDialog.h"
#include "simreader/SimCommand.h"
#include "simreader/SimState.h"
#include <sddl.h>
#include <shellapi.h>

#include <string>
#include <vector>


namespace kardello::wine {

constexpr const char* kAgentKey = "Software\\VARNO\\VARNO Kardello";
constexpr const char* kPhotoKey = "Software\\VARNO\\VARNO Fotimo";
// Where a test switches the agent to the Windows 95 family.
constexpr const char* kAppDefaults = "Software\\Wine\\AppDefaults\\kardello.exe";
constexpr const char* kFotimoTitle = "VARNO Fotimo (simulado)";
// The photo application's CAPTION: the semaphore the stand-in holds while it runs.
constexpr const char* kFotimoCaption = "VARNO Fotimo Running";
// Where the stand-in writes the folder it was started in.
constexpr const char* kFotimoReportKey = "Software\\VARNO\\Fotimo simulado";
// Every value the settings dialog stores.
constexpr const char* kStoredValues[] = {"DirectExec", "EXE1", "PATH1", "APPNAME1", "EXE2",
                                         "PATH2", "APPNAME2", "EXE3", "PATH3", "APPNAME3",
                                         "EXE4", "PATH4", "APPNAME4", "EXE5", "PATH5", "APPNAME5"};

// How long a window that must not come is watched for. A window of the agent's own is
// up by the time its thread has taken what made it; this leaves a step it posts
// itself time to show one. From the look that asks for it, a start shows the
// stand-in's window within 0.8 s here with a build running beside.
constexpr DWORD kWindowShows = 300;
constexpr DWORD kStartShows = 1000;

inline void Sim(const std::vector<std::string>& args) {
    Win32Registry registry;
    const auto result = simreader::RunSimCommand(registry, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

// A key as a standard user meets a machine key: readable, not writable, with a
// full-access open refused. The key's list is put back when this goes.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const char* key) : root_(root), key_(key) {
        HKEY opened = nullptr;
        RegOpenKeyExA(root_, key_, 0, READ_CONTROL | WRITE_DAC | ViewFlag(root_, key_), &opened);
        if (opened == nullptr) return;
        DWORD size = 0;
        RegGetKeySecurity(opened, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (RegGetKeySecurity(opened, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS)
            saved_.clear();
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (!saved_.empty() &&
            ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KRWD;;;WD)", SDDL_REVISION_1,
                                                                 &readOnly, nullptr)) {
            applied_ = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
            LocalFree(readOnly);
        }
        RegCloseKey(opened);
        // Without the refusal the test would mean nothing.
        HKEY probe = nullptr;
        if (RegOpenKeyExA(root_, key_, 0, KEY_ALL_ACCESS | ViewFlag(root_, key_), &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            applied_ = false;
        }
    }
    ~ReadOnlyKey() {
        if (saved_.empty()) return;
        HKEY opened = nullptr;
        // The read-only list keeps the right to change the list itself.
        if (RegOpenKeyExA(root_, key_, 0, WRITE_DAC | ViewFlag(root_, key_), &opened) == ERROR_SUCCESS) {
            RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, saved_.data());
            RegCloseKey(opened);
        }
    }
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    bool Applied() const { return applied_; }

private:
    HKEY root_;
    const char* key_;
    std::vector<BYTE> saved_;
    bool applied_ = false;
};

// The machine's key in the 64-bit view, where 64-bit programs other than the agent
// would look; made when missing. The caller closes it.
inline HKEY Create64BitViewKey(const char* key) {
    HKEY opened = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                    &opened, nullptr);
    return opened;
}
// A value in the 64-bit view: a decoy that the agent must never read nor write.
inline void WriteIn64BitView(const char* key, const char* name, const std::string& text) {
    HKEY opened = Create64BitViewKey(key);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(opened);
}
inline void WriteIn64BitView(const char* key, const char* name, DWORD number) {
    HKEY opened = Create64BitViewKey(key);
    RegSetValueExA(opened, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(opened);
}
// The names of the values in the 64-bit view's key; empty when there is none.
inline std::vector<std::string> NamesIn64BitView(const char* key) {
    std::vector<std::string> names;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(opened);
    return names;
}
inline void Clear64BitView() {
    for (const char* key : {kAgentKey, kPhotoKey})
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\VARNO", KEY_WOW64_64KEY, 0);
}

inline bool AgentIs64Bit() {
    DWORD type = 0;
    return GetBinaryTypeA(driving::AgentPath().c_str(), &type) && type == SCS_64BIT_BINARY;
}

// Wine reports the Windows 95 family to the agent by its file name. Such a system
// runs only 32-bit programs; Wine's Windows 95 registry ignores the view a program
// asks for, so a 64-bit agent made to believe it is on one reads the 64-bit view,
// and the machine's values are copied there for it.
inline void UseWindows95Family() {
    driving::WriteString(HKEY_CURRENT_USER, kAppDefaults, "Version", "win98");
    if (!AgentIs64Bit()) return;
    for (const char* key : {kAgentKey, kPhotoKey}) {
        HKEY from = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_32KEY, &from) != ERROR_SUCCESS)
            continue;
        HKEY to = Create64BitViewKey(key);
        char name[256];
        BYTE data[2048];
        for (DWORD i = 0;; ++i) {
            DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
            if (RegEnumValueA(from, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            RegSetValueExA(to, name, 0, type, data, dataSize);
        }
        RegCloseKey(to);
        RegCloseKey(from);
    }
}

// The pixels of a control as the screen shows them.
// Each pixel as 0x00RRGGBB, rows from the top.
inline std::vector<DWORD> Pixels(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// A modal window owned as it should be: `owner` disabled under it, and no taskbar
// button for it. A window of this program's own, which gets a button, shows that the
// taskbar has caught up; its icon keeps the shell's tray, and so the taskbar, up
// even before the agent has an icon.
inline void ExpectOwnedBy(HWND window, HWND owner) {
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
    EXPECT_FALSE(IsWindowEnabled(owner)) << "the window under a modal window takes no input";
    HWND control = CreateWindowExA(0, "STATIC", "Kardello taskbar probe", WS_OVERLAPPEDWINDOW, 0, 0,
                                   120, 60, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(control, nullptr);
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = control;
    icon.uFlags = NIF_ICON;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    Shell_NotifyIconA(NIM_ADD, &icon);
    ShowWindow(control, SW_SHOWNA);
    EXPECT_TRUE(driving::WaitFor([&] { return driving::HasTaskbarButton(control); }, 5000))
        << "no taskbar at all";
    EXPECT_FALSE(driving::HasTaskbarButton(window));
    Shell_NotifyIconA(NIM_DELETE, &icon);
    DestroyWindow(control);
}

// Types `path` into an Open-file dialog's name box and presses its OK, as the user would.
inline void TypeFileName(HWND open, const std::string& path) {
    HWND name = GetDlgItem(open, 0x47C);                  // cmb13, the file name box
    if (name == nullptr) name = GetDlgItem(open, 0x480);  // edt1
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(path).c_str()));
    driving::PressButton(open, IDOK);
}
// Register in a row of the settings dialog, choosing `path`.
inline void ChooseFile(HWND dialog, int registerButton, const std::string& path) {
    driving::PressButton(dialog, registerButton);
    HWND open = driving::WaitDialog(TXT_APP_TITLE, 8000);
    ASSERT_NE(open, nullptr) << "no Open-file dialog";
    TypeFileName(open, path);
}

// Placed where the user looks: centred on `around`, within a pixel.
inline RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}
inline void ExpectCentredOn(HWND window, const RECT& around) {
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_NEAR((r.left + r.right) / 2, (around.left + around.right) / 2, 1) << "across";
    EXPECT_NEAR((r.top + r.bottom) / 2, (around.top + around.bottom) / 2, 1) << "down";
}

inline std::size_t FotimoWindows() { return driving::WindowsTitled(kFotimoTitle, false).size(); }

// The folder the last stand-in started was started in; empty until one reports it.
inline std::string FotimoFolder() {
    std::string folder;
    driving::ReadString(HKEY_CURRENT_USER, kFotimoReportKey, "CurrentDirectory", folder);
    return folder;
}
// Whether the two name the same folder, as Windows compares names.
inline bool SameFolder(const std::string& a, const std::string& b) {
    return CompareStringOrdinal(Wide(a).c_str(), -1, Wide(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Each test starts from two units with no card, the agent's CAPTION, the stand-in
// registered as the photo application and no card recorded, on the NT family; it
// ends with the agent ended (or killed) and the stand-in closed.
class AgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace driving;
        Sim({"reset"});
        WriteString(HKEY_LOCAL_MACHINE, kAgentKey, "CAPTION", "VARNO Kardello Agent");
        WriteString(HKEY_LOCAL_MACHINE, kPhotoKey, "PATH", BuildPath("tools/fotimo.exe"));
        WriteString(HKEY_LOCAL_MACHINE, kPhotoKey, "CAPTION", kFotimoCaption);
        for (const char* name : {"ExtendStatus", "DriLetter", "SerialNo"})
            DeleteValue(HKEY_CURRENT_USER, kAgentKey, name);
        DeleteValue(HKEY_CURRENT_USER, kFotimoReportKey, "CurrentDirectory");
        DeleteValue(HKEY_CURRENT_USER, kAppDefaults, "Version");
        Clear64BitView();
    }
    void TearDown() override {
        if (agent.Running()) {
            if (HWND window = driving::AgentWindow()) PostMessageA(window, WM_COMMAND, ID_MENU_EXIT, 0);
            if (agent.WaitExit(5000) == -1) agent.Kill();
        }
        CloseFotimo();
        driving::DeleteValue(HKEY_CURRENT_USER, kAppDefaults, "Version");
    }
    // In the system folder, as the Run key starts it at logon: a program it starts
    // somewhere else has been given that folder.
    void StartAgent(const std::string& arguments = "") {
        wchar_t system[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        agent = driving::Process(driving::AgentPath(), arguments, Narrow(system, length < MAX_PATH ? length : 0));
        ASSERT_TRUE(agent.Started());
        ASSERT_TRUE(driving::WaitFor([] { return driving::AgentWindow() != nullptr; }, 10000))
            << "no agent window";
        ASSERT_TRUE(driving::Answers(driving::AgentWindow())) << "the agent does not answer";
        // Its start is over, the start's look at the reader with it: a card from now on
        // is a new card, found by a later look.
        WatchNow();
    }
    // The agent looks at the card reader `looks` times now, and has acted on them on return.
    static void WatchNow(int looks = 1) {
        HWND window = driving::AgentWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(driving::WatchNow(window, looks)) << "the agent does not look at the reader";
    }
    void EndAgent() {
        HWND window = driving::AgentWindow();
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_COMMAND, ID_MENU_EXIT, 0);
        EXPECT_EQ(agent.WaitExit(10000), 0);
    }
    // The settings dialog polls the card reader `times` times now, and on return its
    // panel shows the reader's last answer. The answers come back on their own: the last
    // one is drawn once a further poll leaves the painted panel as it was.
    static void PollNow(HWND dialog, int times = 1) {
        const auto poll = [dialog] {
            return PostMessageA(dialog, WM_TIMER, SettingsDialog::kPollTimer, 0) &&
                   driving::Answers(dialog) && driving::Answers(dialog);
        };
        for (int i = 0; i < times; ++i) ASSERT_TRUE(poll()) << "the agent does not answer";
        HWND panel = GetDlgItem(dialog, IDC_DEVICE_INFO);
        std::vector<DWORD> last;
        ASSERT_TRUE(driving::WaitFor([&] {
            if (!poll() || !driving::Painted(dialog)) return false;
            std::vector<DWORD> now = Pixels(panel);
            const bool same = now == last;
            last = std::move(now);
            return same;
        }, 10000)) << "the panel does not settle";
    }
    // Closed, and its process gone with the semaphore that says it runs.
    static void CloseFotimo() {
        driving::CloseWindowsTitled(kFotimoTitle);
        driving::WaitFor([] { return FotimoWindows() == 0 && !driving::SemaphoreHeld(kFotimoCaption); }, 5000);
    }

    driving::Process agent;
};

}  // namespace kardello::wine
