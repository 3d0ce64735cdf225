// The real kardello.exe at the system DPI and colours the bench set before it started
// (LogPixels, the Menu and MenuText colours): what the owner-drawn buttons, the fold
// and the device panel lay out in fixed pixels grows with the DPI, nothing overlaps
// or is cut, and the labels stay readable. Probed in the screen's pixels.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "EndToEnd.h"
#include "agentctl/Driving.h"
#include "platform/DpiScale.h"
#include "res/SelectionWindowIds.h"
#include "res/SelectionWindowTexts.h"
#include "res/SettingsDialogIds.h"
#include "res/SettingsDialogTexts.h"
#include "res/StringTexts.h"
#include "res/TrayMenuIds.h"

namespace kardello {
namespace {

using namespace driving;
using namespace wine;

constexpr DWORD kWhite = 0xFFFFFF, kDarkGrey = 0x606060, kRed = 0xFF0000, kMaroon = 0x800000;
// The photograph's colours but its white: no smoothed edge of a label takes one of them.
constexpr DWORD kPhotoColours[] = {0x00FFFF, 0x008080, 0xFFFF00, 0x808000,
                                   0x008000, 0x00FF00, 0x808080, 0xC0C0C0};

// A system colour as the pixels hold it, 0x00RRGGBB.
DWORD SysPixel(int index) {
    const COLORREF c = GetSysColor(index);
    return (static_cast<DWORD>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

RECT ScreenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// A control's pixels with its size.
struct Shot {
    explicit Shot(HWND control) : pixels(Pixels(control)) {
        const RECT r = ScreenRect(control);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    DWORD At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::vector<DWORD> pixels;
    int width = 0, height = 0;
};

// The extent of the pixels that `match` picks; empty (left > right) when none.
template <class Match>
RECT Extent(const Shot& shot, Match match) {
    RECT e{shot.width, shot.height, -1, -1};
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (match(x, y, shot.At(x, y))) {
                e.left = std::min<LONG>(e.left, x);
                e.top = std::min<LONG>(e.top, y);
                e.right = std::max<LONG>(e.right, x);
                e.bottom = std::max<LONG>(e.bottom, y);
            }
    return e;
}

class ScaleOnWine : public AgentTest {
protected:
    void SetUp() override {
        // This program compares its coordinates with the agent's, unscaled.
        SetProcessDPIAware();
        AgentTest::SetUp();
        DWORD asked = 96;
        ReadNumber(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", asked);
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        // Wine took the bench's setting: the agent, started after it, has the same.
        ASSERT_EQ(dpi, static_cast<int>(asked)) << "LogPixels not honoured";
        fill = SysPixel(COLOR_MENU);
        text = SysPixel(COLOR_MENUTEXT);
        ASSERT_NE(fill, text);
    }
    int Px(int pixels) const { return DpiScale(dpi)(pixels); }

    int dpi = 96;
    DWORD fill = 0, text = 0;
};

TEST_F(ScaleOnWine, SelectionWindowButtonsAndFoldGrowWithTheDpi) {
    WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 1);
    for (int n = 1; n <= 5; ++n) {
        const std::string i = std::to_string(n);
        for (const char* value : {"APPNAME", "EXE", "PATH"})
            WriteString(HKEY_LOCAL_MACHINE, kAgentKey, (value + i).c_str(), TXT_NOT_REGISTERED);
    }
    StartAgent();
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SELECTION, 0);
    HWND window = WaitDialog(TXT_SELECTION_TITLE, 8000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Painted(window));
    HWND toggle = GetDlgItem(window, IDC_SELECTION_OTHER_APPS);
    const RECT first = ScreenRect(window);
    EXPECT_EQ(first.bottom, ScreenRect(toggle).bottom + Px(10)) << "folded margin";

    // The photo application button, which has the focus: its frame at the scaled
    // offsets, its icon wholly left of its label.
    const Shot photo(GetDlgItem(window, IDC_SELECTION_PHOTO_APP));
    const int w = photo.width, h = photo.height, o = Px(1);
    EXPECT_EQ(photo.At(w / 2, o - 1), fill);
    EXPECT_EQ(photo.At(w / 2, o), kWhite);
    EXPECT_EQ(photo.At(w / 2, o + 1), kWhite);
    EXPECT_EQ(photo.At(o, h / 2), kWhite);
    EXPECT_EQ(photo.At(w - 1 - o, h / 2), kDarkGrey);
    EXPECT_EQ(photo.At(w - 2 - o, h / 2), kDarkGrey);
    EXPECT_EQ(photo.At(w / 2, h - 1 - o), kDarkGrey);
    EXPECT_EQ(photo.At(w / 2, h - 2 - o), kDarkGrey);
    EXPECT_EQ(photo.At(w / 2, h - o), fill);
    const int focusLeft = Px(5), focusTop = Px(6), focusRight = w - Px(7) - 1, focusBottom = h - Px(6) - 1;
    auto inside = [&](int x, int y) {
        return x > o + 1 && x < w - o - 2 && y > o + 1 && y < h - o - 2 && x != focusLeft &&
               x != focusRight && y != focusTop && y != focusBottom;
    };
    const RECT label = Extent(photo, [&](int x, int y, DWORD p) { return inside(x, y) && p == text; });
    const RECT icon = Extent(photo, [&](int x, int y, DWORD p) {
        return inside(x, y) &&
               std::find(std::begin(kPhotoColours), std::end(kPhotoColours), p) != std::end(kPhotoColours);
    });
    ASSERT_LE(label.left, label.right) << "no label";
    ASSERT_LE(icon.left, icon.right) << "no icon";
    // White labels cannot be told from the photograph's white border.
    if (text != kWhite) {
        EXPECT_LT(icon.right, label.left) << "icon over the label";
        EXPECT_GE(label.left, Px(46));
    }
    EXPECT_GE(icon.left, Px(8));
    EXPECT_GT(icon.top, o + 1) << "icon over the frame";
    EXPECT_LT(icon.bottom, h - o - 2) << "icon over the frame";
    EXPECT_LT(label.right, w - o - 2) << "label cut";

    // The toggle: its triangle inside the frame and left of the label.
    const Shot fold(toggle);
    const RECT triangle = Extent(fold, [](int, int, DWORD p) { return p == kRed || p == kMaroon; });
    ASSERT_LE(triangle.left, triangle.right) << "no triangle";
    EXPECT_GT(triangle.top, Px(3)) << "above the frame";
    EXPECT_LT(triangle.bottom, fold.height - Px(3) - 1) << "below the frame";
    EXPECT_GT(triangle.left, Px(1));
    const RECT foldLabel = Extent(fold, [&](int x, int y, DWORD p) {
        return p == text && x > Px(1) + 1 && y > Px(3) + 1 && y < fold.height - Px(3) - 2;
    });
    ASSERT_LE(foldLabel.left, foldLabel.right) << "no toggle label";
    EXPECT_LT(triangle.right, foldLabel.left) << "triangle over the label";
    EXPECT_LT(foldLabel.right, fold.width - Px(4) - 2) << "toggle label cut";

    // "Ajustes": its label in the menu's text colour, readable on the fill.
    const Shot settings(GetDlgItem(window, IDC_SELECTION_SETTINGS));
    const RECT settingsLabel = Extent(settings, [&](int x, int y, DWORD p) {
        return p == text && x > Px(1) + 1 && y > Px(3) + 1 && y < settings.height - Px(3) - 2;
    });
    EXPECT_LE(settingsLabel.left, settingsLabel.right) << "label not readable";
    EXPECT_LT(settingsLabel.right, settings.width - Px(4) - 2);

    // Unfolded: 12 scaled pixels below the fifth slot, on the work area; folded again:
    // where it was.
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    PostMessageA(toggle, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ScreenRect(window).bottom != first.bottom; }, 3000));
    const RECT open = ScreenRect(window);
    const int height = open.bottom - open.top;
    EXPECT_EQ(open.bottom, ScreenRect(GetDlgItem(window, IDC_SELECTION_SLOT_5)).bottom + Px(12));
    EXPECT_EQ(open.left, first.left);
    EXPECT_EQ(open.top, std::max(area.top, std::min(first.top, area.bottom - height)));
    EXPECT_LE(open.bottom, std::max(area.bottom, area.top + height));
    PressButton(window, IDC_SELECTION_OTHER_APPS);
    ASSERT_TRUE(WaitFor([&] { return ScreenRect(window).bottom - ScreenRect(window).top ==
                                     first.bottom - first.top; }, 3000));
    const RECT again = ScreenRect(window);
    EXPECT_TRUE(again.left == first.left && again.top == first.top && again.right == first.right &&
                again.bottom == first.bottom);
    PressButton(window, IDCANCEL);
    EndAgent();
}

TEST_F(ScaleOnWine, DevicePanelTextGrowsWithTheDpi) {
    WriteNumber(HKEY_LOCAL_MACHINE, kAgentKey, "DirectExec", 2);  // the card opens nothing
    Sim({"insert", "1", "--serial", "VRCARD000001", "--letter", "G"});
    StartAgent();
    PostMessageA(AgentWindow(), WM_COMMAND, ID_MENU_SETTINGS, 0);
    HWND dialog = WaitDialog(TXT_SETTINGS_TITLE, 8000);
    ASSERT_NE(dialog, nullptr);
    HWND panel = GetDlgItem(dialog, IDC_DEVICE_INFO);
    PollNow(dialog, 3);  // the poll has seen the card
    ASSERT_TRUE(Painted(dialog));
    const Shot shot(panel);
    const DWORD ink = SysPixel(COLOR_WINDOWTEXT);
    // The rows with text, the client edge left out: three lines, each starting one
    // font height below the last.
    std::vector<int> starts;
    bool previous = false;
    for (int y = 2; y < shot.height - 2; ++y) {
        bool any = false;
        for (int x = 2; x < shot.width - 2 && !any; ++x) any = shot.At(x, y) == ink;
        if (any && !previous) starts.push_back(y);
        previous = any;
    }
    ASSERT_GE(starts.size(), 2u) << "fewer than two lines of text";
    const int pitch = starts[1] - starts[0];
    EXPECT_GE(pitch, Px(12) - 1) << "line height at " << dpi << " DPI";
    EXPECT_LE(pitch, Px(12) + 2) << "line height at " << dpi << " DPI";
    PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(WaitFor([] { return WindowsTitled(TXT_SETTINGS_TITLE, true).empty(); }, 5000));
    EndAgent();
}

}  // namespace
}  // namespace kardello
