#pragma once
// The settings dialog's device information panel (control 1064): what the card
// reader reports for its first five records, three lines of a 25-line text at a
// time. The text is built afresh at every paint; nothing read survives it.

#include <array>
#include <cstdint>
#include <string>

#include "device/CardReader.h"
#include "platform/Platform.h"
#include "platform/MessageMap.h"

namespace kardello {

class DeviceInfoPanel : public WindowBase {
public:
    static constexpr int kLineCount = 25;
    static constexpr int kVisibleLines = 3;
    static constexpr int kLastFirstLine = kLineCount - kVisibleLines;  // 22

    using Lines = std::array<std::string, kLineCount>;

    DeviceInfoPanel(Platform& platform, const CardReader& reader)
        : platform_(platform), reader_(reader) {}

    void SetFirstLine(std::int32_t line) { firstLine_ = line; }

    // The 25 lines, without their CR LF, as the reader and the volumes answer now.
    Lines BuildLines() const;
    // Lines firstLine to firstLine + 2, each ended by CR LF; clamps firstLine first.
    std::string VisibleText(const Lines& lines);

private:
    KARDELLO_BEGIN_MESSAGES(DeviceInfoPanel)
        KARDELLO_MESSAGE(wm::kPaint, OnPaint)
    KARDELLO_END_MESSAGES(nullptr)

    void OnPaint();

    Platform& platform_;
    const CardReader& reader_;
    std::int32_t firstLine_ = 0;
};

}  // namespace kardello
