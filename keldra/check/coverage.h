// Coverage: how much of one image's head lies inside another image's grid, for the share of
// the anatomy's head the functional sees and the share of the functional's head that lies
// inside the anatomy's grid.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "keldra/check/check_volume.h"

namespace orvane::keldra::check {

// The share (0..1) of the voxels marked in `mask` whose centres, placed in the world by
// `volume`'s transform, lie inside the box of a grid of `gridSize` voxels placed by
// `gridVoxelToWorld` (the box reaches half a voxel beyond the outer centres). 0 when the mask
// is empty or the grid's transform cannot be inverted.
double shareInsideGrid(const Volume& volume, const std::vector<std::uint8_t>& mask, const std::array<int, 3>& gridSize,
                       const Affine& gridVoxelToWorld);

}  // namespace orvane::keldra::check
