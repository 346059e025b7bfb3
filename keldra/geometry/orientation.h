// Orientation letters: the world direction (RAS+, see affine.h) a vector points towards most,
// as the letter of the side it faces: R or L along x, A or P along y, S or I along z.
#pragma once

#include <string>

#include "keldra/geometry/affine.h"

namespace orvane::keldra {

// The letter of the world axis with the largest component of `direction`, by that component's
// sign. Ties go to x before y before z; a zero component counts as positive.
char orientationLetter(const Vector3d& direction);

// The letters of the three voxel axes of `voxelToWorld`, e.g. "RAS" or "LPI".
std::string orientationLetters(const Affine& voxelToWorld);

}  // namespace orvane::keldra
