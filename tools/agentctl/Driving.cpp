#include "agentctl/Driving.h"

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "platform/win32/Win32Registry.h"

namespace kardello::driving {

std::string BuildPath(const std::string& relative) {
    const char* build = std::getenv("KARDELLO_BUILD");
    std::string path = std::string("Z:") + (build ? build : "") + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string AgentPath() {
    const char* agent = std::getenv("KARDELLO_AGENT");
    if (agent == nullptr || *agent == '\0') return BuildPath("kardello.exe");
    std::string path = std::string("Z:") + agent;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

Process::Process(const std::string& exe, const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
    }
}

Process::~Process() {
    if (process_) CloseHandle(process_);
}

Process::Process(Process&& other) noexcept : process_(other.process_) { other.process_ = nullptr; }

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        if (process_) CloseHandle(process_);
        process_ = other.process_;
        other.process_ = nullptr;
    }
    return *this;
}

bool Process::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

long Process::WaitExit(DWORD milliseconds) {
    if (process_ == nullptr || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
}

void Process::Kill() {
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
}

ULONGLONG Now() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

bool CreatedAt(HWND window, ULONGLONG& created) {
    DWORD pid = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &pid) == 0) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return false;
    FILETIME creation{}, exit{}, kernel{}, user{};
    const bool ok = GetProcessTimes(process, &creation, &exit, &kernel, &user) != FALSE;
    CloseHandle(process);
    created = (ULONGLONG{creation.dwHighDateTime} << 32) | creation.dwLowDateTime;
    return ok;
}

std::vector<std::string> ModulesOf(HWND window) {
    std::vector<std::string> names;
    DWORD pid = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &pid) == 0) return names;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return names;
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    if (EnumProcessModulesEx(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                             &needed, LIST_MODULES_ALL)) {
        modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
        for (HMODULE module : modules) {
            char name[MAX_PATH] = {};
            if (GetModuleBaseNameA(process, module, name, sizeof name) == 0) continue;
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            names.push_back(lower);
        }
    }
    CloseHandle(process);
    return names;
}

namespace {

struct Search {
    std::string title;
    bool dialogsOnly;
    bool noDialogs;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    char title[512] = {};
    char cls[64] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, cls, sizeof cls);
    const bool dialog = std::string(cls) == "#32770";
    if (search->title == title && (!search->dialogsOnly || dialog) && (!search->noDialogs || !dialog))
        search->found.push_back(window);
    return TRUE;
}

HKEY OpenKey(HKEY root, const char* key) {
    HKEY opened = nullptr;
    RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(root, key), nullptr, &opened,
                    nullptr);
    return opened;
}

}  // namespace

std::vector<HWND> WindowsTitled(const std::string& title, bool dialogsOnly) {
    Search search{title, dialogsOnly, false, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AgentWindow() {
    Search search{"VARNO Kardello", false, true, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

std::size_t CloseWindowsTitled(const std::string& title) {
    const auto windows = WindowsTitled(title, false);
    for (HWND window : windows) PostMessageA(window, WM_CLOSE, 0, 0);
    return windows.size();
}

HWND WaitDialog(const std::string& title, DWORD milliseconds) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            auto windows = WindowsTitled(title, true);
            for (HWND w : windows)
                if (IsWindowVisible(w)) found = w;
            return found != nullptr;
        },
        milliseconds);
    return found;
}

namespace {

BOOL CALLBACK CollectClass(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<std::pair<std::string, std::vector<HWND>>*>(param);
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (IsWindowVisible(window) && found->first == cls) found->second.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOfClass(const char* cls) {
    std::pair<std::string, std::vector<HWND>> found{cls, {}};
    EnumWindows(CollectClass, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

std::vector<HWND> TaskbarButtons() {
    std::vector<HWND> shown;
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    if (tray == nullptr) return shown;
    for (HWND child = GetWindow(tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        const LONG_PTR id = GetWindowLongPtrA(child, GWLP_ID);
        if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child) && id != 0)
            shown.push_back(reinterpret_cast<HWND>(id));
    }
    return shown;
}

bool HasTaskbarButton(HWND window) {
    for (HWND shown : TaskbarButtons())
        if (shown == window) return true;
    return false;
}

// The icon's id and callback message as the agent gives them to the shell.
constexpr UINT kTrayCallback = WM_USER + 500;
constexpr WPARAM kTrayIconId = 100;

bool OpenTrayMenu(HWND agent, DWORD milliseconds) {
    // A menu still closing would be taken for the new one.
    if (!WaitFor([] { return WindowsOfClass("#32768").empty(); }, milliseconds)) return false;
    PostMessageA(agent, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
    return WaitFor([] { return !WindowsOfClass("#32768").empty(); }, milliseconds);
}

// The menu's own loop takes the keys of the thread that tracks it.
void ChooseMenuItem(HWND agent, char key) { PostMessageA(agent, WM_CHAR, static_cast<WPARAM>(key), 0); }

std::string DialogText(HWND dialog, int controlId) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, controlId, text, sizeof text);
    return text;
}

std::vector<std::string> DialogStatics(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") != 0) continue;
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0]) texts.push_back(text);
    }
    return texts;
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ReadString(HKEY root, const char* key, const char* name, std::string& text) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | ViewFlag(root, key), &opened) != ERROR_SUCCESS) return false;
    char data[2048] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG status = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) return false;
    text = data;
    return true;
}

bool ReadNumber(HKEY root, const char* key, const char* name, DWORD& number) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | ViewFlag(root, key), &opened) != ERROR_SUCCESS) return false;
    DWORD size = sizeof number, type = 0;
    const LONG status = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS && type == REG_DWORD;
}

void WriteString(HKEY root, const char* key, const char* name, const std::string& text) {
    HKEY opened = OpenKey(root, key);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(opened);
}

void WriteNumber(HKEY root, const char* key, const char* name, DWORD number) {
    HKEY opened = OpenKey(root, key);
    RegSetValueExA(opened, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(opened);
}

void DeleteValue(HKEY root, const char* key, const char* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS | ViewFlag(root, key), &opened) != ERROR_SUCCESS) return;
    RegDeleteValueA(opened, name);
    RegCloseKey(opened);
}

}  // namespace kardello::driving
