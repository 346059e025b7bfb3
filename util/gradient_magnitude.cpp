// The gradient-magnitude filter. The neighbours of a voxel are numbered
// n = (dx+1) + 3(dy+1) + 9(dz+1); each component is (1*A + 3*B) + 6*C, where A, B and C add
// the neighbours one voxel back and subtract their mirrors one voxel forward, in the order
// written below, so that results are reproducible to the bit.
#include "util/gradient_magnitude.h"

#include <cmath>
#include <cstddef>

namespace orvane {

void gradientMagnitude(const VolumeDims& dims, const float* input, float* output) {
    if (dims.dimX <= 0 || dims.dimY <= 0 || dims.dimZ <= 0) {
        return;
    }
    const std::ptrdiff_t dimX = dims.dimX;
    const std::ptrdiff_t dimY = dims.dimY;
    const std::ptrdiff_t dimZ = dims.dimZ;
    const std::ptrdiff_t count = dimX * dimY * dimZ;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        output[i] = 0.0f;
    }

    std::ptrdiff_t offset[27];
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                offset[(dx + 1) + 3 * (dy + 1) + 9 * (dz + 1)] = dx + dimX * dy + dimX * dimY * dz;
            }
        }
    }

    for (std::ptrdiff_t z = 1; z < dimZ - 1; ++z) {
        for (std::ptrdiff_t y = 1; y < dimY - 1; ++y) {
            for (std::ptrdiff_t x = 1; x < dimX - 1; ++x) {
                const std::ptrdiff_t voxel = x + dimX * (y + dimY * z);
                float n[27];
                for (int k = 0; k < 27; ++k) {
                    n[k] = input[voxel + offset[k]];
                }

                float a = n[0] + n[2] + n[6] + n[8] - n[18] - n[20] - n[24] - n[26];
                float b = n[1] + n[3] + n[5] + n[7] - n[19] - n[21] - n[23] - n[25];
                float c = n[4] - n[22];
                const float gz = (1.0f * a + 3.0f * b) + 6.0f * c;

                a = n[0] + n[6] + n[18] + n[24] - n[2] - n[8] - n[20] - n[26];
                b = n[3] + n[9] + n[15] + n[21] - n[5] - n[11] - n[17] - n[23];
                c = n[12] - n[14];
                const float gx = (1.0f * a + 3.0f * b) + 6.0f * c;

                a = n[0] + n[2] + n[18] + n[20] - n[6] - n[8] - n[24] - n[26];
                b = n[1] + n[9] + n[11] + n[19] - n[7] - n[15] - n[17] - n[25];
                c = n[10] - n[16];
                const float gy = (1.0f * a + 3.0f * b) + 6.0f * c;

                output[voxel] = std::sqrt((gy * gy + gx * gx) + gz * gz);
            }
        }
    }
}

}  // namespace orvane
