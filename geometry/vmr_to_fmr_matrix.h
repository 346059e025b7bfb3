// Assembly of the matrix that takes a centred VMR voxel position to the corresponding point in
// centred FMR voxel coordinates, from the FMR and VMR records and the two matrices the host
// computed (the initial FMR-to-VMR alignment and the VMR's past transformations).
#pragma once

#include <functional>
#include <string>

#include "geometry/matrix4.h"
#include "host/records.h"

namespace orvane {

// Receives each matrix dump (caption and four rows, as toText makes it) in the order the
// factors are built. The caller decides where the text goes.
using MatrixLogSink = std::function<void(const std::string& text)>;

// Returns F x Sf x A x X x Sv, multiplied left to right:
//   Sv  VMR voxel size (VMR voxels to millimetres),
//   X   identity, or F x pastMatrix when any of the past matrix's first three diagonal elements
//       is not exactly 1 (not-a-number counts as different),
//   A   rigidInverse(initialAlignment) (VMR millimetres back into FMR millimetres),
//   Sf  1 / FMR voxel size (FMR millimetres to FMR voxels),
//   F   sliceOrderFlip(fmrPosition).
// Logs, in order: F "Flipping matrix, based on slice acquisition order", Sf "FMR inverse
// scaling matrix", Sv "VMR scaling matrix", the past matrix "Incorporating flip in past VMR
// transformation" (only when X is not the identity) and the result "Final VMR 2 FMR matrix".
// Nothing is checked: a zero voxel size yields infinite elements.
Matrix4 computeVmrToFmrMatrix(const FmrHeader& fmrHeader, const PositionHeader& fmrPosition, const VmrHeader& vmrHeader,
                              const Matrix4& pastMatrix, const Matrix4& initialAlignment, const MatrixLogSink& log);

}  // namespace orvane
