// Changed voxels and their closing.
#include "keldra/picture/projected_region.h"

#include <algorithm>

namespace orvane::keldra::picture {
namespace {

// One pass of a running maximum (dilate) or minimum (erode) along one voxel axis, over
// `radius` voxels on either side that lie inside the grid.
std::vector<std::uint8_t> filterAlong(const VolumeGrid& grid, const std::vector<std::uint8_t>& in, int axis,
                                      int radius, bool dilate) {
    std::vector<std::uint8_t> out(in.size());
    const int n = grid.size(axis);
    const std::size_t stride = axis == 0 ? 1
                               : axis == 1 ? static_cast<std::size_t>(grid.nx)
                                           : static_cast<std::size_t>(grid.nx) * static_cast<std::size_t>(grid.ny);
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x) {
                const int at = axis == 0 ? x : axis == 1 ? y : z;
                const std::size_t here = grid.index(x, y, z);
                const int from = std::max(0, at - radius);
                const int to = std::min(n - 1, at + radius);
                std::uint8_t result = dilate ? 0 : 1;
                for (int k = from; k <= to; ++k) {
                    const std::uint8_t v = in[here + (static_cast<std::size_t>(k) - static_cast<std::size_t>(at)) * stride];
                    result = dilate ? std::max(result, v) : std::min(result, v);
                }
                out[here] = result;
            }
        }
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> closeMask(const VolumeGrid& grid, const std::vector<std::uint8_t>& mask, int radius) {
    if (radius <= 0 || mask.size() != grid.voxelCount()) {
        return mask;
    }
    std::vector<std::uint8_t> result = mask;
    for (bool dilate : {true, false}) {
        for (int axis = 0; axis < 3; ++axis) {
            result = filterAlong(grid, result, axis, radius, dilate);
        }
    }
    return result;
}

ProjectedRegion projectedRegion(const PictureVolume& before, const PictureVolume& after) {
    ProjectedRegion region;
    region.grid = after.grid;
    region.values = after.values;
    std::vector<std::uint8_t> changed(after.values.size(), 0);
    for (std::size_t i = 0; i < changed.size() && i < before.values.size(); ++i) {
        changed[i] = before.values[i] != after.values[i] ? 1 : 0;
    }
    region.inside = closeMask(region.grid, changed, 1);
    return region;
}

std::vector<float> valuesInside(const ProjectedRegion& region) {
    std::vector<float> inside;
    for (std::size_t i = 0; i < region.inside.size() && i < region.values.size(); ++i) {
        if (region.inside[i] != 0) {
            inside.push_back(region.values[i]);
        }
    }
    return inside;
}

}  // namespace orvane::keldra::picture
