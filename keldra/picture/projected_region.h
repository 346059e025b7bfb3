// What a run wrote into a volume, recovered from the volume as it was before the run and as
// the run left it: the voxels that changed, closed over small gaps, and the values written
// there. Drawing this region, rather than the functional placed by the files' affines, shows
// where the plug-in itself put the functional, so a wrong flip or shift inside it is visible.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keldra/picture/picture_volume.h"

namespace orvane::keldra::picture {

struct ProjectedRegion {
    VolumeGrid grid;
    std::vector<std::uint8_t> inside;  // 1 where the run wrote, per voxel of `grid`
    std::vector<float> values;         // the volume as the run left it
};

// Morphological closing of a voxel mask with a cube of side 2 * radius + 1 (a dilation, then
// an erosion), done axis by axis. Voxels outside the grid count for neither, so the closing
// never removes a set voxel, not even at the grid's border.
std::vector<std::uint8_t> closeMask(const VolumeGrid& grid, const std::vector<std::uint8_t>& mask, int radius);

// The voxels whose value differs between `before` and `after` (which must share a grid),
// closed with a radius of one voxel: a voxel the run overwrote with the value it already held
// looks unchanged, and the closing takes it back into the region.
ProjectedRegion projectedRegion(const PictureVolume& before, const PictureVolume& after);

// The region's values that are inside it, for choosing edge levels from what was written alone.
std::vector<float> valuesInside(const ProjectedRegion& region);

}  // namespace orvane::keldra::picture
