// A long run of the card watch over counting fakes: whatever comes and goes, every
// registry key, device handle and semaphore taken is given back.

#include <gtest/gtest.h>

#include "fakes/AgentBench.h"
#include "fakes/FakeCanvas.h"
#include "res/StringTexts.h"
#include "selection/AppButton.h"
#include "settings/DeviceInfoPanel.h"

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
        // After all that, a card as at the start: handed over once, at once.
        bench.FailQueries(false);
        bench.Remove(0);
        bench.Remove(1);
        bench.ClosePhotoApp();
        for (int i = 0; i < 14; ++i) bench.Tick();
        const int starts = bench.PhotoStarts();
        bench.Insert(0, "AFTERWARDS");
        bench.Tick();
        bench.Tick();
        EXPECT_EQ(bench.PhotoStarts(), starts + 1);
    }
}

// Every paint takes fonts, a brush, shell icons and registry keys; ten thousand of
// each kind must give every one of them back.
TEST(LongRun, TenThousandPaintsOfEveryButtonKindAndThePanelLeaveNothingBehind) {
    constexpr int kPaints = 10000;
    test::AgentBench bench;
    const std::string& key = test::kAgentKey;
    for (int n = 1; n <= 5; ++n) {
        const std::string i = std::to_string(n);
        const bool registered = n % 2 == 1;
        bench.registry.PutString(test::kAgentRoot, key, "APPNAME" + i, registered ? "App" + i : TXT_NOT_REGISTERED);
        bench.registry.PutString(test::kAgentRoot, key, "PATH" + i, "C:\\Apps\\App" + i + ".exe");
        bench.shell.iconFor["C:\\Apps\\App" + i + ".exe"] = "app" + i;
    }
    const std::uintptr_t firstIcon = bench.shell.nextIcon;
    std::size_t liveObjects = 0, foreignDeletes = 0, fontsLeftSelected = 0, paintsWithText = 0,
                paintsWithShellIcon = 0;
    for (int kind = kAppButtonSlot1; kind <= kAppButtonSettings; ++kind) {
        AppButton button(bench.platform);
        button.SetKind(kind);
        // Each slot is handed its icon once, as the selection window reads it.
        if (kind <= kAppButtonSlot5)
            button.SetIcon(ShellIcon(bench.shell, bench.shell.FileIcon("C:\\Apps\\App" + std::to_string(kind) + ".exe")));
        for (int paint = 0; paint < kPaints; ++paint) {
            button.SetExpanded(paint % 2);
            const Rect rect{0, 0, 220, kind == kAppButtonPhotoApp ? 37 : 30};
            test::FakeCanvas canvas(rect);
            DrawItemRequest request;
            request.action = paint % 3 == 0 ? kOdaFocus : kOdaDrawEntire;
            request.state = paint % 2 ? kOdsFocus : 0;
            request.rect = rect;
            request.canvas = &canvas;
            button.DrawButton(request);
            liveObjects += canvas.LiveObjects();
            foreignDeletes += static_cast<std::size_t>(canvas.deletesOfUnknown);
            fontsLeftSelected += canvas.OwnFontSelected() ? 0 : 1;
            paintsWithText += canvas.Find("text").size();
            for (const auto* icon : canvas.Find("icon"))
                paintsWithShellIcon += bench.shell.liveIcons.count(icon->icon);
        }
    }
    EXPECT_EQ(paintsWithText, 8u * kPaints);
    // The shell was asked once for each slot, never by a paint; slots 1, 3 and 5 are
    // registered and draw theirs at every paint.
    EXPECT_EQ(bench.shell.nextIcon - firstIcon, 5u);
    EXPECT_EQ(bench.shell.iconRequests.size(), 5u);
    EXPECT_EQ(paintsWithShellIcon, 3u * kPaints);

    bench.SetSlots({test::MakeRecord(1, "VRCARD000001", 'E'), test::MakeRecord(0, "VRUNIT000002", 'F'),
                    test::MakeRecord(1, "", 'G')});
    bench.system.volumes["E:\\"] = "FOTOS";
    CardReader reader(bench.registry, bench.devices, bench.system);
    DeviceInfoPanel panel(bench.platform, reader);
    test::FakeWindowOps ops(bench.user, panel, reinterpret_cast<WindowHandle>(0x42));
    panel.Bind(&ops);
    for (int paint = 0; paint < kPaints; ++paint) {
        if (paint % 50 == 25) bench.FailQueries(true);
        if (paint % 50 == 30) bench.FailQueries(false);
        panel.SetFirstLine(paint % 30 - 3);
        bench.user.Send(panel, wm::kPaint);
        liveObjects += ops.paints.back()->LiveObjects();
        foreignDeletes += static_cast<std::size_t>(ops.paints.back()->deletesOfUnknown);
        fontsLeftSelected += ops.paints.back()->OwnFontSelected() ? 0 : 1;
        ops.paints.clear();
    }
    panel.Bind(nullptr);
    EXPECT_EQ(ops.paintsEnded, kPaints);

    EXPECT_EQ(liveObjects, 0u);
    EXPECT_EQ(foreignDeletes, 0u);
    EXPECT_EQ(fontsLeftSelected, 0u);
    EXPECT_TRUE(bench.shell.liveIcons.empty());
    EXPECT_EQ(bench.shell.badDestroys, 0);
    EXPECT_EQ(bench.registry.OpenHandles(), 0u);
    EXPECT_EQ(bench.devices.OpenHandles(), 0u);
}

}  // namespace
}  // namespace kardello
