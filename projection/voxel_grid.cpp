// Checked voxel counts: a grid whose voxel array could not exist is rejected before anything
// is allocated or indexed.
#include "projection/voxel_grid.h"

#include <limits>

namespace orvane {

std::optional<std::size_t> checkedVoxelCount(const GridSize& size, std::size_t bytesPerVoxel) {
    if (size.x <= 0 || size.y <= 0 || size.z <= 0 || bytesPerVoxel == 0) {
        return std::nullopt;
    }
    // The largest array the language lets us address is PTRDIFF_MAX bytes.
    const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / bytesPerVoxel;
    std::size_t count = static_cast<std::size_t>(size.x);
    for (std::int32_t extent : {size.y, size.z}) {
        if (count > limit / static_cast<std::size_t>(extent)) {
            return std::nullopt;
        }
        count *= static_cast<std::size_t>(extent);
    }
    return count;
}

}  // namespace orvane
