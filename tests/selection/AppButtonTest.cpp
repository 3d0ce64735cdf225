// What each kind of application button paints, to the pixel, and that no paint
// keeps a font, brush, icon or registry key, over the fakes.

#include <gtest/gtest.h>

#include <sstream>

#include "fakes/AgentBench.h"
#include "platform/DpiScale.h"
#include "res/StringTexts.h"
#include "selection/AppButton.h"

namespace kardello {
namespace {

constexpr RegRoot kHklm = RegRoot::LocalMachine;
using test::kAgentKey;
constexpr const char* kEditorPath = "C:\\Apps\\editor.exe";
constexpr std::uint32_t kMenuColor = 0x00C0C0C4u;  // the fake canvas's COLOR_MENU
// Labels take COLOR_MENUTEXT (c0c0c7 on the fake canvas), never a fixed black.

std::string Hex(std::uint32_t value) {
    std::ostringstream out;
    out << std::hex << value;
    return out.str();
}

std::string Box(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

class AppButtonPaint : public ::testing::Test {
protected:
    void SetUp() override {
        bench.registry.PutString(kHklm, kAgentKey, "APPNAME3", "Editor");
        bench.registry.PutString(kHklm, kAgentKey, "PATH3", kEditorPath);
        bench.registry.PutString(kHklm, kAgentKey, "APPNAME4", TXT_NOT_REGISTERED);
        bench.registry.PutString(kHklm, kAgentKey, "PATH4", TXT_NOT_REGISTERED);
        bench.shell.iconFor[kEditorPath] = "editor";
        bench.shell.iconFor[TXT_NOT_REGISTERED] = "generic";
    }

    // One owner-draw request on a fresh canvas; every operation as one line.
    std::vector<std::string> Paint(AppButton& button, const Rect& rect, std::uint32_t state = 0,
                                   std::uint32_t action = kOdaDrawEntire) {
        canvas = std::make_unique<test::FakeCanvas>(rect);
        firstShellIcon = bench.shell.nextIcon;
        DrawItemRequest request;
        request.action = action;
        request.state = state;
        request.rect = rect;
        request.canvas = canvas.get();
        button.DrawButton(request);
        std::vector<std::string> lines;
        for (const auto& op : canvas->ops) lines.push_back(Describe(op));
        return lines;
    }

    std::string Describe(const test::FakeCanvas::Op& op) const {
        if (op.what == "fill" || op.what == "solid") return op.what + " " + Box(op.rect) + " " + Hex(op.color);
        if (op.what == "focus") return "focus " + Box(op.rect);
        if (op.what == "icon") {
            const int id = bench.user.IconId(op.icon);
            const auto handle = reinterpret_cast<std::uintptr_t>(op.icon);
            const auto shellIcon = bench.shell.liveIcons.find(op.icon);
            const std::string which = id != 0 ? std::to_string(id)
                                      : shellIcon != bench.shell.liveIcons.end()
                                          ? "shell:" + shellIcon->second
                                          : "shell+" + std::to_string(handle - firstShellIcon);
            return "icon " + which + " at " + std::to_string(op.x) + "," + std::to_string(op.y) +
                   " size " + std::to_string(op.size);
        }
        std::string font = op.stockFont ? "own font"
                                        : std::to_string(op.font.height) + "/" +
                                              std::to_string(op.font.weight) + "/" +
                                              std::to_string(op.font.charset) + "/" + op.font.face;
        return "text '" + op.text + "' " + Box(op.rect) + " fmt " + std::to_string(op.format) + " " +
               font + " colour " + Hex(op.textColor) + (op.transparent ? " clear" : " opaque");
    }

    // The icon a slot is handed, as the selection window reads it for that slot.
    void GiveIcon(AppButton& button, const std::string& path) {
        button.SetIcon(ShellIcon(bench.shell, bench.shell.FileIcon(path)));
    }

    // Nothing taken is kept, but for the icons the buttons were handed.
    void ExpectNothingLeft(std::size_t iconsHanded = 0) {
        EXPECT_EQ(canvas->LiveObjects(), 0u);
        EXPECT_TRUE(canvas->OwnFontSelected());
        EXPECT_EQ(canvas->deletesOfUnknown, 0);
        EXPECT_EQ(bench.shell.liveIcons.size(), iconsHanded);
        EXPECT_EQ(bench.shell.badDestroys, 0);
        EXPECT_EQ(bench.registry.OpenHandles(), 0u);
    }

    test::AgentBench bench;
    std::unique_ptr<test::FakeCanvas> canvas;
    std::uintptr_t firstShellIcon = 0;
};

const std::vector<std::string> kFullFrame294x20 = {
    "solid 1,1,292,2 ffffff",   "solid 1,1,2,18 ffffff",    "solid 292,1,293,19 606060",
    "solid 1,18,293,19 606060", "solid 2,2,291,3 ffffff",   "solid 2,2,3,17 ffffff",
    "solid 291,2,292,18 606060", "solid 2,17,292,18 606060",
};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(AppButtonPaint, RegisteredAndFreeSlotsOnATwentyPixelButton) {
    AppButton slot3(bench.platform);
    slot3.SetKind(3);
    GiveIcon(slot3, kEditorPath);
    EXPECT_EQ(Paint(slot3, {0, 0, 294, 20}),
              Join(Join({"fill 0,0,294,20 " + Hex(kMenuColor)}, kFullFrame294x20),
                   {"icon shell:editor at 13,-6 size 32",
                    "text 'Editor' 80,5,294,20 fmt 34816 own font colour c0c0c7 clear"}));
    EXPECT_EQ(bench.shell.iconRequests, std::vector<std::string>{kEditorPath});  // ours alone
    ExpectNothingLeft(1);

    // A free slot: the same ground and frame, its stored text and no icon at all, not
    // even one it was handed.
    AppButton slot4(bench.platform);
    slot4.SetKind(4);
    GiveIcon(slot4, TXT_NOT_REGISTERED);
    EXPECT_EQ(Paint(slot4, {0, 0, 294, 20}),
              Join(Join({"fill 0,0,294,20 " + Hex(kMenuColor)}, kFullFrame294x20),
                   {"text 'No registrada' 80,5,294,20 fmt 34816 own font colour c0c0c7 clear"}));
    EXPECT_EQ(bench.shell.iconRequests.size(), 2u);
    ExpectNothingLeft(2);
}

TEST_F(AppButtonPaint, PhotoButtonOfTwentyFivePixelsWithTheFocus) {
    AppButton photo(bench.platform);
    photo.SetKind(kAppButtonPhotoApp);
    EXPECT_EQ(Paint(photo, {0, 0, 294, 25}, kOdsFocus),
              (std::vector<std::string>{
                  "fill 0,0,294,25 " + Hex(kMenuColor),
                  "focus 5,6,287,19",
                  "solid 1,1,292,2 ffffff", "solid 1,1,2,23 ffffff",
                  "solid 292,1,293,24 606060", "solid 1,23,293,24 606060",
                  "solid 2,2,291,3 ffffff", "solid 2,2,3,22 ffffff",
                  "solid 291,2,292,23 606060", "solid 2,22,292,23 606060",
                  "icon 142 at 8,-4 size 32",
                  "text 'Abriendo VARNO Fotimo' 46,6,294,23 fmt 0 15/600/0/MS Sans Serif colour c0c0c7 clear",
              }));
    EXPECT_EQ(canvas->fontsCreated, 1);
    EXPECT_TRUE(bench.shell.iconRequests.empty());
    ExpectNothingLeft();

    // Focused, but the user has not used the keyboard: Windows hides the rectangle,
    // and only the rectangle goes.
    EXPECT_EQ(Paint(photo, {0, 0, 294, 25}, kOdsFocus | kOdsNoFocusRect).size(), 11u);
    EXPECT_TRUE(canvas->Find("focus").empty());
}

TEST_F(AppButtonPaint, ToggleTriangleFollowsExpandedAndSettingsHasNoIcon) {
    const std::vector<std::string> insetFrame = {
        "solid 1,3,193,4 ffffff",    "solid 1,3,2,26 ffffff",     "solid 193,3,194,27 606060",
        "solid 1,26,194,27 606060",  "solid 2,4,192,5 ffffff",    "solid 2,4,3,25 ffffff",
        "solid 192,4,193,26 606060", "solid 2,25,193,26 606060",
    };
    const std::string label = "text 'Abrir una aplicación diferente' 18,10,198,26 fmt 1 "
                              "12/400/0/MS Sans Serif colour c0c0c7 clear";
    AppButton toggle(bench.platform);
    toggle.SetKind(kAppButtonOtherApps);
    EXPECT_EQ(Paint(toggle, {0, 0, 198, 30}),
              Join(Join({"fill 0,0,198,30 " + Hex(kMenuColor)}, insetFrame),
                   {"icon 145 at 2,-1 size 32", label}));
    ExpectNothingLeft();
    toggle.SetExpanded(1);
    EXPECT_EQ(Paint(toggle, {0, 0, 198, 30})[9], "icon 146 at 2,-1 size 32");
    toggle.SetExpanded(0);
    EXPECT_EQ(Paint(toggle, {0, 0, 198, 30})[9], "icon 145 at 2,-1 size 32");

    AppButton settings(bench.platform);
    settings.SetKind(kAppButtonSettings);
    EXPECT_EQ(Paint(settings, {0, 0, 90, 30}),
              (std::vector<std::string>{
                  "fill 0,0,90,30 " + Hex(kMenuColor),
                  "solid 1,3,85,4 ffffff", "solid 1,3,2,26 ffffff", "solid 85,3,86,27 606060",
                  "solid 1,26,86,27 606060", "solid 2,4,84,5 ffffff", "solid 2,4,3,25 ffffff",
                  "solid 84,4,85,26 606060", "solid 2,25,85,26 606060",
                  "text 'Ajustes' 2,10,85,26 fmt 1 12/400/0/MS Sans Serif colour c0c0c7 clear",
              }));
    ExpectNothingLeft();
}

// At 150% every pixel quantity is half as large again, rounded as MulDiv rounds
// (1.5 -> 2, 4.5 -> 5, 7.5 -> 8, 22.5 -> 23); the icons come at the system's 48 pixels,
// centred on the button; the frame's two lines still touch.
TEST_F(AppButtonPaint, EveryKindAtOneHundredFiftyPercent) {
    bench.user.dpi = 144;
    const std::string ground = "fill 0,0,441,60 " + Hex(kMenuColor);
    const std::vector<std::string> fullFrame441x60 = {
        "solid 2,2,438,3 ffffff",    "solid 2,2,3,57 ffffff",     "solid 438,2,439,58 606060",
        "solid 2,57,439,58 606060",  "solid 3,3,437,4 ffffff",    "solid 3,3,4,56 ffffff",
        "solid 437,3,438,57 606060", "solid 3,56,438,57 606060",
    };
    {
        AppButton slot3(bench.platform);
        slot3.SetKind(3);
        GiveIcon(slot3, kEditorPath);
        EXPECT_EQ(Paint(slot3, {0, 0, 441, 60}),
                  Join(Join({ground}, fullFrame441x60),
                       {"icon shell:editor at 20,6 size 48",
                        "text 'Editor' 120,22,441,60 fmt 34816 own font colour c0c0c7 clear"}));
        ExpectNothingLeft(1);
    }

    AppButton photo(bench.platform);
    photo.SetKind(kAppButtonPhotoApp);
    EXPECT_EQ(bench.user.iconPixels.at(bench.user.iconIds.rbegin()->first), 48);
    EXPECT_EQ(Paint(photo, {0, 0, 441, 38}, kOdsFocus),
              (std::vector<std::string>{
                  "fill 0,0,441,38 " + Hex(kMenuColor),
                  "focus 8,9,430,29",
                  "solid 2,2,438,3 ffffff", "solid 2,2,3,35 ffffff",
                  "solid 438,2,439,36 606060", "solid 2,35,439,36 606060",
                  "solid 3,3,437,4 ffffff", "solid 3,3,4,34 ffffff",
                  "solid 437,3,438,35 606060", "solid 3,34,438,35 606060",
                  "icon 142 at 12,-5 size 48",
                  "text 'Abriendo VARNO Fotimo' 69,10,441,35 fmt 0 23/600/0/MS Sans Serif colour c0c0c7 clear",
              }));
    ExpectNothingLeft();

    AppButton toggle(bench.platform);
    toggle.SetKind(kAppButtonOtherApps);
    toggle.SetExpanded(1);
    EXPECT_EQ(Paint(toggle, {0, 0, 297, 45}),
              (std::vector<std::string>{
                  "fill 0,0,297,45 " + Hex(kMenuColor),
                  "solid 2,5,290,6 ffffff", "solid 2,5,3,39 ffffff",
                  "solid 290,5,291,40 606060", "solid 2,39,291,40 606060",
                  "solid 3,6,289,7 ffffff", "solid 3,6,4,38 ffffff",
                  "solid 289,6,290,39 606060", "solid 3,38,290,39 606060",
                  "icon 146 at 3,-2 size 48",
                  "text 'Abrir una aplicación diferente' 27,14,297,39 fmt 1 18/400/0/MS Sans Serif "
                  "colour c0c0c7 clear",
              }));
    ExpectNothingLeft();

    AppButton settings(bench.platform);
    settings.SetKind(kAppButtonSettings);
    const auto lines = Paint(settings, {0, 0, 135, 45});
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], "solid 2,5,128,6 ffffff");
    EXPECT_EQ(lines[8], "solid 3,38,128,39 606060");
    EXPECT_EQ(lines[9], "text 'Ajustes' 3,14,127,39 fmt 1 18/400/0/MS Sans Serif colour c0c0c7 clear");
    ExpectNothingLeft();
}

TEST(DpiScale, RoundsAsMulDivAndTakesNoDpiAsNinetySix) {
    // Half away from zero, as Windows' MulDiv.
    EXPECT_EQ(MulDivRound(15, 144, 96), 23);
    EXPECT_EQ(MulDivRound(1, 120, 96), 1);
    EXPECT_EQ(MulDivRound(2, 120, 96), 3);
    EXPECT_EQ(MulDivRound(-3, 144, 96), -5);
    EXPECT_EQ(MulDivRound(3, -144, 96), -5);
    EXPECT_EQ(MulDivRound(-7, 144, -96), 11);
    EXPECT_EQ(MulDivRound(5, 1, 3), 2);
    EXPECT_EQ(MulDivRound(0, 144, 96), 0);
    // What MulDiv answers where no answer fits.
    EXPECT_EQ(MulDivRound(12, 144, 0), -1);
    EXPECT_EQ(MulDivRound(INT32_MAX, INT32_MAX, 1), -1);
    EXPECT_EQ(MulDivRound(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
    EXPECT_EQ(MulDivRound(INT32_MIN, 1, -1), -1);

    // At 96 DPI, and for a DPI the system cannot mean, every quantity stays as it is.
    for (int dpi : {96, 0, -120}) {
        const DpiScale px(dpi);
        EXPECT_EQ(px.Dpi(), 96);
        for (int pixels : {1, 2, 5, 10, 12, 15, 16, 46, 80}) EXPECT_EQ(px(pixels), pixels) << dpi;
    }
    // The four usual settings: the margins of 10 and 12 and the 15-pixel font.
    const std::vector<std::vector<int>> expected = {
        {120, 13, 15, 19}, {144, 15, 18, 23}, {168, 18, 21, 26}, {192, 20, 24, 30}};
    for (const auto& row : expected) {
        const DpiScale px(row[0]);
        EXPECT_EQ((std::vector<int>{px(10), px(12), px(15)}),
                  (std::vector<int>{row[1], row[2], row[3]}))
            << row[0];
    }
}

TEST_F(AppButtonPaint, EveryPaintReadsTheStoreAgainAndNeverTheShell) {
    AppButton slot3(bench.platform);
    slot3.SetKind(3);
    GiveIcon(slot3, kEditorPath);
    Paint(slot3, {0, 0, 294, 20});
    bench.registry.PutString(kHklm, kAgentKey, "APPNAME3", "Retoque");
    bench.registry.PutString(kHklm, kAgentKey, "PATH3", "D:\\retoque.exe");
    bench.shell.typeIcon = "generic program";
    const auto lines = Paint(slot3, {0, 0, 294, 20});
    EXPECT_EQ(lines.back(), "text 'Retoque' 80,5,294,20 fmt 34816 own font colour c0c0c7 clear");
    // The icon stays the one it was handed until the next, whatever the store says now.
    EXPECT_EQ(lines[9], "icon shell:editor at 13,-6 size 32");
    EXPECT_EQ(bench.shell.iconRequests, std::vector<std::string>{kEditorPath});
    EXPECT_TRUE(bench.shell.typeIconRequests.empty());
    ExpectNothingLeft(1);

    // Handed none (an icon that never came): the label alone; the one before is gone.
    slot3.SetIcon(ShellIcon());
    EXPECT_TRUE(bench.shell.liveIcons.empty());
    Paint(slot3, {0, 0, 294, 20});
    EXPECT_EQ(canvas->Find("icon").size(), 0u);

    // No key at all: an empty label beside its icon, and the key not created.
    bench.registry.RemoveKey(kHklm, kAgentKey);
    bench.shell.iconFor[""] = "blank";
    GiveIcon(slot3, "");
    const auto bare = Paint(slot3, {0, 0, 294, 20});
    EXPECT_EQ(bare[9], "icon shell:blank at 13,-6 size 32");
    EXPECT_EQ(bare.back(), "text '' 80,5,294,20 fmt 34816 own font colour c0c0c7 clear");
    EXPECT_FALSE(bench.registry.KeyExists(kHklm, kAgentKey));
    EXPECT_EQ(bench.shell.iconRequests.size(), 2u);
    EXPECT_TRUE(bench.shell.typeIconRequests.empty());
    ExpectNothingLeft(1);
}

TEST_F(AppButtonPaint, PressedDisabledAndFocusOnlyRequestsLookTheSameAndOtherActionsDrawNothing) {
    AppButton slot3(bench.platform);
    slot3.SetKind(3);
    const auto plain = Paint(slot3, {0, 0, 294, 20});
    constexpr std::uint32_t kOdsSelected = 1, kOdsDisabled = 4;
    EXPECT_EQ(Paint(slot3, {0, 0, 294, 20}, kOdsSelected, kOdaSelect), plain);
    EXPECT_EQ(Paint(slot3, {0, 0, 294, 20}, kOdsDisabled, kOdaFocus), plain);
    EXPECT_TRUE(Paint(slot3, {0, 0, 294, 20}, kOdsFocus, 0x8).empty());
    EXPECT_EQ(bench.registry.OpenHandles(), 0u);

    // A button given no kind, or a kind of no button, paints its ground only.
    for (int kind : {0, 9, -3}) {
        AppButton odd(bench.platform);
        odd.SetKind(kind);
        EXPECT_EQ(Paint(odd, {0, 0, 50, 20}), std::vector<std::string>{"fill 0,0,50,20 " + Hex(kMenuColor)})
            << kind;
        ExpectNothingLeft();
    }
}

TEST_F(AppButtonPaint, RepeatedPaintsOfEveryKindGiveEverythingBackEvenWhenFontsFail) {
    std::vector<std::unique_ptr<AppButton>> buttons;
    for (int kind = 1; kind <= 8; ++kind) {
        buttons.push_back(std::make_unique<AppButton>(bench.platform));
        buttons.back()->SetKind(kind);
    }
    const std::size_t iconsLoaded = bench.user.iconIds.size();
    for (int round = 0; round < 50; ++round) {
        for (auto& button : buttons) {
            button->SetExpanded(round % 2);
            Paint(*button, {0, 0, 294, 40}, round % 3 == 0 ? kOdsFocus : 0);
            ExpectNothingLeft();
        }
    }
    // The resource icons are loaded once, with the buttons, three each.
    EXPECT_EQ(iconsLoaded, 24u);
    EXPECT_EQ(bench.user.iconIds.size(), iconsLoaded);

    // A font that can't be made: the label in the context's own font, nothing deleted
    // that was not made.
    AppButton photo(bench.platform);
    photo.SetKind(kAppButtonPhotoApp);
    canvas = std::make_unique<test::FakeCanvas>();
    canvas->failFonts = true;
    DrawItemRequest request;
    request.action = kOdaDrawEntire;
    request.rect = {0, 0, 294, 25};
    request.canvas = canvas.get();
    photo.DrawButton(request);
    ASSERT_EQ(canvas->Find("text").size(), 1u);
    EXPECT_TRUE(canvas->Find("text")[0]->stockFont);
    EXPECT_EQ(canvas->Find("text")[0]->text, TXT_OPENING_PHOTO_APP);
    ExpectNothingLeft();
}

}  // namespace
}  // namespace kardello
