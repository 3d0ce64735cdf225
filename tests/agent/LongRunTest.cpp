// A long run of the card watch over counting fakes: whatever comes and goes, every
// registry key, device handle and semaphore taken is given back.

#include <gtest/gtest.h>

#include "fakes/AgentBench.h"

namespace kardello {
namespace {

TEST(LongRun, HundredThousandTicksLeaveNothingOpen) {
    for (Family family : {Family::Nt, Family::Win95}) {
        test::AgentBench bench;
        bench.SetFamily(family);
        bench.SetCaption();
        bench.InstallPhotoApp();
        bench.SetSlots({test::MakeRecord(0, "UNIT0001", 'E'), test::MakeRecord(0, "UNIT0002", 'F')});
        ASSERT_NE(bench.Start(), nullptr);
        const std::size_t semaphoresAtStart = bench.kernel.OpenHandles();  // the agent's own

        for (int tick = 0; tick < 50000; ++tick) {
            // A card every few seconds, into either slot; the photo application closed
            // by the user now and then; a reader that fails for a while.
            switch (tick % 10) {
                case 0: bench.Insert(tick % 20 < 10 ? 0 : 1, "CARD" + std::to_string(tick % 7)); break;
                case 4: bench.Remove(tick % 20 < 10 ? 0 : 1); break;
                case 6: if (tick % 30 == 6) bench.ClosePhotoApp(); break;
                case 7: bench.FailQueries(tick % 70 == 7); break;
                default: break;
            }
            bench.Tick();
        }
        EXPECT_EQ(bench.registry.OpenHandles(), 0u);
        EXPECT_EQ(bench.devices.OpenHandles(), 0u);
        EXPECT_EQ(bench.devices.BadCloses(), 0);
        EXPECT_EQ(bench.kernel.OpenHandles(), semaphoresAtStart);
        EXPECT_GT(bench.PhotoStarts(), 100) << "the run did not exercise the card road";
        EXPECT_TRUE(bench.user.boxes.empty());
        EXPECT_LE(bench.window->Watch().State().knownCards.size(), 2u);
    }
}

}  // namespace
}  // namespace kardello
