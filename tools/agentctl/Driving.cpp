#include "agentctl/Driving.h"

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/win32/Win32Registry.h"
#include "simreader/MediaNotice.h"
#include "simreader/SimState.h"

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

Process::Process(const std::string& exe, const std::string& arguments, const std::string& directory) {
    WideString commandLine = Wide("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments));
    const WideString folder = Wide(directory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(Wide(exe).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       directory.empty() ? nullptr : folder.c_str(), &startup, &info)) {
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

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

bool Handled(HWND window, int posted) {
    for (int i = 0; i <= posted; ++i)
        if (!Answers(window)) return false;
    return true;
}

bool SemaphoreHeld(const char* name) {
    HANDLE held = OpenSemaphoreW(SYNCHRONIZE, FALSE, Wide(name).c_str());
    if (held != nullptr) CloseHandle(held);
    return held != nullptr;
}

std::vector<DWORD> RequestsServed() {
    Win32Registry registry;
    std::vector<std::uint32_t> counts;
    simreader::SimState(registry).ReadServed(&counts);
    return std::vector<DWORD>(counts.begin(), counts.end());
}

bool WatchNow(HWND agent, int looks) {
    Win32Registry registry;
    bool absent = false;
    simreader::SimState(registry).ReadAbsent(&absent);
    const auto told = [agent] { return simreader::AnnounceMediaTo(agent, true, 'G'); };
    if (absent) {
        for (int i = 0; i < looks; ++i)
            if (!told() || !Answers(agent) || !Answers(agent)) return false;
        return true;
    }
    const std::vector<DWORD> before = RequestsServed();
    const DWORD wanted = static_cast<DWORD>(looks) + 2;
    return WaitFor([&] {
        if (!told()) return false;
        const std::vector<DWORD> now = RequestsServed();
        for (std::size_t i = 0; i < now.size() && i < before.size(); ++i) {
            // A count that went back was started again.
            const DWORD asked = now[i] >= before[i] ? now[i] - before[i] : now[i];
            if (asked >= wanted) return true;
        }
        return false;
    }, 10000 + 1000 * static_cast<DWORD>(looks), 20);
}

namespace {

BOOL CALLBACK FindUnpainted(HWND window, LPARAM found) {
    if (!GetUpdateRect(window, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

bool Painted(HWND window) {
    return WaitFor([window] {
               bool unpainted = GetUpdateRect(window, nullptr, FALSE) != FALSE;
               if (!unpainted) EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
               return !unpainted;
           }, 5000) &&
           Answers(window);
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
            wchar_t name[MAX_PATH] = {};
            if (GetModuleBaseNameW(process, module, name, MAX_PATH) == 0) continue;
            std::string lower = Narrow(name);
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            names.push_back(lower);
        }
    }
    CloseHandle(process);
    return names;
}

std::string TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    WideString text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    return Narrow(text.c_str(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

std::string ClassOf(HWND window) {
    wchar_t cls[256] = {};
    const int length = GetClassNameW(window, cls, 256);
    return Narrow(cls, static_cast<std::size_t>(length > 0 ? length : 0));
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
    const bool dialog = ClassOf(window) == "#32770";
    if (search->title == TextOf(window) && (!search->dialogsOnly || dialog) && (!search->noDialogs || !dialog))
        search->found.push_back(window);
    return TRUE;
}

HKEY OpenKey(HKEY root, const char* key) {
    HKEY opened = nullptr;
    RegCreateKeyExW(root, Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(root, key), nullptr,
                    &opened, nullptr);
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
    for (HWND window : windows) PostMessageW(window, WM_CLOSE, 0, 0);
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
    if (IsWindowVisible(window) && found->first == ClassOf(window)) found->second.push_back(window);
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
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr) return shown;
    for (HWND child = GetWindow(tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR id = GetWindowLongPtrW(child, GWLP_ID);
        if (lstrcmpiW(Wide(ClassOf(child)).c_str(), L"Button") == 0 && IsWindowVisible(child) && id != 0)
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
    PostMessageW(agent, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
    return WaitFor([] { return !WindowsOfClass("#32768").empty(); }, milliseconds);
}

// The menu's own loop takes the keys of the thread that tracks it.
void ChooseMenuItem(HWND agent, char key) { PostMessageW(agent, WM_CHAR, static_cast<WPARAM>(key), 0); }

std::string DialogText(HWND dialog, int controlId) {
    HWND item = GetDlgItem(dialog, controlId);
    return item != nullptr ? TextOf(item) : std::string();
}

std::vector<std::string> DialogStatics(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiW(Wide(ClassOf(child)).c_str(), L"Static") != 0) continue;
        const std::string text = TextOf(child);
        if (!text.empty()) texts.push_back(text);
    }
    return texts;
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ReadString(HKEY root, const char* key, const char* name, std::string& text) {
    std::vector<BYTE> raw;
    if (!ReadRaw(root, key, name, raw)) return false;
    WideString units(raw.size() / 2, L'\0');
    if (!units.empty()) std::memcpy(&units[0], raw.data(), units.size() * sizeof(wchar_t));
    text = Narrow(units.c_str());  // up to the terminator
    return true;
}

bool ReadRaw(HKEY root, const char* key, const char* name, std::vector<BYTE>& bytes, DWORD* type) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ | ViewFlag(root, key), &opened) != ERROR_SUCCESS)
        return false;
    DWORD size = 0, kind = 0;
    const WideString value = Wide(name);
    LONG status = RegQueryValueExW(opened, value.c_str(), nullptr, &kind, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        bytes.assign(size, 0);
        status = RegQueryValueExW(opened, value.c_str(), nullptr, &kind, bytes.data(), &size);
        bytes.resize(size);
    }
    RegCloseKey(opened);
    if (type != nullptr) *type = kind;
    return status == ERROR_SUCCESS;
}

bool ReadNumber(HKEY root, const char* key, const char* name, DWORD& number) {
    std::vector<BYTE> raw;
    DWORD type = 0;
    if (!ReadRaw(root, key, name, raw, &type) || type != REG_DWORD || raw.size() != sizeof number) return false;
    std::memcpy(&number, raw.data(), sizeof number);
    return true;
}

void WriteString(HKEY root, const char* key, const char* name, const std::string& text) {
    HKEY opened = OpenKey(root, key);
    const WideString units = Wide(text);
    RegSetValueExW(opened, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(units.c_str()),
                   static_cast<DWORD>((units.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

void WriteNumber(HKEY root, const char* key, const char* name, DWORD number) {
    HKEY opened = OpenKey(root, key);
    RegSetValueExW(opened, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(opened);
}

void DeleteValue(HKEY root, const char* key, const char* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_ALL_ACCESS | ViewFlag(root, key), &opened) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(opened, Wide(name).c_str());
    RegCloseKey(opened);
}

}  // namespace kardello::driving
