// Straight lines on an RGB image, one pixel wide, solid or dashed.
#pragma once

#include "keldra/picture/rgb_image.h"

namespace orvane::keldra::picture {

// Draws from (x0, y0) to (x1, y1), both ends included; a dashed line draws four pixels and
// leaves four. Pixels outside the image are skipped.
void drawLine(RgbImage& image, double x0, double y0, double x1, double y1, Rgb colour, bool dashed = false);

}  // namespace orvane::keldra::picture
