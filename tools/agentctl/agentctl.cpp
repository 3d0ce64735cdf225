// Drives a running agent from outside, as another program would.
//   agentctl wait [SECONDS]    until the agent's window exists
//   agentctl command ID        posts WM_COMMAND ID (32772 ends the agent)
//   agentctl request           sends the registered message "VARNO Kardello"
//   agentctl press ID          presses button ID of the visible dialog that has one
//   agentctl windows           the visible top-level windows' titles
//   agentctl close TITLE       closes every top-level window so titled, as its close box
//                              would, whatever the bitness of its program
//   agentctl card              the card last handed to the photo application
//   agentctl stats             the agent process's GDI, USER and kernel handles and memory
//   agentctl hold FILE         keeps FILE open with no sharing until its standard input
//                              ends, as a program running in another session keeps its
//                              own file; prints "held" once it has it
//   agentctl icon FILE         asks the shell for FILE's own icon, as the agent's slots do,
//                              and prints how long that took (to check a slow share)

#include <windows.h>
#include <psapi.h>
#include <objbase.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "agentctl/Driving.h"

using namespace kardello::driving;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: agentctl wait [SECONDS] | command ID | request | press ID | windows | close TITLE"
                 " | card | stats | hold FILE | icon FILE\n");
    return 2;
}

// The process's entry in the system's process list: Wine answers the handle count
// there, where it leaves GetProcessHandleCount of another process at 0.
bool ListedProcess(DWORD pid, ULONG& handles, SIZE_T& privateBytes) {
    using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return false;
    std::vector<BYTE> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(SystemProcessInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) break;
        if (attempt == 7) return false;
        buffer.resize(buffer.size() * 2);
    }
    for (std::size_t at = 0; at + sizeof(SYSTEM_PROCESS_INFORMATION) <= buffer.size();) {
        SYSTEM_PROCESS_INFORMATION entry;
        std::memcpy(&entry, buffer.data() + at, sizeof entry);
        if (reinterpret_cast<ULONG_PTR>(entry.UniqueProcessId) == pid) {
            handles = entry.HandleCount;
            privateBytes = entry.VirtualMemoryCounters.PagefileUsage;
            return true;
        }
        if (entry.NextEntryOffset == 0) break;
        at += entry.NextEntryOffset;
    }
    return false;
}

HWND AgentOrComplain() {
    HWND agent = AgentWindow();
    if (agent == nullptr) std::fprintf(stderr, "agentctl: no agent window\n");
    return agent;
}

struct Press {
    int id;
    bool done;
};

BOOL CALLBACK PressIn(HWND window, LPARAM param) {
    auto* press = reinterpret_cast<Press*>(param);
    if (!IsWindowVisible(window) || ClassOf(window) != "#32770" || !GetDlgItem(window, press->id))
        return TRUE;
    PressButton(window, press->id);
    press->done = true;
    return FALSE;
}

BOOL CALLBACK PrintTitle(HWND window, LPARAM) {
    const std::string title = TextOf(window);
    if (!IsWindowVisible(window) || title.empty()) return TRUE;
    std::printf("%s\t%s\n", ClassOf(window).c_str(), title.c_str());
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "wait" && argc <= 3) {
        const long seconds = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 10;
        if (seconds <= 0) return Usage();
        if (WaitFor([] { return AgentWindow() != nullptr; }, static_cast<DWORD>(seconds) * 1000)) return 0;
        std::fprintf(stderr, "agentctl: no agent window within %ld s\n", seconds);
        return 1;
    }
    if (command == "command" && argc == 3) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(argv[2], &end, 10);
        if (*end != '\0' || id == 0 || id > 0xFFFF) return Usage();
        HWND agent = AgentOrComplain();
        if (agent == nullptr) return 1;
        return PostMessageA(agent, WM_COMMAND, id, 0) ? 0 : 1;
    }
    if (command == "request" && argc == 2) {
        HWND agent = AgentOrComplain();
        if (agent == nullptr) return 1;
        const UINT message = RegisterWindowMessageA("VARNO Kardello");
        DWORD_PTR result = 0;
        // The agent answers before it shows the window; an agent that does not
        // answer at once is not waited for.
        if (!SendMessageTimeoutA(agent, message, 0, 0, SMTO_NORMAL, 2000, &result)) {
            std::printf("sent (not answered within 2 s)\n");
            return 0;
        }
        std::printf("answered %lu\n", static_cast<unsigned long>(result));
        return 0;
    }
    if (command == "icon" && argc == 3) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        const int length = MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0);
        std::wstring file(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, file.data(), length);
        SHFILEINFOW info{};
        const ULONGLONG before = GetTickCount64();
        const DWORD_PTR found = SHGetFileInfoW(file.c_str(), 0, &info, sizeof info, SHGFI_ICON);
        const ULONGLONG took = GetTickCount64() - before;
        std::printf("%s in %llu ms\n", found != 0 && info.hIcon != nullptr ? "icon" : "no icon",
                    static_cast<unsigned long long>(took));
        if (info.hIcon != nullptr) DestroyIcon(info.hIcon);
        CoUninitialize();
        return found != 0 ? 0 : 1;
    }
    if (command == "press" && argc == 3) {
        char* end = nullptr;
        const long id = std::strtol(argv[2], &end, 10);
        if (*end != '\0' || id < 1 || id > 0xFFFF) return Usage();
        Press press{static_cast<int>(id), false};
        EnumWindows(PressIn, reinterpret_cast<LPARAM>(&press));
        if (!press.done) std::fprintf(stderr, "agentctl: no dialog with button %ld\n", id);
        return press.done ? 0 : 1;
    }
    if (command == "windows" && argc == 2) {
        EnumWindows(PrintTitle, 0);
        return 0;
    }
    if (command == "close" && argc == 3) return CloseWindowsTitled(argv[2]) == 0 ? 1 : 0;
    if (command == "stats" && argc == 2) {
        HWND agent = AgentOrComplain();
        if (agent == nullptr) return 1;
        DWORD pid = 0;
        GetWindowThreadProcessId(agent, &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
        if (process == nullptr) {
            std::fprintf(stderr, "agentctl: cannot open process %lu\n", static_cast<unsigned long>(pid));
            return 1;
        }
        DWORD handles = 0;
        GetProcessHandleCount(process, &handles);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
        ULONG listedHandles = 0;
        SIZE_T listedPrivate = 0;
        if (ListedProcess(pid, listedHandles, listedPrivate)) {
            if (handles == 0) handles = listedHandles;
            if (memory.PrivateUsage == 0) memory.PrivateUsage = listedPrivate;
        }
        std::printf("gdi=%lu user=%lu handles=%lu private_kb=%lu working_set_kb=%lu\n",
                    static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
                    static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)),
                    static_cast<unsigned long>(handles),
                    static_cast<unsigned long>(memory.PrivateUsage / 1024),
                    static_cast<unsigned long>(memory.WorkingSetSize / 1024));
        CloseHandle(process);
        return 0;
    }
    if (command == "hold" && argc == 3) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "agentctl: cannot open %s (error %lu)\n", argv[2],
                         static_cast<unsigned long>(GetLastError()));
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        CloseHandle(file);
        return 0;
    }
    if (command == "card" && argc == 2) {
        const char* key = "Software\\VARNO\\VARNO Kardello";
        std::string letter, serial;
        DWORD extend = 0;
        const bool any = ReadNumber(HKEY_CURRENT_USER, key, "ExtendStatus", extend) |
                         ReadString(HKEY_CURRENT_USER, key, "DriLetter", letter) |
                         ReadString(HKEY_CURRENT_USER, key, "SerialNo", serial);
        if (!any) {
            std::printf("no card recorded\n");
            return 1;
        }
        std::printf("ExtendStatus=0x%04lx DriLetter=%s SerialNo=%s\n",
                    static_cast<unsigned long>(extend), letter.c_str(), serial.c_str());
        return 0;
    }
    return Usage();
}
