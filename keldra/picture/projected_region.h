// What a run wrote into a volume, recovered from the volume as it was before the run and as
// the run left it: the voxels that changed, and the values written there. Drawing this region,
// rather than the functional placed by the files' affines, shows where the plug-in itself put
// the functional, so a wrong flip or shift inside it is visible. A voxel the run overwrote
// with the value it already held looks unchanged; the light smoothing the edges are drawn
// from (panel_edges.h) takes such single voxels back into the region.
#pragma once

#include <vector>

#include "keldra/picture/picture_volume.h"

namespace orvane::keldra::picture {

struct ProjectedRegion {
    // Both on one grid, borrowed: the region holds neither.
    const PictureVolume* before = nullptr;
    const PictureVolume* after = nullptr;
    // Edge levels of the values written (edge_levels.h), from a sample of the changed voxels.
    std::vector<float> levels;

    // A NaN left in place is no change.
    bool written(std::size_t i) const {
        const float was = before->value(i);
        const float is = after->value(i);
        return was != is && !(was != was && is != is);
    }
};

// The region `after` differs from `before` in. Both must outlive the region.
ProjectedRegion projectedRegion(const PictureVolume& before, const PictureVolume& after);

}  // namespace orvane::keldra::picture
