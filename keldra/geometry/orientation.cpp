// The dominant-axis rule for orientation letters.
#include "keldra/geometry/orientation.h"

#include <cmath>

namespace orvane::keldra {

char orientationLetter(const Vector3d& direction) {
    const double ax = std::fabs(direction.x), ay = std::fabs(direction.y), az = std::fabs(direction.z);
    if (ax >= ay && ax >= az) {
        return direction.x >= 0 ? 'R' : 'L';
    }
    if (ay >= az) {
        return direction.y >= 0 ? 'A' : 'P';
    }
    return direction.z >= 0 ? 'S' : 'I';
}

std::string orientationLetters(const Affine& voxelToWorld) {
    std::string letters;
    for (int c = 0; c < 3; ++c) {
        letters += orientationLetter(voxelToWorld.column(c));
    }
    return letters;
}

}  // namespace orvane::keldra
