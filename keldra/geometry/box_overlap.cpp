// Sampling one box inside another.
#include "keldra/geometry/box_overlap.h"

namespace orvane::keldra {

VoxelBox wholeGrid(const Affine& voxelToWorld, int nx, int ny, int nz) {
    VoxelBox box;
    box.voxelToWorld = voxelToWorld;
    box.last[0] = nx - 1;
    box.last[1] = ny - 1;
    box.last[2] = nz - 1;
    return box;
}

double shareInside(const VoxelBox& inner, const VoxelBox& outer, int steps) {
    const auto worldToOuter = outer.voxelToWorld.inverse();
    if (!worldToOuter || steps <= 0) {
        return 0.0;
    }
    const Affine innerToOuter = *worldToOuter * inner.voxelToWorld;
    long inside = 0;
    for (int k = 0; k < steps; ++k) {
        for (int j = 0; j < steps; ++j) {
            for (int i = 0; i < steps; ++i) {
                const int cell[3] = {i, j, k};
                Vector3d p;
                for (int a = 0; a < 3; ++a) {
                    const double span = inner.last[a] - inner.first[a] + 1.0;
                    p[a] = inner.first[a] - 0.5 + (cell[a] + 0.5) / steps * span;
                }
                const Vector3d q = innerToOuter.apply(p);
                bool in = true;
                for (int a = 0; a < 3; ++a) {
                    in = in && q[a] >= outer.first[a] - 0.5 && q[a] <= outer.last[a] + 0.5;
                }
                inside += in ? 1 : 0;
            }
        }
    }
    return static_cast<double>(inside) / (static_cast<double>(steps) * steps * steps);
}

}  // namespace orvane::keldra
