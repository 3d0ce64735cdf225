// libFuzzer entry for the card reader target.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kardello::fuzz::CardReaderReplies(data, size);
    return 0;
}
