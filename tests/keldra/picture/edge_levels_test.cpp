// The levels whose contours are drawn as a volume's edges.
#include "keldra/picture/edge_levels.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvane::keldra::picture {
namespace {

// Found by fuzzing: a functional's NaN and infinite samples, kept as they are, reached the
// histogram of the levels as indices (a crash).
TEST(EdgeLevels, LeaveNonFiniteSamplesOut) {
    std::vector<float> plain, spiked;
    for (int i = 0; i < 100; ++i) {
        plain.push_back(i < 50 ? 10.0f : 200.0f);
    }
    spiked = plain;
    const float inf = std::numeric_limits<float>::infinity();
    spiked.insert(spiked.end(), {std::numeric_limits<float>::quiet_NaN(), inf, -inf});
    const std::vector<float> levels = edgeLevels(plain);
    ASSERT_FALSE(levels.empty());
    EXPECT_GT(levels.front(), 10.0f);
    EXPECT_LE(levels.front(), 200.0f);
    EXPECT_EQ(edgeLevels(spiked), levels);
}

}  // namespace
}  // namespace orvane::keldra::picture
