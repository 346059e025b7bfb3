// Shares of a masked volume inside another grid.
#include "keldra/check/coverage.h"

namespace orvane::keldra::check {

double shareInsideGrid(const Volume& volume, const std::vector<std::uint8_t>& mask, const std::array<int, 3>& gridSize,
                       const Affine& gridVoxelToWorld) {
    const std::optional<Affine> worldToGrid = gridVoxelToWorld.inverse();
    if (!worldToGrid) {
        return 0;
    }
    const Affine toGrid = *worldToGrid * volume.voxelToWorld;
    std::size_t marked = 0;
    std::size_t inside = 0;
    for (int k = 0; k < volume.size[2]; ++k) {
        for (int j = 0; j < volume.size[1]; ++j) {
            for (int i = 0; i < volume.size[0]; ++i) {
                if (!mask[volume.index(i, j, k)]) {
                    continue;
                }
                ++marked;
                const Vector3d p = toGrid.apply({static_cast<double>(i), static_cast<double>(j), static_cast<double>(k)});
                if (p.x >= -0.5 && p.y >= -0.5 && p.z >= -0.5 && p.x <= gridSize[0] - 0.5 && p.y <= gridSize[1] - 0.5 &&
                    p.z <= gridSize[2] - 0.5) {
                    ++inside;
                }
            }
        }
    }
    return marked > 0 ? static_cast<double>(inside) / static_cast<double>(marked) : 0.0;
}

}  // namespace orvane::keldra::check
