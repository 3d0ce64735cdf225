// Figures, not a test: how long after a card goes in the photo application starts,
// with the message Windows sends for new media and with the agent's tick alone.
//   kardello_reaction_bench [INSERTIONS]   (default 20 of each)
// Runs in the Wine bench's prefix (KARDELLO_BUILD set); starts and ends the agent.

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BenchSetup.h"
#include "agentctl/Driving.h"
#include "platform/win32/Win32Registry.h"
#include "res/TrayMenuIds.h"
#include "simreader/MediaNotice.h"
#include "simreader/SimCommand.h"
#include "store/AgentKey.h"
#include "store/AgentValues.h"
#include "store/PhotoAppValues.h"
#include "store/RegistryKey.h"

namespace {

using namespace kardello;
using namespace kardello::driving;
using kardello::bench::Sim;

constexpr const char* kFotimoTitle = "VARNO Fotimo (simulado)";
constexpr const char* kFotimoCaption = "VARNO Fotimo Running";
constexpr char kLetter = 'G';

void ClosePhotoApp() {
    CloseWindowsTitled(kFotimoTitle);
    WaitFor([] { return WindowsTitled(kFotimoTitle, false).empty() && !SemaphoreHeld(kFotimoCaption); }, 5000);
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * values.size()));
    return values[std::max<std::size_t>(rank, 1) - 1];
}

// Insertions at random moments of the tick; milliseconds from each to the start.
std::vector<double> Measure(int insertions, bool announced, std::mt19937& random, int& missed) {
    std::uniform_int_distribution<int> pause(0, 999);
    std::vector<double> delays;
    for (int i = 0; i < insertions; ++i) {
        Sleep(static_cast<DWORD>(pause(random)));
        const std::string serial = (announced ? "MSG" : "TICK") + std::to_string(i);
        const ULONGLONG inserted = Now();
        if (!Sim({"insert", "1", "--serial", serial, "--letter", std::string(1, kLetter)})) return {};
        if (announced) simreader::AnnounceMedia(true, kLetter);
        ULONGLONG created = 0;
        if (WaitFor([&] {
                const auto windows = WindowsTitled(kFotimoTitle, false);
                return !windows.empty() && CreatedAt(windows.front(), created);
            }, 5000))
            delays.push_back(static_cast<double>(static_cast<LONGLONG>(created - inserted)) / 1e4);
        else
            ++missed;
        // Seen running, then closed and the card out: the agent watches again.
        WatchNow(AgentWindow());
        ClosePhotoApp();
        Sim({"remove", "1"});
        if (announced) simreader::AnnounceMedia(false, kLetter);
        WatchNow(AgentWindow());
    }
    return delays;
}

}  // namespace

int main(int argc, char** argv) {
    const int insertions = argc > 1 ? std::atoi(argv[1]) : 20;
    if (insertions < 1) {
        std::fprintf(stderr, "usage: kardello_reaction_bench [INSERTIONS]\n");
        return 2;
    }
    if (!Sim({"reset"})) {
        std::fprintf(stderr, "reaction bench: the simulated reader cannot be reset\n");
        return 1;
    }
    if (!bench::WriteBenchKeys(schema::kDirectExecOpenPhotoApp)) {
        std::fprintf(stderr, "reaction bench: the keys cannot be written\n");
        return 1;
    }
    ClosePhotoApp();
    Process agent(BuildPath("kardello.exe"), "");
    if (!WaitFor([] { return AgentWindow() != nullptr; }, 20000)) {
        std::fprintf(stderr, "reaction bench: no agent window\n");
        return 1;
    }
    if (!Answers(AgentWindow())) {
        std::fprintf(stderr, "reaction bench: the agent does not answer\n");
        return 1;
    }
    std::mt19937 random(GetTickCount());
    int status = 0;
    for (bool announced : {true, false}) {
        int missed = 0;
        const auto delays = Measure(insertions, announced, random, missed);
        const char* label = announced ? "with the message " : "tick alone       ";
        if (delays.empty()) {
            std::printf("%s no start seen\n", label);
            status = 1;
            continue;
        }
        std::printf("%s insertion to photo application start, %zu insertions: "
                    "p50 %.0f ms, p90 %.0f ms, max %.0f ms",
                    label, delays.size(), Percentile(delays, 0.5), Percentile(delays, 0.9),
                    Percentile(delays, 1.0));
        if (missed > 0) std::printf(" (%d without a start)", missed);
        std::printf("\n");
        std::fflush(stdout);
    }
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_EXIT, 0);
    if (agent.WaitExit(10000) == -1) agent.Kill();
    return status;
}
