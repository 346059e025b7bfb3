// The three projections: nearest-neighbour resampling of intensities between the VMR (8-bit
// anatomical voxels) and the normalised FMR intensity buffers (0..225 floats).
//
// Contract shared by all three:
// - Grids and indexing: a volume is a flat array indexed x + dimX * (y + dimY * z), x fastest,
//   with 64-bit index arithmetic. Every view must have positive extents accepted by
//   checkedVoxelCount and address at least that many voxels; the projections do not check.
// - Voxel centres: voxel (i, j, k) of a grid (nx, ny, nz) sits at the centred point
//   (i - (nx-1)/2, j - (ny-1)/2, k - (nz-1)/2, 1), each term in single precision, so that the
//   mapping matrices act about the grid centres. The mapped point is brought back into the
//   source grid by adding the source grid's (n-1)/2 to x, y and z; w is not used.
// - Nearest voxel: each coordinate is widened to double and rounded half up (roundHalfUp):
//   ties go toward +infinity (2.5 -> 3, -2.5 -> -2).
// - Inside test: 0 <= index < extent on x, then y, then z of the source grid. A target voxel
//   whose point falls outside, or whose coordinate is not a finite number within the 32-bit
//   range, is skipped and keeps its value.
// - Walk: over the target grid, z outermost, then y, x innermost. The walk order matters only
//   in projectTwoFmrs, whose writes into FMR 1's buffer are read again by later voxels.
// - Into the VMR: an FMR intensity v is written only when (double)v > 20.0, as
//   roundHalfUp(v) clamped to 0..225 (projectedVmrByte), so projected bytes lie in 20..225.
// - Into an FMR buffer: a VMR byte b becomes b * 3.0, with no threshold.
// The projections neither log nor refresh anything: the caller does both around them.
#pragma once

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

namespace orvane {

// Mode 1: for each VMR voxel, the FMR voxel that vmrVoxelToFmrVoxel maps it to lends its
// intensity when above the threshold.
void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr);

// Mode 2: for each FMR voxel, the VMR voxel that fmrVoxelToVmrVoxel maps it to replaces the
// buffer value with three times its byte.
void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr);

// Mode 3: for each VMR voxel whose point lies inside FMR 1 (voxels outside FMR 1 are left
// alone, whatever FMR 2 holds there):
//  1. FMR 1's current value, when above the threshold, goes into the VMR voxel;
//  2. when the point also lies inside FMR 2 and FMR 2's value is above the threshold, that
//     value goes into the VMR voxel (overwriting FMR 1's) and into FMR 1's buffer at FMR 1's
//     voxel, where later VMR voxels mapping onto the same FMR 1 voxel read it in step 1.
void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr);

}  // namespace orvane
