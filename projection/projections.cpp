// The projections' entry points. Each runs the per-voxel reference walk; a faster path, when
// one is added, goes here beside it and must match it bit for bit.
#include "projection/projections.h"

#include "projection/reference_projections.h"

namespace orvane {

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr) {
    reference::projectFmrIntoVmr(vmrVoxelToFmrVoxel, fmr, vmr);
}

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr) {
    reference::projectVmrIntoFmr(fmrVoxelToVmrVoxel, vmr, fmr);
}

void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr) {
    reference::projectTwoFmrs(vmrVoxelToFmr1Voxel, vmrVoxelToFmr2Voxel, fmr1, fmr2, vmr);
}

}  // namespace orvane
