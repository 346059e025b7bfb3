// The projections laid out row by row for any processor: the inside run of each target row is
// found once, and only its voxels are mapped, with no range tests and with the FMR intensities
// already turned into bytes. Results are those of the per-voxel reference walk, bit for bit.
#pragma once

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

namespace orvane::portable {

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr);

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr);

// fmr1 and fmr2 must be different buffers.
void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr);

}  // namespace orvane::portable
