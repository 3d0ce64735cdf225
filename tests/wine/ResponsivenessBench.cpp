// Figures, not a test: the agent window's worst answer time, from another process, to
// WM_NULL and to the registered message "VARNO Kardello" over a stretch of time in
// each of three cases that make the agent wait on something else:
//   - the card reader holds every request (3 s by default);
//   - a registered program lies on a slow share, and the selection window is unfolded
//     (and folded again) while the stretch lasts;
//   - the photo application is minimised and hung, and the photo button brings it
//     forward. A thread that waits inside a SendMessage to another program still
//     answers sent messages, so here the time a posted message waits is shown too.
//   kardello_responsiveness_bench [--share WINDOWS_PATH_OF_A_PROGRAM] [SECONDS]
// Without --share the second case is left out. Runs in the Wine bench's prefix
// (KARDELLO_BUILD set); starts and ends the agent.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchSetup.h"
#include "res/AgentWindowTexts.h"
#include "res/SelectionWindowIds.h"
#include "res/SelectionWindowTexts.h"
#include "res/TrayMenuIds.h"
#include "store/AgentKey.h"
#include "store/AgentValues.h"

namespace {

using namespace kardello;
using namespace kardello::driving;
using kardello::bench::Sim;

constexpr const char* kFotimoTitle = "VARNO Fotimo (simulado)";
constexpr UINT kFotimoHang = WM_APP + 1;  // the stand-in's window hangs wParam seconds
constexpr DWORD kReaderDelayMs = 3000;
// Longer than any answer measured: a time-out is counted, and then shown as this.
constexpr UINT kGiveUpMs = 20000;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

struct Worst {
    double ms = 0;
    double at = 0;  // when the slowest was sent, in ms from the stretch's start
    int sent = 0;
    int unanswered = 0;  // not answered within kGiveUpMs
};

// Sends `message` to the agent every `pauseMs` until `stop` is set, keeping the slowest answer.
void Probe(HWND agent, UINT message, DWORD pauseMs, HANDLE stop, LARGE_INTEGER start, Worst& worst) {
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        LARGE_INTEGER before, after;
        DWORD_PTR answer = 0;
        QueryPerformanceCounter(&before);
        const LRESULT answered =
            SendMessageTimeoutW(agent, message, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
        QueryPerformanceCounter(&after);
        ++worst.sent;
        if (answered == 0) ++worst.unanswered;
        if (Milliseconds(before, after) > worst.ms) {
            worst.ms = Milliseconds(before, after);
            worst.at = Milliseconds(start, before);
        }
        WaitForSingleObject(stop, pauseMs);
    }
}

// The stretch: both probes run while `during` does its part, for `seconds` in all.
void Measure(const char* label, HWND agent, DWORD seconds,
             const std::function<void(ULONGLONG end)>& during) {
    const UINT registered = RegisterWindowMessageA(TXT_AGENT_MESSAGE);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Worst null, request;
    const ULONGLONG end = GetTickCount64() + seconds * 1000ULL;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::thread nullProbe([&] { Probe(agent, WM_NULL, 20, stop, start, null); });
    std::thread requestProbe([&] { Probe(agent, registered, 1000, stop, start, request); });
    if (during) during(end);
    const ULONGLONG now = GetTickCount64();
    if (now < end) WaitForSingleObject(stop, static_cast<DWORD>(end - now));  // the stretch's end
    SetEvent(stop);
    nullProbe.join();
    requestProbe.join();
    CloseHandle(stop);
    std::printf("%-44s worst answer: WM_NULL %5.0f ms (%d sent, %d unanswered, the worst at %.0f ms), "
                "\"%s\" %5.0f ms (%d sent, %d unanswered, the worst at %.0f ms)\n",
                label, null.ms, null.sent, null.unanswered, null.at, TXT_AGENT_MESSAGE, request.ms,
                request.sent, request.unanswered, request.at);
    std::fflush(stdout);
}

void CloseSelectionWindow() {
    CloseWindowsTitled(TXT_SELECTION_TITLE);
    WaitFor([] { return WindowsTitled(TXT_SELECTION_TITLE, true).empty(); }, 30000);
}

HWND OpenSelectionWindow(HWND agent) {
    PostMessageW(agent, WM_COMMAND, ID_MENU_SELECTION, 0);
    return WaitDialog(TXT_SELECTION_TITLE, 30000);
}

// The stand-in as the photo application, and `sharedProgram` (if any) in the first slot.
bool WriteKeys(const std::string& sharedProgram) {
    if (!bench::WriteBenchKeys(schema::kDirectExecNothing)) return false;
    if (sharedProgram.empty()) return true;
    Win32Registry registry;
    RegistryKey agentKey(registry, schema::kAgentRoot, schema::kAgentKey);
    const std::string file = sharedProgram.substr(sharedProgram.find_last_of("\\/") + 1);
    return agentKey.WriteString(schema::AppSlot::PathValue(1).c_str(), sharedProgram) &&
           agentKey.WriteString(schema::AppSlot::ExeValue(1).c_str(), file) &&
           agentKey.WriteString(schema::AppSlot::NameValue(1).c_str(),
                                file.substr(0, file.rfind('.')));
}

}  // namespace

int main(int argc, char** argv) {
    std::string shared;
    DWORD seconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--share") == 0 && i + 1 < argc) {
            shared = argv[++i];
        } else if (std::atoi(argv[i]) > 0) {
            seconds = static_cast<DWORD>(std::atoi(argv[i]));
        } else {
            std::fprintf(stderr, "usage: kardello_responsiveness_bench [--share PROGRAM] [SECONDS]\n");
            return 2;
        }
    }
    if (!Sim({"reset"}) || !WriteKeys(shared)) {
        std::fprintf(stderr, "responsiveness bench: the reader or the keys cannot be set\n");
        return 1;
    }
    CloseWindowsTitled(kFotimoTitle);
    Process agent(AgentPath(), "");
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = AgentWindow()) != nullptr; }, 20000)) {
        std::fprintf(stderr, "responsiveness bench: no agent window\n");
        return 1;
    }

    Measure("quick reader (for comparison)", window, seconds, nullptr);
    CloseSelectionWindow();

    Sim({"delay", std::to_string(kReaderDelayMs)});
    Measure("reader holding each request 3 s", window, seconds, nullptr);
    Sim({"delay", "off"});
    CloseSelectionWindow();

    if (!shared.empty()) {
        Measure("program on the slow share, unfolded", window, seconds, [&](ULONGLONG end) {
            HWND selection = OpenSelectionWindow(window);
            if (selection == nullptr) return;
            // Unfolded and folded again until the end: each unfolding paints the slots.
            while (GetTickCount64() < end && IsWindow(selection)) {
                RECT before{}, now{};
                GetWindowRect(selection, &before);
                PressButton(selection, IDC_SELECTION_OTHER_APPS);
                WaitFor([&] {
                    GetWindowRect(selection, &now);
                    return now.bottom != before.bottom || GetTickCount64() >= end;
                }, kGiveUpMs);
            }
        });
        CloseSelectionWindow();
    } else {
        std::printf("%-44s left out (no --share)\n", "program on the slow share, unfolded");
    }

    // The stand-in, started by the agent's photo button as a user would start it.
    HWND photo = nullptr;
    if (HWND selection = OpenSelectionWindow(window)) PressButton(selection, IDC_SELECTION_PHOTO_APP);
    if (WaitFor([&] {
            const auto found = WindowsTitled(kFotimoTitle, false);
            photo = found.empty() ? nullptr : found.front();
            return photo != nullptr;
        }, 10000)) {
        CloseSelectionWindow();
        ShowWindowAsync(photo, SW_MINIMIZE);
        if (!WaitFor([&] { return IsIconic(photo) != FALSE; }, 5000))
            std::printf("(the stand-in's window could not be minimised)\n");
        PostMessageW(photo, kFotimoHang, seconds + 5, 0);
        double closeMs = -1, openedAt = -1, pressedAt = -1;
        LARGE_INTEGER stretch;
        QueryPerformanceCounter(&stretch);
        Measure("hung photo application, photo button", window, seconds, [&](ULONGLONG) {
            HWND selection = OpenSelectionWindow(window);
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            openedAt = Milliseconds(stretch, now);
            if (selection == nullptr) {
                std::printf("(no selection window)\n");
                return;
            }
            PressButton(selection, IDC_SELECTION_PHOTO_APP);
            QueryPerformanceCounter(&now);
            pressedAt = Milliseconds(stretch, now);
            // A thread that waits inside a SendMessage to another program still answers
            // sent messages, so the probes cannot see this wait; a posted message can.
            LARGE_INTEGER before, after;
            QueryPerformanceCounter(&before);
            PostMessageW(selection, WM_CLOSE, 0, 0);
            if (WaitFor([&] { return !IsWindow(selection); }, kGiveUpMs)) {
                QueryPerformanceCounter(&after);
                closeMs = Milliseconds(before, after);
            }
        });
        if (closeMs < 0)
            std::printf("%-44s the selection window's posted close: not handled within %u ms\n", "",
                        kGiveUpMs);
        else
            std::printf("%-44s the selection window's posted close: handled after %.0f ms\n", "",
                        closeMs);
        std::printf("%-44s the selection window was up at %.0f ms, the photo button pressed at %.0f ms\n",
                    "", openedAt, pressedAt);
    } else {
        std::printf("%-44s the stand-in did not start\n", "hung photo application, photo button");
    }
    CloseWindowsTitled(kFotimoTitle);
    CloseSelectionWindow();

    PostMessageW(window, WM_COMMAND, ID_MENU_EXIT, 0);
    if (agent.WaitExit(10000) == -1) agent.Kill();
    return 0;
}
