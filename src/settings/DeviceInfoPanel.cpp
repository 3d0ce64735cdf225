#include "settings/DeviceInfoPanel.h"

#include <algorithm>

#include "platform/Canvas.h"
#include "platform/DpiScale.h"
#include "res/StringIds.h"

namespace kardello {

namespace {

constexpr int kBlocks = PanelAnswer::kBlocks;
static_assert(kBlocks * 5 == DeviceInfoPanel::kLineCount);
const std::string kDots(30, '.');

// Driver bytes shown as text: a control character (a CR, a NUL) would break the
// 25 lines apart or cut them short.
std::string Printable(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char c) {
                                  const auto byte = static_cast<unsigned char>(c);
                                  return byte < 0x20 || byte == 0x7F;
                              }),
               text.end());
    return text;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A block that shows a volume's name: a card in a unit whose serial is known.
bool ShowsVolume(const CardRecord& record) {
    return !record.SerialText().empty() && record.status != CardRecord::kNoCard;
}

}  // namespace

PanelAnswer PanelAnswer::Ask(const CardReader& reader, ISystemInfo& system, Family family) {
    PanelAnswer answer;
    answer.reader = ReaderAnswer::Ask(reader, family);
    for (int k = 0; k < answer.reader.count && k < kBlocks; ++k) {
        const CardRecord& record = answer.reader.records[k];
        // Anything but a letter names no root worth asking about.
        if (!ShowsVolume(record) || !IsDriveLetter(record.driveLetter)) continue;
        std::string name;
        if (system.VolumeName(std::string(1, record.driveLetter) + ":\\", name))
            answer.volumes[k] = Printable(name);
    }
    return answer;
}

DeviceInfoPanel::Lines DeviceInfoPanel::BuildLines() const {
    IUser& user = platform_.user;
    const std::string cardNumber = user.LoadString(IDS_CARD_NUMBER);
    const std::string notConnected = user.LoadString(IDS_NOT_CONNECTED);
    const std::string storage = user.LoadString(IDS_STORAGE_NAME);

    Lines lines;
    // `returned`: a record with an empty serial, rather than no record at all.
    auto notConnectedBlock = [&](int k, bool returned) {
        const int at = 5 * k;
        lines[at] = " Drive Name      :   " + notConnected;
        lines[at + 1] = " Serial No.         :    " + kDots + (returned ? "   " : " ");
        lines[at + 2] = " Volume Name   :    " + kDots + "  ";
        lines[at + 3] = " ID                     :    " + kDots + (returned ? "   " : "");
    };

    int k = 0;
    for (; k < answer_.reader.count && k < kBlocks; ++k) {
        const CardRecord& record = answer_.reader.records[k];
        const std::string serial = record.SerialText();
        if (serial.empty()) {
            notConnectedBlock(k, true);
            continue;
        }
        const std::string volume = ShowsVolume(record) ? answer_.volumes[k] : cardNumber;
        const int at = 5 * k;
        lines[at] = " Drive Name       : " + storage;
        lines[at + 1] = " Serial No.          : " + DriverText(Printable(serial));
        lines[at + 2] = " Volume Name    : " + volume;
        lines[at + 3] =
            " ID                      : " + DriverText(Printable(std::string(1, record.driveLetter)));
    }
    for (; k < kBlocks; ++k) notConnectedBlock(k, false);
    return lines;
}

std::string DeviceInfoPanel::VisibleText(const Lines& lines) {
    // Unsigned, so that a negative line is clamped as well.
    if (static_cast<std::uint32_t>(firstLine_) > static_cast<std::uint32_t>(kLastFirstLine))
        firstLine_ = kLastFirstLine;
    std::string text;
    for (int i = firstLine_; i < firstLine_ + kVisibleLines; ++i) text += lines[i] + "\r\n";
    return text;
}

void DeviceInfoPanel::OnPaint() {
    std::unique_ptr<ICanvas> canvas = Ops()->BeginPaint();
    if (canvas == nullptr) return;
    const Lines lines = BuildLines();
    // The window's text colour: black in the standard schemes, readable in high contrast.
    canvas->SetTextColor(canvas->SysColor(kColorWindowText));
    canvas->SetTransparentBackground();
    const DpiScale px(platform_.user.SystemDpi());
    const ScopedFont font(*canvas, px(12), 400, platform_.user.LoadString(IDS_FONT_FACE));
    // A volume's name is the user's: an '&' in it is drawn, not taken for a mnemonic.
    canvas->DrawText(VisibleText(lines), canvas->ClientRect(), kDtLeft | kDtNoPrefix);
}

}  // namespace kardello
