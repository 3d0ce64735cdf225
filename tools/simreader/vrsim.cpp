// vrsim: drives the simulated card reader from the command line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/Win32Registry.h"
#include "simreader/MediaNotice.h"
#include "simreader/SimCommand.h"
#include "simreader/SimState.h"

namespace {

using kardello::simreader::DecodeRecord;
using kardello::simreader::FormatRecord;
using kardello::simreader::kRecordSize;

constexpr DWORD kReplyBuffer = 468;  // what the agent offers
constexpr DWORD kGuard = 64;         // checked after each call for writes past the buffer
constexpr std::uint8_t kGuardByte = 0xCC;
constexpr DWORD kInstanceCode = 0x220004;
constexpr DWORD kControlCode = 1;

void PrintReply(const std::vector<std::uint8_t>& buffer, DWORD returned) {
    const DWORD usable = returned < kReplyBuffer ? returned : kReplyBuffer;
    std::printf("  ok: %lu byte(s) returned", static_cast<unsigned long>(returned));
    if (returned > kReplyBuffer)
        std::printf(" (more than the %lu-byte buffer; decoding %lu)",
                    static_cast<unsigned long>(kReplyBuffer), static_cast<unsigned long>(usable));
    std::printf("\n");
    DWORD offset = 0;
    for (int n = 1; offset + kRecordSize <= usable; ++n, offset += kRecordSize)
        std::printf("  record %d: %s\n", n, FormatRecord(DecodeRecord(buffer.data() + offset)).c_str());
    if (offset < usable) {
        std::printf("  %lu trailing byte(s):", static_cast<unsigned long>(usable - offset));
        for (; offset < usable; ++offset) std::printf(" %02X", buffer[offset]);
        std::printf("\n");
    }
    for (DWORD i = kReplyBuffer; i < kReplyBuffer + kGuard; ++i) {
        if (buffer[i] != kGuardByte) {
            std::printf("  WARNING: bytes past the %lu-byte buffer were overwritten\n",
                        static_cast<unsigned long>(kReplyBuffer));
            break;
        }
    }
}

// Asks one device the way the agent does; returns true when the call succeeded.
bool Ask(const std::string& name, DWORD code, const char* label) {
    const std::string path = "\\\\.\\" + name;
    std::printf("%s %s, code 0x%08lX:\n", label, path.c_str(), static_cast<unsigned long>(code));
    HANDLE device = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        std::printf("  open failed (error %lu)\n", GetLastError());
        return false;
    }
    std::vector<std::uint8_t> buffer(kReplyBuffer + kGuard, kGuardByte);
    DWORD returned = 0xFFFFFFFF;
    const BOOL ok = DeviceIoControl(device, code, nullptr, 0, buffer.data(), kReplyBuffer,
                                    &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(device);
    if (!ok) {
        std::printf("  call failed (error %lu, %lu byte(s) returned)\n", error,
                    static_cast<unsigned long>(returned));
        return false;
    }
    PrintReply(buffer, returned);
    return true;
}

int List(kardello::IRegistry& registry) {
    const bool win9x = (GetVersion() & 0x80000000u) != 0;
    std::printf("platform: %s\n", win9x ? "Windows 95 family" : "Windows NT family");
    kardello::simreader::SimState state(registry);
    std::vector<std::pair<std::string, std::string>> instances;
    state.ReadInstances(&instances);
    std::printf("Instance values (HKLM\\%s): %zu\n", kardello::simreader::kInstanceKey,
                instances.size());
    for (const auto& [name, device] : instances)
        std::printf("  \"%s\" = \"%s\"\n", name.c_str(), device.c_str());
    bool all = Ask("VRUSBMSC", kControlCode, "Control device");
    for (const auto& [name, device] : instances) {
        if (device.empty() || device.find('<') != std::string::npos) continue;
        all = Ask(device, kInstanceCode, "Instance device") && all;
    }
    return all ? 0 : 1;
}

bool ControlDeviceOpens() {
    HANDLE device = CreateFileA("\\\\.\\VRUSBMSC", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    CloseHandle(device);
    return true;
}

// The driver applies "Absent" from a polling thread; wait so the next command sees it.
void AwaitAbsent(bool absent) {
    for (int i = 0; i < 30; ++i) {
        if (ControlDeviceOpens() != absent) return;
        Sleep(100);
    }
    std::fprintf(stderr, "vrsim: warning: the driver has not %s its devices within 3 s "
                         "(is it loaded?)\n", absent ? "hidden" : "shown");
}

int Wait(const std::vector<std::string>& args) {
    unsigned long seconds = 20;
    if (args.size() > 2 || (args.size() == 2 && std::sscanf(args[1].c_str(), "%lu", &seconds) != 1)) {
        std::fprintf(stderr, "vrsim: usage: wait [SECONDS]\n");
        return kardello::simreader::kExitUsage;
    }
    const ULONGLONG deadline = GetTickCount64() + seconds * 1000ull;
    for (;;) {
        if (ControlDeviceOpens()) {
            std::printf("driver answers\n");
            return 0;
        }
        if (GetTickCount64() >= deadline) break;
        Sleep(200);
    }
    std::fprintf(stderr, "vrsim: the control device did not open within %lu s (error %lu)\n",
                 seconds, GetLastError());
    return 1;
}

int PhotoRunning() {
    HKEY key = nullptr;
    char caption[256] = {};
    DWORD size = sizeof caption - 1, type = 0;
    const char* photoKey = "Software\\VARNO\\VARNO Fotimo";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, photoKey, 0,
                      KEY_READ | kardello::ViewFlag(HKEY_LOCAL_MACHINE, photoKey), &key) != ERROR_SUCCESS ||
        RegQueryValueExA(key, "CAPTION", nullptr, &type, reinterpret_cast<BYTE*>(caption), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        if (key) RegCloseKey(key);
        std::printf("no CAPTION for the photo application\n");
        return 1;
    }
    RegCloseKey(key);
    HANDLE semaphore = OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, caption);
    if (!semaphore) {
        std::printf("not running: no semaphore \"%s\" (error %lu)\n", caption, GetLastError());
        return 1;
    }
    const DWORD wait = WaitForSingleObject(semaphore, 0);
    if (wait == WAIT_OBJECT_0) ReleaseSemaphore(semaphore, 1, nullptr);  // give back what we took
    CloseHandle(semaphore);
    if (wait == WAIT_TIMEOUT) {
        std::printf("running: semaphore \"%s\" is held\n", caption);
        return 0;
    }
    std::printf("semaphore \"%s\" exists but was free (wait result %lu)\n", caption, wait);
    return 1;
}

// A card in or out of a unit, announced to the top-level windows as Windows would.
void AnnounceCard(kardello::IRegistry& registry, const std::vector<std::string>& args) {
    const bool arrived = args[0] == "insert";
    if (!arrived && args[0] != "remove") return;
    std::vector<kardello::simreader::UnitState> units;
    const unsigned long unit = std::strtoul(args[1].c_str(), nullptr, 0);
    if (kardello::simreader::SimState(registry).Load(&units) != ERROR_SUCCESS || unit < 1 ||
        unit > units.size())
        return;
    kardello::simreader::AnnounceMedia(arrived, units[unit - 1].letter);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Without the announcement the agent sees the card only at its next tick.
    const auto quiet = std::find(args.begin(), args.end(), "--no-notice");
    const bool announce = quiet == args.end();
    if (!announce) args.erase(quiet);
    kardello::Win32Registry registry;
    if (!args.empty()) {
        if ((args[0] == "list" || args[0] == "photo-running") && args.size() > 1) {
            std::fprintf(stderr, "vrsim: '%s' takes no arguments\n", args[0].c_str());
            return kardello::simreader::kExitUsage;
        }
        if (args[0] == "list") return List(registry);
        if (args[0] == "photo-running") return PhotoRunning();
        if (args[0] == "wait") return Wait(args);
        if (args[0] == "help" || args[0] == "--help") {
            std::fputs(kardello::simreader::SimUsage().c_str(), stdout);
            return 0;
        }
    }
    kardello::simreader::SimState state(registry);
    bool wasAbsent = false;
    if (!args.empty() && args[0] == "reset") state.ReadAbsent(&wasAbsent);
    const auto result = kardello::simreader::RunSimCommand(registry, args);
    if (result.exitCode == kardello::simreader::kExitOk) {
        if (args[0] == "absent") AwaitAbsent(args[1] == "on");
        if (args[0] == "reset" && wasAbsent) AwaitAbsent(false);
        if (announce) AnnounceCard(registry, args);
    }
    std::fputs(result.out.c_str(), stdout);
    std::fputs(result.err.c_str(), stderr);
    if (result.exitCode == kardello::simreader::kExitUsage && !args.empty() &&
        !kardello::simreader::IsSimCommand(args[0]))
        std::fputs(kardello::simreader::SimUsage().c_str(), stderr);
    return result.exitCode;
}
