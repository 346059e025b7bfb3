// The gradient-magnitude filter: the weight of every neighbour, ramps, borders and volumes
// too small to have an interior.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "util/gradient_magnitude.h"

namespace orvane {
namespace {

std::size_t voxelCount(const VolumeDims& d) {
    return static_cast<std::size_t>(d.dimX) * static_cast<std::size_t>(d.dimY) * static_cast<std::size_t>(d.dimZ);
}

std::vector<float> filtered(const VolumeDims& d, const std::vector<float>& input) {
    std::vector<float> output(voxelCount(d), -1.0f);
    gradientMagnitude(d, input.data(), output.data());
    return output;
}

// The weight a neighbour at offset (dx, dy, dz) has along an axis on which its offset is
// non-zero: 6 for a face, 3 for an edge, 1 for a corner.
float weightAlongAxis(int offsetOnAxis, int nonZeroOffsets) {
    if (offsetOnAxis == 0) {
        return 0.0f;
    }
    return nonZeroOffsets == 1 ? 6.0f : nonZeroOffsets == 2 ? 3.0f : 1.0f;
}

TEST(GradientMagnitude, EachNeighbourCountsWithItsWeightAlongEachAxis) {
    const VolumeDims d{3, 3, 3};
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                std::vector<float> input(27, 0.0f);
                input[(dx + 1) + 3 * (dy + 1) + 9 * (dz + 1)] = 1.0f;
                const int nonZero = (dx != 0) + (dy != 0) + (dz != 0);
                const float gx = weightAlongAxis(dx, nonZero);
                const float gy = weightAlongAxis(dy, nonZero);
                const float gz = weightAlongAxis(dz, nonZero);
                const std::vector<float> output = filtered(d, input);
                EXPECT_EQ(output[13], std::sqrt((gy * gy + gx * gx) + gz * gz))
                    << "neighbour at " << dx << ", " << dy << ", " << dz;
            }
        }
    }
}

TEST(GradientMagnitude, RampsGiveFortyFourInsideAndZeroOnTheBorder) {
    const VolumeDims d{5, 6, 7};
    for (int axis = 0; axis < 3; ++axis) {
        std::vector<float> input(voxelCount(d));
        for (int z = 0; z < d.dimZ; ++z) {
            for (int y = 0; y < d.dimY; ++y) {
                for (int x = 0; x < d.dimX; ++x) {
                    const int along[3] = {x, y, z};
                    // Rising by 1 per voxel, from an offset, so that no value is zero.
                    input[x + d.dimX * (y + d.dimY * z)] = 10.0f + static_cast<float>(along[axis]);
                }
            }
        }
        const std::vector<float> output = filtered(d, input);
        for (int z = 0; z < d.dimZ; ++z) {
            for (int y = 0; y < d.dimY; ++y) {
                for (int x = 0; x < d.dimX; ++x) {
                    const bool border = x == 0 || y == 0 || z == 0 || x == d.dimX - 1 || y == d.dimY - 1 || z == d.dimZ - 1;
                    EXPECT_EQ(output[x + d.dimX * (y + d.dimY * z)], border ? 0.0f : 44.0f)
                        << "axis " << axis << " voxel " << x << ", " << y << ", " << z;
                }
            }
        }
    }
}

TEST(GradientMagnitude, ConstantAndThinVolumesGiveZeroEverywhere) {
    const VolumeDims cube{4, 4, 4};
    for (float value : filtered(cube, std::vector<float>(64, 7.5f))) {
        EXPECT_EQ(value, 0.0f);
    }
    std::srand(7);
    for (VolumeDims thin : {VolumeDims{2, 5, 5}, VolumeDims{5, 2, 5}, VolumeDims{5, 5, 2}, VolumeDims{1, 1, 1}}) {
        std::vector<float> noise(voxelCount(thin));
        for (float& v : noise) {
            v = static_cast<float>(std::rand() % 1000);
        }
        for (float value : filtered(thin, noise)) {
            EXPECT_EQ(value, 0.0f);
        }
    }
}

}  // namespace
}  // namespace orvane
