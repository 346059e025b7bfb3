// The edges drawn over one panel, from a lightly smoothed image: the source (another volume
// placed by the affines, or the region a run wrote into the base grid) is sampled on a lattice
// of points a millimetre apart in the panel's plane (trilinear, only where it has values),
// smoothed with a Gaussian, interpolated to every pixel and cut into levels (edge_levels.h); a
// pixel is an edge where a neighbour lies on a lower level, and contours shorter than
// kShortestContourMm are dropped (short_contours.h). Only the drawn slices are ever sampled.
#pragma once

#include <cstdint>
#include <vector>

#include "keldra/picture/picture_plan.h"
#include "keldra/picture/projected_region.h"

namespace orvane::keldra::picture {

struct EdgeSource {
    // Either an overlay, placed in the base grid by the two affines (no edges where it has no
    // voxels), with the levels its contours follow...
    const PictureVolume* overlay = nullptr;
    // ...or a region of the base grid, drawn as its outline and the contours of its values.
    const ProjectedRegion* region = nullptr;
    std::vector<float> levels;
    // The Gaussian's standard deviation in millimetres.
    double smoothingMm = 1.0;
};

// The edge pixels of `panel`, row by row (1 for an edge).
std::vector<std::uint8_t> panelEdges(const PicturePlan& plan, const PanelPlan& panel, const EdgeSource& source);

}  // namespace orvane::keldra::picture
