#pragma once
#include <cstdint>

namespace kardello {

// Shared by the agent window, the card-watch steps and the photo application checks.
struct WatchFlags {
    std::int32_t cardPresent = 0;
    std::int32_t photoAppAutoOpened = 0;
    std::int32_t cardHandled = 0;
    std::int32_t watchQueryActive = 0;
    std::int32_t notFoundDialogOpen = 0;
    std::int32_t lowMemoryDialogOpen = 0;
};

}  // namespace kardello
