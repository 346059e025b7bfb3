// Gaussian smoothing of a 2-D field of samples, used to draw edges from a lightly smoothed
// image: an overlay's noise and the blocks of a coarse grid become smooth contours. Smoothing a
// field of weighted values and the field of weights alike and dividing afterwards (normalised
// convolution) keeps missing samples, such as those outside a grid, out of the result.
#pragma once

#include <vector>

namespace orvane::keldra::picture {

// Smooths `field` (width x height samples, row by row) in place, separably, with a Gaussian of
// `sigma` samples cut at three sigma. Samples beyond the field count as zero. Nothing happens
// when sigma is below a tenth of a sample.
void smoothField(std::vector<float>& field, int width, int height, double sigma);

}  // namespace orvane::keldra::picture
