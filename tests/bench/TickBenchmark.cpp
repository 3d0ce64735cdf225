// Prints what one card-watch tick of the portable code costs over the fakes, in
// Watching (nothing new) and Following (a card handed to the photo application).

#include <chrono>
#include <cstdio>

#include "fakes/AgentBench.h"

using namespace kardello;

namespace {

template <class Tick>
double NanosecondsPerTick(Tick tick, int count) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) tick();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() / count;
}

}  // namespace

int main() {
    constexpr int kTicks = 200000;
    for (Family family : {Family::Nt, Family::Win95}) {
        const char* name = family == Family::Nt ? "NT family" : "Windows 95 family";
        test::AgentBench watching;
        watching.SetFamily(family);
        watching.SetCaption();
        watching.InstallPhotoApp();
        watching.SetSlots({test::MakeRecord(0, "UNIT0001"), test::MakeRecord(0, "UNIT0002")});
        watching.Start();
        const double idle = NanosecondsPerTick([&] { watching.Tick(); }, kTicks);

        test::AgentBench following;
        following.SetFamily(family);
        following.SetCaption();
        following.InstallPhotoApp();
        following.Insert(0, "UNIT0001");
        following.Insert(1, "UNIT0002");
        following.Start();
        following.Tick();  // Following from here on: a card at start
        const double busy = NanosecondsPerTick([&] { following.Tick(); }, kTicks);
        std::printf("%-18s watching: %8.0f ns/tick   following: %8.0f ns/tick   (%d ticks each)\n",
                    name, idle, busy, kTicks);
    }
    return 0;
}
