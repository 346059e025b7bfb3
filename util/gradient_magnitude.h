// A 3-D gradient-magnitude filter over a float volume, with 3x3x3 weights of 1 (corners),
// 3 (edges) and 6 (faces) along each axis, evaluated in single precision in a fixed order.
#pragma once

#include <cstdint>

namespace orvane {

struct VolumeDims {
    std::int32_t dimX;
    std::int32_t dimY;
    std::int32_t dimZ;
};

// Writes the gradient magnitude of `input` into `output`; both hold dimX*dimY*dimZ floats,
// voxel (x, y, z) at x + dimX*(y + dimY*z), and must not overlap. Border voxels, and every
// voxel of a volume thinner than 3 along any axis, are 0. Non-positive dimensions mean an
// empty volume.
void gradientMagnitude(const VolumeDims& dims, const float* input, float* output);

}  // namespace orvane
