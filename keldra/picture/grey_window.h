// The grey-level window of a picture: a robust range taken from percentiles of the volume, so
// that a few very bright voxels or a large dark background do not wash the anatomy out.
#pragma once

#include <cstdint>
#include <vector>

#include "keldra/picture/picture_volume.h"

namespace orvane::keldra::picture {

struct GreyWindow {
    float low = 0.0f;
    float high = 1.0f;

    // 0 at or below `low`, 255 at or above `high`, linear in between.
    std::uint8_t grey(float value) const;
};

// The window from the `lowFraction` to the `highFraction` quantile (nearest rank) of `values`.
// When both quantiles coincide the window is widened to the full value range, and when that is
// a single value too, to one unit above it.
GreyWindow robustWindow(const std::vector<float>& values, double lowFraction = 0.15, double highFraction = 0.998);

// The same for a volume: exact from a histogram of every voxel when the volume borrows bytes,
// otherwise from sampledValues(volume), which holds every value of a functional's volume.
GreyWindow robustWindow(const PictureVolume& volume, double lowFraction = 0.15, double highFraction = 0.998);

}  // namespace orvane::keldra::picture
