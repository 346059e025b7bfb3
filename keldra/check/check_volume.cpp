// Grid facts of the alignment check's volumes.
#include "keldra/check/check_volume.h"

#include <cmath>

namespace orvane::keldra::check {

std::array<double, 3> Volume::spacingMm() const {
    return {length(voxelToWorld.column(0)), length(voxelToWorld.column(1)), length(voxelToWorld.column(2))};
}

Vector3d Volume::centre() const {
    return voxelToWorld.apply({(size[0] - 1) / 2.0, (size[1] - 1) / 2.0, (size[2] - 1) / 2.0});
}

bool isUsableTransform(const Affine& voxelToWorld) {
    for (const auto& row : voxelToWorld.m) {
        for (double v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return voxelToWorld.inverse().has_value();
}

bool isWellFormed(const Volume& volume) {
    return volume.size[0] > 0 && volume.size[1] > 0 && volume.size[2] > 0 &&
           volume.samples.size() == volume.voxelCount() && isUsableTransform(volume.voxelToWorld);
}

}  // namespace orvane::keldra::check
