// The straightforward per-voxel walks behind the projections: one matrix product, three
// roundings and one inside test per target voxel, in the order the contract in
// projections.h states. Any faster path must produce exactly what these produce.
#pragma once

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

namespace orvane::reference {

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr);

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr);

void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr);

}  // namespace orvane::reference
