// The device information panel: its 25 lines against the exact texts, character
// for character, and what a paint draws, over the fakes.

#include <gtest/gtest.h>

#include <utility>

#include "platform/Canvas.h"
#include "res/SettingsDialogIds.h"
#include "res/StringTexts.h"
#include "settings/DeviceInfoPanel.h"
#include "settings/SettingsHarness.h"
#include "store/DriverInstanceKey.h"

namespace kardello {
namespace {

using test::MakeRecord;
using Lines = DeviceInfoPanel::Lines;

// The three kinds of block, as the user must see them.
const char* const kUnitDrive = " Drive Name       : " TXT_STORAGE_NAME;
const char* const kNoUnitDrive = " Drive Name      :   " TXT_NOT_CONNECTED;
const char* const kVolumeDots = " Volume Name   :    ..............................  ";
// A returned record whose serial is empty.
const char* const kEmptySerialLine = " Serial No.         :    ..............................   ";
const char* const kEmptySerialId = " ID                     :    ..............................   ";
// No record at all.
const char* const kMissingSerialLine = " Serial No.         :    .............................. ";
const char* const kMissingId = " ID                     :    ..............................";

void ExpectLines(const Lines& actual, const Lines& expected) {
    for (int i = 0; i < DeviceInfoPanel::kLineCount; ++i)
        EXPECT_EQ(actual[i], expected[i]) << "line " << i;
}

Lines NoRecords() {
    Lines lines;
    for (int k = 0; k < 5; ++k) {
        lines[5 * k] = kNoUnitDrive;
        lines[5 * k + 1] = kMissingSerialLine;
        lines[5 * k + 2] = kVolumeDots;
        lines[5 * k + 3] = kMissingId;
    }
    return lines;
}

class DevicePanel : public ::testing::TestWithParam<Family> {
protected:
    void SetUp() override {
        h.bench.SetFamily(GetParam());
        h.bench.system.volumes["E:\\"] = "FOTOS_2026";
    }
    // The lines after one query, asked as the dialog asks it.
    Lines Build() {
        panel.Show(PanelAnswer::Ask(reader, h.bench.system, reader.CurrentFamily()));
        return panel.BuildLines();
    }
    test::SettingsHarness h;
    CardReader reader{h.bench.registry, h.bench.devices, h.bench.system};
    DeviceInfoPanel panel{h.bench.platform};
};

TEST_P(DevicePanel, CardUnitEmptyUnitDisconnectedUnitAndMissingRecords) {
    h.bench.SetSlots({MakeRecord(1, "VRCARD000001", 'E'), MakeRecord(0, "VRUNIT000002", 'F'),
                      MakeRecord(0, "", 'G')});
    const Lines expected = {
        " Drive Name       : Almacenamiento de la VARNO Marindo",
        " Serial No.          : VRCARD000001",
        " Volume Name    : FOTOS_2026",
        " ID                      : E",
        "",
        " Drive Name       : Almacenamiento de la VARNO Marindo",
        " Serial No.          : VRUNIT000002",
        " Volume Name    : Nº de la tarjeta",
        " ID                      : F",
        "",
        " Drive Name      :   No conectada",
        " Serial No.         :    ..............................   ",
        " Volume Name   :    ..............................  ",
        " ID                     :    ..............................   ",
        "",
        " Drive Name      :   No conectada",
        " Serial No.         :    .............................. ",
        " Volume Name   :    ..............................  ",
        " ID                     :    ..............................",
        "",
        " Drive Name      :   No conectada",
        " Serial No.         :    .............................. ",
        " Volume Name   :    ..............................  ",
        " ID                     :    ..............................",
        "",
    };
    ExpectLines(Build(), expected);
    // Only the unit with a card is asked for its volume.
    EXPECT_EQ(h.bench.system.volumeQueries, std::vector<std::string>{"E:\\"});
    EXPECT_EQ(h.bench.devices.OpenHandles(), 0u);
}

TEST_P(DevicePanel, ReaderThatCannotBeQueriedShowsFiveMissingUnits) {
    h.bench.SetSlots({MakeRecord(1, "VRCARD000001", 'E')});
    h.bench.FailQueries(true);
    ExpectLines(Build(), NoRecords());
    // Driver absent altogether: the same.
    h.bench.SetSlots({});
    h.bench.devices.RemoveDevice(CardReader::kControlDevice);
    h.bench.registry.RemoveKey(schema::kDriverInstanceRoot, schema::kDriverInstanceKey);
    ExpectLines(Build(), NoRecords());
    EXPECT_TRUE(h.bench.system.volumeQueries.empty());
}

TEST_P(DevicePanel, OnlyTheFirstFiveRecordsAndAFailedVolumeQueryLeavesTheLineOpen) {
    std::vector<CardRecord> slots;
    for (int i = 0; i < 5; ++i) slots.push_back(MakeRecord(0, "UNIT" + std::to_string(i), 'F'));
    slots[4] = MakeRecord(1, "LAST", 'H');  // no volume known for H:
    if (GetParam() == Family::Nt) slots.push_back(MakeRecord(1, "SIXTH", 'E'));
    h.bench.SetSlots(slots);
    const Lines lines = Build();
    EXPECT_EQ(lines[20], kUnitDrive);
    EXPECT_EQ(lines[21], " Serial No.          : LAST");
    EXPECT_EQ(lines[22], " Volume Name    : ");
    EXPECT_EQ(lines[23], " ID                      : H");
    EXPECT_EQ(lines[24], "");
    EXPECT_EQ(h.bench.system.volumeQueries, std::vector<std::string>{"H:\\"});  // not E: of the sixth
}

// A driver's odd record: a serial filling its 13 bytes without a NUL, letters that
// are no letters. Nothing is read past the record, no root is made of them, and no
// control byte reaches the text to break its lines apart.
TEST_P(DevicePanel, OddRecordsGiveDefinedTexts) {
    CardRecord full = MakeRecord(1, "ABCDEFGHIJKLM", '\0');
    CardRecord broken = MakeRecord(1, "AB\r\nCD", '\n');
    CardRecord digit = MakeRecord(2, "X", '7');
    ASSERT_EQ(full.serialNo[12], 'M');
    h.bench.SetSlots({full, broken, digit});
    const Lines lines = Build();
    EXPECT_EQ(lines[1], " Serial No.          : ABCDEFGHIJKLM");
    EXPECT_EQ(lines[2], " Volume Name    : ");
    EXPECT_EQ(lines[3], " ID                      : ");
    EXPECT_EQ(lines[6], " Serial No.          : ABCD");
    EXPECT_EQ(lines[8], " ID                      : ");
    EXPECT_EQ(lines[13], " ID                      : 7");
    EXPECT_TRUE(h.bench.system.volumeQueries.empty());
    for (const std::string& line : lines)
        for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << line;
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, DevicePanel, ::testing::Values(Family::Nt, Family::Win95),
                         [](const auto& info) { return info.param == Family::Nt ? "Nt" : "Win95"; });

// ---- Painting, with the panel taken over by a showing dialog ----

class PanelPaint : public ::testing::Test {
protected:
    // Paints the dialog's panel from `firstLine` and returns the canvas of that paint.
    test::FakeCanvas& Paint(SettingsDialog& dialog, std::int32_t firstLine) {
        h.Panel().SetFirstLine(firstLine);
        return Repaint(dialog);
    }
    // Paints it again from where it stands.
    test::FakeCanvas& Repaint(SettingsDialog&) {
        h.bench.user.Send(h.Panel(), wm::kPaint);
        return *h.bench.user.OpsOf(h.Panel())->paints.back();
    }
    test::SettingsHarness h;
};

TEST_F(PanelPaint, ThreeLinesInTheTwelvePixelFontInTheWindowTextColourOnTransparent) {
    h.bench.SetSlots({MakeRecord(1, "VRCARD000001", 'E')});
    h.bench.system.volumes["E:\\"] = "FOTOS";
    h.Run([&](SettingsDialog& dialog, test::FakeWindowOps&) {
        ASSERT_EQ(h.bench.user.attached.size(), 1u);
        EXPECT_EQ(h.bench.user.attached[0].id, IDC_DEVICE_INFO);
        test::FakeCanvas& canvas = Paint(dialog, 0);
        const auto texts = canvas.Find("text");
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0]->text, " Drive Name       : Almacenamiento de la VARNO Marindo\r\n"
                                  " Serial No.          : VRCARD000001\r\n"
                                  " Volume Name    : FOTOS\r\n");
        EXPECT_EQ(texts[0]->rect, canvas.ClientRect());
        EXPECT_EQ(texts[0]->format, kDtNoPrefix);  // a volume's '&' is drawn
        EXPECT_EQ(texts[0]->textColor, 0xC0C0C0u + kColorWindowText);
        EXPECT_TRUE(texts[0]->transparent);
        EXPECT_FALSE(texts[0]->stockFont);
        EXPECT_EQ(texts[0]->font.height, 12);
        EXPECT_EQ(texts[0]->font.weight, 400);
        EXPECT_EQ(texts[0]->font.charset, kWesternCharset);
        EXPECT_EQ(texts[0]->font.face, TXT_FONT_FACE);
        // The background is left to the erase; the font is given back.
        EXPECT_TRUE(canvas.Find("fill").empty());
        EXPECT_TRUE(canvas.Find("solid").empty());
        EXPECT_EQ(canvas.LiveObjects(), 0u);
        EXPECT_TRUE(canvas.OwnFontSelected());
        EXPECT_EQ(canvas.deletesOfUnknown, 0);
        EXPECT_EQ(h.bench.user.OpsOf(h.Panel())->paintsEnded, 1);

        // A paint draws what the last poll brought.
        h.bench.Remove(0);
        h.Poll(dialog);
        EXPECT_EQ(Paint(dialog, 2).Find("text")[0]->text,
                  " Volume Name    : Nº de la tarjeta\r\n ID                      : E\r\n\r\n");

        // The font grows with the system DPI, rounded as MulDiv rounds: 12 * 1.25 = 15,
        // 12 * 1.5 = 18, 12 * 2 = 24.
        for (auto [dpi, height] : {std::pair{120, 15}, std::pair{144, 18}, std::pair{192, 24},
                                   std::pair{96, 12}}) {
            h.bench.user.dpi = dpi;
            EXPECT_EQ(Paint(dialog, 0).Find("text").at(0)->font.height, height) << dpi;
        }
    });
}

TEST_F(PanelPaint, FirstLineBeyondTheLastThreeOrNegativeIsClampedTo22) {
    h.bench.SetSlots({});
    h.Run([&](SettingsDialog& dialog, test::FakeWindowOps&) {
        const std::string lastThree = std::string(kVolumeDots) + "\r\n" + kMissingId + "\r\n\r\n";
        for (std::int32_t line : {22, 23, 25, 1000, -1, -22, INT32_MIN}) {
            EXPECT_EQ(Paint(dialog, line).Find("text")[0]->text, lastThree) << line;
            // The line itself was set back: the next paint starts there too.
            EXPECT_EQ(Repaint(dialog).Find("text")[0]->text, lastThree) << line;
        }
        EXPECT_EQ(Paint(dialog, 21).Find("text")[0]->text,
                  std::string(kMissingSerialLine) + "\r\n" + lastThree.substr(0, lastThree.size() - 2));
        EXPECT_EQ(Repaint(dialog).Find("text")[0]->text,
                  std::string(kMissingSerialLine) + "\r\n" + lastThree.substr(0, lastThree.size() - 2));
    });
}

// Without its font the text goes out in the context's own, and nothing is selected
// back or deleted that was never made.
TEST(PanelFont, FontThatCannotBeMadeLeavesTheContextsOwn) {
    struct NoFonts : test::FakeWindowOps {
        using FakeWindowOps::FakeWindowOps;
        std::unique_ptr<ICanvas> BeginPaint() override {
            auto canvas = FakeWindowOps::BeginPaint();
            paints.back()->failFonts = true;
            return canvas;
        }
    };
    test::SettingsHarness h;
    h.bench.SetSlots({});
    DeviceInfoPanel panel{h.bench.platform};
    NoFonts ops(h.bench.user, panel, reinterpret_cast<WindowHandle>(0x42));
    panel.Bind(&ops);
    h.bench.user.Send(panel, wm::kPaint);
    panel.Bind(nullptr);
    const test::FakeCanvas& canvas = *ops.paints.back();
    ASSERT_EQ(canvas.Find("text").size(), 1u);
    EXPECT_TRUE(canvas.Find("text")[0]->stockFont);
    EXPECT_EQ(canvas.Find("text")[0]->text.rfind(kNoUnitDrive, 0), 0u);
    EXPECT_EQ(canvas.deletesOfUnknown, 0);
    EXPECT_TRUE(canvas.OwnFontSelected());
    EXPECT_EQ(ops.paintsEnded, 1);
}

}  // namespace
}  // namespace kardello
