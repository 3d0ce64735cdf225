#pragma once
// The settings dialog's device information panel (control 1064): what the card
// reader reported for its first five records, three lines of a 25-line text at a
// time. The reader is asked elsewhere; a paint draws the last answer shown.

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "agent/CardWatch.h"
#include "device/CardReader.h"
#include "platform/Platform.h"
#include "platform/MessageMap.h"

namespace kardello {

// The reader's records and the volume names of the drives the panel shows.
struct PanelAnswer {
    static constexpr int kBlocks = 5;
    ReaderAnswer reader;
    std::array<std::string, kBlocks> volumes;  // empty where none was asked or read

    // Waits on the driver and the drives: off the window's thread.
    static PanelAnswer Ask(const CardReader& reader, ISystemInfo& system, Family family);
};

class DeviceInfoPanel : public WindowBase {
public:
    static constexpr int kLineCount = 25;
    static constexpr int kVisibleLines = 3;
    static constexpr int kLastFirstLine = kLineCount - kVisibleLines;  // 22

    using Lines = std::array<std::string, kLineCount>;

    explicit DeviceInfoPanel(Platform& platform) : platform_(platform) {}

    void SetFirstLine(std::int32_t line) { firstLine_ = line; }
    // What the next paint draws; until the first, no reader is shown.
    void Show(PanelAnswer answer) { answer_ = std::move(answer); }

    // The 25 lines, without their CR LF, as the last answer shown says.
    Lines BuildLines() const;
    // Lines firstLine to firstLine + 2, each ended by CR LF; clamps firstLine first.
    std::string VisibleText(const Lines& lines);

private:
    KARDELLO_BEGIN_MESSAGES(DeviceInfoPanel)
        KARDELLO_MESSAGE(wm::kPaint, OnPaint)
    KARDELLO_END_MESSAGES(nullptr)

    void OnPaint();

    Platform& platform_;
    PanelAnswer answer_;
    std::int32_t firstLine_ = 0;
};

}  // namespace kardello
