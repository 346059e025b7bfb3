// Computing the initial alignment from two position records.
#include "keldra/workspace/initial_alignment.h"

#include <cmath>

namespace orvane::keldra {

namespace {

// |x| the way the module takes it: through the double-precision absolute value.
float magnitude(float x) { return static_cast<float>(std::fabs(static_cast<double>(x))); }

Affine centreShift(const RecordedGrid& g, double sign) {
    return Affine::translation({sign * (g.grid[0] - 1) / 2.0, sign * (g.grid[1] - 1) / 2.0, sign * (g.grid[2] - 1) / 2.0});
}

}  // namespace

SliceOrderFlip sliceOrderFlip(Point3 first, Point3 last) {
    float dx = first.x - last.x;
    float dy = first.y - last.y;
    float dz = first.z - last.z;
    SliceOrderFlip flip;
    if (magnitude(dz) > magnitude(dx) || magnitude(dy) > magnitude(dx)) {
        if (dz < 0) {
            flip.z = -1;
        }
    } else if (dx > 0) {
        flip.x = -1;
    }
    return flip;
}

Affine centredVmrVoxelToCentredFmrVoxel(const RecordedGrid& fmr, const RecordedGrid& vmr) {
    // A grid read from a record has orthonormal axes times positive voxel sizes, so it has an
    // inverse; were it singular, the all-zero matrix would make the alignment plainly wrong.
    const Affine worldToFmrVoxel = fmr.voxelToWorld.inverse().value_or(Affine{});
    return centreShift(fmr, -1) * worldToFmrVoxel * vmr.voxelToWorld * centreShift(vmr, 1);
}

bool computeInitialAlignment(const PositionHeader& fmrPosition, const PositionHeader& vmrPosition,
                             float initialAlignment[16], std::string& error) {
    RecordedGrid fmr;
    RecordedGrid vmr;
    if (!readPositionRecord(fmrPosition, fmr, error) || !readPositionRecord(vmrPosition, vmr, error)) {
        return false;
    }
    SliceOrderFlip flip = sliceOrderFlip(fmrPosition.firstSliceCentre(), fmrPosition.lastSliceCentre());
    Affine flipMatrix = Affine::scaling(flip.x, flip.y, flip.z);
    Affine fmrScalingInverse = Affine::scaling(fmr.voxelSize[0], fmr.voxelSize[1], fmr.voxelSize[2]);
    Affine vmrScalingInverse = Affine::scaling(1.0 / vmr.voxelSize[0], 1.0 / vmr.voxelSize[1], 1.0 / vmr.voxelSize[2]);
    Affine rigid = fmrScalingInverse * flipMatrix * centredVmrVoxelToCentredFmrVoxel(fmr, vmr) * vmrScalingInverse;
    Affine alignment = rigid.rigidInverse();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            initialAlignment[4 * r + c] = static_cast<float>(alignment.m[r][c]);
        }
    }
    return true;
}

}  // namespace orvane::keldra
