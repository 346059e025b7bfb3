// The projections eight voxels at a time in 256-bit registers, for x86 processors with AVX2.
// The layout is the portable path's (inside runs of rows, bytes worked out per FMR voxel); the
// arithmetic is the same single-precision sequence with separate multiplies and adds, so the
// results are those of the per-voxel reference walk, bit for bit. Only call these when
// isSupported() says the processor can run them; grids too large for 32-bit voxel indices are
// handed to the portable path.
#pragma once

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

// GCC targeting Windows does not align its stack for 256-bit values, so a spilled register
// could fault there; such builds (mingw-w64) take the portable path.
#if (defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)) && \
    !(defined(_WIN32) && defined(__GNUC__) && !defined(__clang__))
#define ORVANE_HAS_AVX2_PATH 1
#else
#define ORVANE_HAS_AVX2_PATH 0
#endif

namespace orvane::avx2 {

// Whether this processor, and the operating system's saving of its registers, allow AVX2.
bool isSupported();

#if ORVANE_HAS_AVX2_PATH
void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr);

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr);

// fmr1 and fmr2 must be different buffers.
void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr);
#endif

}  // namespace orvane::avx2
