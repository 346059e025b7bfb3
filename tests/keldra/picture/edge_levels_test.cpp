// The levels whose contours are drawn as a volume's edges.
#include "keldra/picture/edge_levels.h"

#include <gtest/gtest.h>

#include <cstdint>
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

// An anatomical's bytes are counted per value rather than split as floats: the levels must be
// the float path's to the last bit, also when the sample strides through a large volume and
// when the values reach both ends of the byte range.
TEST(EdgeLevels, OfBytesAreThoseOfTheirSampledValues) {
    for (const int side : {20, 90}) {  // 8000 voxels, all sampled; 729000, every third
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(side) * side * side);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const std::size_t r = (i * 2654435761u) >> 7;
            bytes[i] = static_cast<std::uint8_t>(i % 7 == 0 ? 0 : i % 11 == 0 ? 255 : 60 + r % 40 + (i / 5 % 3) * 50);
        }
        PictureVolume volume;
        volume.grid.nx = volume.grid.ny = volume.grid.nz = side;
        volume.bytes = bytes.data();
        const std::vector<float> levels = edgeLevels(volume);
        ASSERT_EQ(levels.size(), 2u) << side;
        EXPECT_EQ(levels, edgeLevels(sampledValues(volume))) << side;
    }
}

}  // namespace
}  // namespace orvane::keldra::picture
