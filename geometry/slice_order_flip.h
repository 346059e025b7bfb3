// The slice-order flip: FMR slices may have been acquired from the last scanner position to
// the first, in which case the slice axis (or, for sagittal stacks, the x axis) runs against
// the anatomical volume and must be negated before the two grids can be compared.
#pragma once

#include "geometry/matrix4.h"
#include "host/records.h"

namespace orvane {

// Identity, or identity with one axis negated, decided by d = first slice centre - last slice
// centre (single precision):
//  - when |d.z| > |d.x| or |d.y| > |d.x|, the slice axis: [2][2] = -1 when d.z < 0;
//  - otherwise (|d.x| dominates, ties included), the x axis: [0][0] = -1 when d.x > 0.
// When the chosen test does not fire the result stays the identity.
Matrix4 sliceOrderFlip(const PositionHeader& fmrPosition);

}  // namespace orvane
