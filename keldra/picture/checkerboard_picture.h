// The checkerboard picture: the anatomy and the functional in alternating square tiles, over
// the slices of a plan in the anatomy's grid (the plan of alignment.png, so a viewer can flick
// between the two). The functional is placed by the two affines and shown as stored (nearest
// neighbour) with its own grey window; outside its field of view its tiles are black. If the
// headers line the two up, the head's outline and the ventricles run on across the tiles'
// borders; a shift or a flip shows as outlines that jump at every border.
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/alignment_picture.h"

namespace orvane::keldra::picture {

// The tiles' side in pixels: four of the functional's largest voxels (kept between 8 and 24
// mm), so that each tile holds a few functional voxels whatever the grids, and at least 4 pixels.
int checkerboardTilePixels(const PicturePlan& plan, const VolumeGrid& functional);

// Draws the checkerboard by `plan` (whose grid must be the anatomy's): anatomy tiles where the
// tile row and column add up to an even number, functional tiles elsewhere, with the panels'
// letters and positions, the caption and the legend as in the other pictures.
RgbImage renderCheckerboard(const PicturePlan& plan, const PictureVolume& anatomy, const PictureVolume& functional,
                            const std::vector<std::string>& caption, const PictureOptions& options);

}  // namespace orvane::keldra::picture
