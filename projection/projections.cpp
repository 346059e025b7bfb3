// The projections' entry points: the AVX2 path where the processor has it, the portable
// row-by-row path everywhere else. Both match the per-voxel reference walk bit for bit.
#include "projection/projections.h"

#include "projection/avx2_projections.h"
#include "projection/portable_projections.h"

namespace orvane {

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr) {
#if ORVANE_HAS_AVX2_PATH
    if (avx2::isSupported()) {
        avx2::projectFmrIntoVmr(vmrVoxelToFmrVoxel, fmr, vmr);
        return;
    }
#endif
    portable::projectFmrIntoVmr(vmrVoxelToFmrVoxel, fmr, vmr);
}

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr) {
#if ORVANE_HAS_AVX2_PATH
    if (avx2::isSupported()) {
        avx2::projectVmrIntoFmr(fmrVoxelToVmrVoxel, vmr, fmr);
        return;
    }
#endif
    portable::projectVmrIntoFmr(fmrVoxelToVmrVoxel, vmr, fmr);
}

void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr) {
#if ORVANE_HAS_AVX2_PATH
    if (avx2::isSupported()) {
        avx2::projectTwoFmrs(vmrVoxelToFmr1Voxel, vmrVoxelToFmr2Voxel, fmr1, fmr2, vmr);
        return;
    }
#endif
    portable::projectTwoFmrs(vmrVoxelToFmr1Voxel, vmrVoxelToFmr2Voxel, fmr1, fmr2, vmr);
}

}  // namespace orvane
