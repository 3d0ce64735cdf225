// Replays the fuzz corpus kept in the tree: inputs that once found something or
// reach the odd corners, run on every test run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/FuzzTargets.h"

namespace kardello {
namespace {

namespace fs = std::filesystem;

std::vector<std::vector<std::uint8_t>> Corpus(const char* target) {
    std::vector<std::vector<std::uint8_t>> inputs;
    const fs::path folder = fs::path(KARDELLO_FUZZ_CORPUS) / target;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return inputs;
}

TEST(FuzzCorpus, CardReaderRepliesHoldTheirInvariants) {
    const auto inputs = Corpus("card_reader");
    ASSERT_GE(inputs.size(), 5u) << "the corpus is missing";
    for (const auto& input : inputs) fuzz::CardReaderReplies(input.data(), input.size());
}

TEST(FuzzCorpus, SettingsStoreReadsHoldTheirInvariants) {
    const auto inputs = Corpus("settings_store");
    ASSERT_GE(inputs.size(), 5u) << "the corpus is missing";
    for (const auto& input : inputs) fuzz::SettingsStoreReads(input.data(), input.size());
}

TEST(FuzzCorpus, DevicePanelTextHoldsItsInvariants) {
    const auto inputs = Corpus("device_panel");
    ASSERT_GE(inputs.size(), 5u) << "the corpus is missing";
    for (const auto& input : inputs) fuzz::DevicePanelText(input.data(), input.size());
}

TEST(FuzzCorpus, Utf16ConversionHoldsItsInvariants) {
    const auto inputs = Corpus("utf16");
    ASSERT_GE(inputs.size(), 5u) << "the corpus is missing";
    for (const auto& input : inputs) fuzz::Utf16Conversion(input.data(), input.size());
}

}  // namespace
}  // namespace kardello
