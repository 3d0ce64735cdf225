#pragma once
// A recorded sequence checked against the expected one, written as data: a failure
// names the first step that differs, or the first one missing or extra.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace kardello::test {

template <typename T>
::testing::AssertionResult SameSequence(const std::vector<T>& expected, const std::vector<T>& recorded) {
    const std::size_t common = std::min(expected.size(), recorded.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (!(expected[i] == recorded[i])) {
            return ::testing::AssertionFailure()
                   << "step " << i + 1 << " differs: expected " << ::testing::PrintToString(expected[i])
                   << ", recorded " << ::testing::PrintToString(recorded[i]);
        }
    }
    if (recorded.size() < expected.size()) {
        return ::testing::AssertionFailure()
               << "step " << common + 1 << " missing: expected " << ::testing::PrintToString(expected[common])
               << " (" << recorded.size() << " of " << expected.size() << " recorded)";
    }
    if (recorded.size() > expected.size()) {
        return ::testing::AssertionFailure()
               << "step " << common + 1 << " extra: recorded " << ::testing::PrintToString(recorded[common])
               << " (" << recorded.size() << " recorded, " << expected.size() << " expected)";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kardello::test
