// The changed voxels and the levels of what was written.
#include "keldra/picture/projected_region.h"

#include <algorithm>
#include <cmath>

#include "keldra/picture/edge_levels.h"

namespace orvane::keldra::picture {

ProjectedRegion projectedRegion(const PictureVolume& before, const PictureVolume& after) {
    ProjectedRegion region;
    region.before = &before;
    region.after = &after;
    // About a million voxels looked at are plenty for the levels of a region of many thousand.
    const std::size_t count = std::min(before.count(), after.count());
    const std::size_t stride = std::max<std::size_t>(1, count >> 20);
    std::vector<float> written;
    for (std::size_t i = 0; i < count; i += stride) {
        const float value = after.value(i);
        if (region.written(i) && std::isfinite(value)) {
            written.push_back(value);
        }
    }
    region.levels = edgeLevels(written);
    return region;
}

}  // namespace orvane::keldra::picture
