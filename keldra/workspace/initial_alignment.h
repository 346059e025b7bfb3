// The initial alignment of an FMR to the VMR, computed from the two position records alone.
//
// With W the voxel-to-world transform of each grid and h = ((nx-1)/2, (ny-1)/2, (nz-1)/2) its
// centre, the true mapping from a centred VMR voxel to a centred FMR voxel is
//     T = Tr(-h_fmr) * W_fmr^-1 * W_vmr * Tr(h_vmr).
// The module assembles F * Sf * A * X * Sv, where A is the rigid inverse of the matrix this
// host returns, F its slice-order flip, Sf and Sv the FMR's inverse and the VMR's voxel
// scaling, and X the identity (this host records no past transformations). So the host returns
// IA = A^-1 with A = Sf^-1 * F * T * Sv^-1, which is rigid whenever both transforms are
// rotations (possibly with flips) times the voxel sizes.
#pragma once

#include <string>

#include "host/records.h"
#include "keldra/geometry/affine.h"
#include "keldra/workspace/position_record.h"

namespace orvane::keldra {

// The module's slice-order flip, rebuilt here from the same rule: the diagonal of F (each +1
// or -1, at most one -1) for the given first and last slice centres, in single precision.
struct SliceOrderFlip {
    float x = 1;
    float y = 1;
    float z = 1;
};
SliceOrderFlip sliceOrderFlip(Point3 firstSliceCentre, Point3 lastSliceCentre);

// T above: centred VMR voxel to centred FMR voxel.
Affine centredVmrVoxelToCentredFmrVoxel(const RecordedGrid& fmr, const RecordedGrid& vmr);

// The matrix handed to the module as the initial alignment, 16 floats row by row. Refuses
// records this host did not write.
bool computeInitialAlignment(const PositionHeader& fmrPosition, const PositionHeader& vmrPosition,
                             float initialAlignment[16], std::string& error);

}  // namespace orvane::keldra
