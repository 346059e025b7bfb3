// The filters that build the check's coarse and fine levels: Gaussian smoothing along the voxel
// axes and halving the grid by averaging pairs of voxels. Both keep the world position of every
// voxel centre exact by adjusting the transform.
#pragma once

#include <array>
#include <cstdint>

#include "keldra/check/check_volume.h"

namespace orvane::keldra::check {

// Separable Gaussian smoothing with the given standard deviation in voxels along each axis (0:
// that axis untouched). Near the grid's border the kernel is cut and renormalised. Samples
// must be finite.
Volume smoothed(const Volume& volume, const std::array<double, 3>& sigmaVoxels);

// Averages pairs of neighbours along each axis marked in `halve` (an odd last voxel is
// dropped); the new voxel lies midway between the two it averages. Non-finite samples count
// as 0.
Volume halved(const Volume& volume, const std::array<bool, 3>& halve);
// The same from bytes on a grid of `size` placed by `voxelToWorld` (the host's 8-bit
// anatomical), without a copy in floats first.
Volume halved(const std::uint8_t* samples, const std::array<int, 3>& size, const Affine& voxelToWorld,
              const std::array<bool, 3>& halve);

// NaN and infinite samples replaced by `value`.
Volume withFiniteSamples(const Volume& volume, float value);

}  // namespace orvane::keldra::check
