#include "fakes/Sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kardello::test {
namespace {

using Steps = std::vector<std::string>;

std::string Failure(const Steps& expected, const Steps& recorded) {
    const ::testing::AssertionResult result = SameSequence(expected, recorded);
    return result ? std::string("<passed>") : std::string(result.message());
}

TEST(SameSequence, NamesTheFirstStepThatDiffersOrIsMissingOrExtra) {
    EXPECT_TRUE(SameSequence(Steps{"a", "b"}, Steps{"a", "b"}));
    EXPECT_TRUE(SameSequence(Steps{}, Steps{}));
    EXPECT_EQ(Failure({"a", "b", "c"}, {"a", "x", "y"}), "step 2 differs: expected \"b\", recorded \"x\"");
    EXPECT_EQ(Failure({"a", "b"}, {"a"}), "step 2 missing: expected \"b\" (1 of 2 recorded)");
    EXPECT_EQ(Failure({"a"}, {"a", "b", "c"}), "step 2 extra: recorded \"b\" (3 recorded, 1 expected)");
    EXPECT_EQ(Failure({}, {"a"}), "step 1 extra: recorded \"a\" (1 recorded, 0 expected)");
}

}  // namespace
}  // namespace kardello::test
