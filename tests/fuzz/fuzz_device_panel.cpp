// libFuzzer entry for the device panel's text target.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kardello::fuzz::DevicePanelText(data, size);
    return 0;
}
