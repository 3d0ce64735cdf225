// libFuzzer entry for the UTF-8/UTF-16 conversion target.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kardello::fuzz::Utf16Conversion(data, size);
    return 0;
}
