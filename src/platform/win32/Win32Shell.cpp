#include "platform/win32/Win32Shell.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/win32/ComApartment.h"
#include "platform/win32/CriticalErrors.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WinApi.h"
#include <objbase.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace kardello {

namespace {

IconHandle ShellFileInfoIcon(const std::string& path, UINT flags) {
    // A program registered from a card that is out must not bring up "no disk" boxes.
    const QuietCriticalErrors quiet;
    SHFILEINFOW info{};
    if (SHGetFileInfoW(Wide(path).c_str(), 0, &info, sizeof info, SHGFI_ICON | flags) == 0) return nullptr;
    return reinterpret_cast<IconHandle>(info.hIcon);
}

}  // namespace

Win32Shell::~Win32Shell() = default;

// Its library is loaded here, at the first start or icon, rather than with the program:
// the agent's memory at start stays as it was. Another thread (the shell's executor)
// brings its own apartment, and never touches this one.
void Win32Shell::PrepareCom() {
    if (std::this_thread::get_id() == owner_ && !com_) com_ = std::make_unique<ComApartment>();
}

bool Win32Shell::NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
    NOTIFYICONDATAW native{};
    // The first form: every shell since the first accepts it, and its tip holds 63 units.
    native.cbSize = NOTIFYICONDATAW_V1_SIZE;
    static_assert(NOTIFYICONDATAW_V1_SIZE == (sizeof(void*) == 8 ? 168 : 152),
                  "the first form's size as the shell checks it, in either build");
    native.hWnd = reinterpret_cast<HWND>(data.window);
    native.uID = data.id;
    native.uFlags = data.flags;
    native.uCallbackMessage = data.callbackMessage;
    native.hIcon = reinterpret_cast<HICON>(data.icon);
    const WideString tip = Wide(data.tip);
    std::size_t length = std::min<std::size_t>(tip.size(), 63);
    // Never half a character: a pair cut after its first unit goes whole.
    if (length > 0 && length < tip.size() && IS_HIGH_SURROGATE(tip[length - 1])) --length;
    std::memcpy(native.szTip, tip.data(), length * sizeof(wchar_t));
    native.szTip[length] = L'\0';
    return Shell_NotifyIconW(message, &native) != FALSE;
}

std::intptr_t Win32Shell::Execute(const char* verb, const std::string& file,
                                  const std::string& directory, int show) {
    PrepareCom();
    // A program on a drive with no medium must not bring up the "no disk" box.
    const QuietCriticalErrors quiet;
    const WideString wideVerb = verb != nullptr ? Wide(verb) : WideString();
    const WideString wideFile = Wide(file);
    const WideString wideDirectory = Wide(directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Starts run on a worker that may end its apartment right after: the shell must
    // finish its work (DDE, a copy hook) before it returns. A failure is the agent's own
    // box to tell, shown by the window the start came from: the shell shows none.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = verb != nullptr ? wideVerb.c_str() : nullptr;
    info.lpFile = wideFile.c_str();
    info.lpDirectory = directory.empty() ? nullptr : wideDirectory.c_str();
    info.nShow = show;
    const bool started = ShellExecuteExW(&info) != FALSE;
    const auto result = reinterpret_cast<std::intptr_t>(info.hInstApp);
    // The old function's numbers: above 32 a start, else the SE_ERR_ code, which a
    // shell that set none leaves to the thread's last error.
    if (started) return result > 32 ? result : 33;
    if (result > 0 && result <= 32) return result;
    const DWORD error = GetLastError();
    return error > 0 && error <= 32 ? static_cast<std::intptr_t>(error) : SE_ERR_ACCESSDENIED;
}

IconHandle Win32Shell::FileIcon(const std::string& path) {
    PrepareCom();
    return ShellFileInfoIcon(path, 0);
}

// Only the name's type counts. Without its folder the file cannot be reached even by a
// shell that reads a "%1" icon from the file in spite of the flag, as Wine's does.
IconHandle Win32Shell::TypeIcon(const std::string& path) {
    PrepareCom();
    const std::size_t folder = path.find_last_of("\\/:");
    const std::string name = folder == std::string::npos ? path : path.substr(folder + 1);
    return ShellFileInfoIcon(name, SHGFI_USEFILEATTRIBUTES);
}

namespace {

// Fills `buffer` through `call(room, data)`, which answers the length it wrote, or the
// room it needs when there was too little; empty on failure.
template <typename Call>
WideString GrowingCall(Call call) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return WideString(buffer.data(), length);
        buffer.assign(length + 1, L'\0');
    }
    return {};
}

// A path as one name for one file: without the "\\?\" prefix, whole, with long names.
// Both the registered PATH and a process's image may come short (8.3) or prefixed.
WideString NormalPath(WideString path) {
    constexpr wchar_t kPrefix[] = L"\\\\?\\";
    constexpr wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
    constexpr std::size_t kPrefixLength = 4, kUncPrefixLength = 8;
    if (path.compare(0, kUncPrefixLength, kUncPrefix) == 0)
        path = L"\\\\" + path.substr(kUncPrefixLength);
    else if (path.compare(0, kPrefixLength, kPrefix) == 0)
        path = path.substr(kPrefixLength);
    const WideString full = GrowingCall([&](DWORD room, wchar_t* data) {
        return GetFullPathNameW(path.c_str(), room, data, nullptr);
    });
    if (full.empty()) return path;
    const WideString longName = GrowingCall([&](DWORD room, wchar_t* data) {
        return GetLongPathNameW(full.c_str(), data, room);
    });
    return longName.empty() ? full : longName;
}

bool IsImageOf(DWORD process, const WideString& image) {
    HANDLE opened = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (opened == nullptr) return false;
    std::vector<wchar_t> name(32768, L'\0');
    DWORD length = static_cast<DWORD>(name.size());
    const bool got = QueryFullProcessImageNameW(opened, 0, name.data(), &length) != FALSE;
    CloseHandle(opened);
    if (!got) return false;
    const WideString own = NormalPath(WideString(name.data(), length));
    return CompareStringOrdinal(own.c_str(), static_cast<int>(own.size()), image.c_str(),
                                static_cast<int>(image.size()), TRUE) == CSTR_EQUAL;
}

struct WindowSearch {
    const std::vector<DWORD>* processes;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr ||
        std::find(search->processes->begin(), search->processes->end(), process) == search->processes->end())
        return TRUE;
    search->found = window;
    return FALSE;
}

// The first visible window without an owner of one of `processes`.
HWND MainWindowOf(const std::vector<DWORD>& processes) {
    WindowSearch search{&processes, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool Win32Shell::ActivateProgram(const std::string& path) {
    if (path.empty()) return false;
    const WideString image = NormalPath(Wide(path));
    std::vector<DWORD> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (IsImageOf(entry.th32ProcessID, image)) processes.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    HWND window = processes.empty() ? nullptr : MainWindowOf(processes);
    if (window == nullptr) return false;
    // Neither waits on the program's thread, which may be hung.
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

void Win32Shell::DestroyIcon(IconHandle icon) {
    if (icon != nullptr) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

}  // namespace kardello
