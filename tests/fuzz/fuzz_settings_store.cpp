// libFuzzer entry for the settings store target.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kardello::fuzz::SettingsStoreReads(data, size);
    return 0;
}
