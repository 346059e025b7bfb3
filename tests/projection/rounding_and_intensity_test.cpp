// Rounding to the nearest voxel and the rules by which intensities cross between volumes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "projection/intensity_rules.h"
#include "projection/round_half_up.h"
#include "projection/voxel_grid.h"

namespace orvane {
namespace {

TEST(RoundHalfUp, TiesGoUpOnBothSidesOfZero) {
    const struct {
        double x;
        std::int32_t expected;
    } cases[] = {{2.5, 3}, {-2.5, -2}, {-2.6, -3}, {-0.4, 0}, {-0.5, 0}, {-0.6, -1}, {0.0, 0}, {-1.0, -1},
                 {-3.0, -3}, {224.6, 225}, {2147483647.4, 2147483647}, {-2147483648.5, -2147483647 - 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(roundHalfUp(c.x), std::optional<std::int32_t>(c.expected)) << c.x;
    }
}

TEST(RoundHalfUp, AgreesWithFloorOfXPlusHalfOverTheWholeRange) {
    std::mt19937_64 random(20130101);
    std::uniform_real_distribution<double> wide(-2.0e9, 2.0e9);
    std::uniform_real_distribution<double> narrow(-600.0, 600.0);
    for (int n = 0; n < 200000; ++n) {
        double x = (n % 2) ? wide(random) : narrow(random);
        if (n % 7 == 0) {
            x = std::round(x * 2.0) / 2.0;  // exact ties
        }
        ASSERT_EQ(roundHalfUp(x), std::optional<std::int32_t>(static_cast<std::int32_t>(std::floor(x + 0.5)))) << x;
    }
}

TEST(RoundHalfUp, NothingForValuesNoVoxelIndexCanHold) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {std::nan(""), inf, -inf, 2147483647.5, 3.0e9, -2147483649.0, 1.0e300, -1.0e300}) {
        EXPECT_EQ(roundHalfUp(x), std::nullopt) << x;
    }
}

TEST(ProjectedVmrByte, ThresholdRoundingAndClamp) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(projectedVmrByte(20.0f), std::nullopt);
    EXPECT_EQ(projectedVmrByte(std::nextafter(20.0f, 21.0f)), std::optional<unsigned char>(20));
    EXPECT_EQ(projectedVmrByte(20.4f), std::optional<unsigned char>(20));
    EXPECT_EQ(projectedVmrByte(20.5f), std::optional<unsigned char>(21));
    EXPECT_EQ(projectedVmrByte(224.6f), std::optional<unsigned char>(225));
    EXPECT_EQ(projectedVmrByte(765.0f), std::optional<unsigned char>(225));
    EXPECT_EQ(projectedVmrByte(inf), std::optional<unsigned char>(225));
    EXPECT_EQ(projectedVmrByte(3.0e38f), std::optional<unsigned char>(225));
    EXPECT_EQ(projectedVmrByte(std::numeric_limits<float>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(projectedVmrByte(-inf), std::nullopt);
    EXPECT_EQ(fmrValueOfVmrByte(100), 300.0f);
    EXPECT_EQ(fmrValueOfVmrByte(255), 765.0f);
}

TEST(VoxelGrid, CountsAre64BitAndRefuseGridsThatCannotExist) {
    EXPECT_EQ(checkedVoxelCount({64, 64, 30}, 4), std::optional<std::size_t>(122880));
    // 2^32 voxels: a 32-bit product would wrap to 0.
    EXPECT_EQ(checkedVoxelCount({2048, 2048, 1024}, 2), std::optional<std::size_t>(std::size_t(1) << 32));
    EXPECT_EQ(checkedVoxelCount({0, 64, 30}, 4), std::nullopt);
    EXPECT_EQ(checkedVoxelCount({64, -1, 30}, 4), std::nullopt);
    EXPECT_EQ(checkedVoxelCount({64, 64, std::numeric_limits<std::int32_t>::min()}, 4), std::nullopt);
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(checkedVoxelCount({big, big, big}, 1), std::nullopt);
    EXPECT_TRUE(checkedVoxelCount({big, big, 2}, 1).has_value());
    EXPECT_EQ(checkedVoxelCount({big, big, 2}, 4), std::nullopt);

    const GridSize grid{5, 7, 9};
    EXPECT_EQ(voxelIndex(grid, 4, 6, 8), 5u * 7u * 9u - 1u);
    EXPECT_EQ(voxelIndex({65536, 65536, 4}, 1, 2, 3), 1u + 65536u * (2u + 65536u * std::size_t(3)));
    EXPECT_EQ(centreOffset(8), 3.5f);
    EXPECT_EQ(centreOffset(1), 0.0f);
}

}  // namespace
}  // namespace orvane
