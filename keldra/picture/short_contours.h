// Dropping short contours from a panel's edges: a closed contour only a few millimetres long
// is noise or a detail too small to judge an alignment by, and dozens of them hide the few
// long boundaries (the brain's outline, the ventricles, grey and white matter) that matter.
#pragma once

#include <cstdint>
#include <vector>

namespace orvane::keldra::picture {

// Contours shorter than this are not drawn.
constexpr double kShortestContourMm = 12.0;

// Clears, in a mask of edge pixels (width x height, row by row, 1 for an edge and 0 elsewhere),
// every group of edge pixels connected through their eight neighbours that has fewer than
// `shortestPixels` pixels.
void dropShortContours(std::vector<std::uint8_t>& edges, int width, int height, int shortestPixels);

}  // namespace orvane::keldra::picture
