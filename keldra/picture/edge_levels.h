// The intensity levels whose contours are drawn as a volume's edges: a first level that
// separates the object from the background and a second that splits the object's own values
// (grey from white matter, fluid from tissue), each chosen by maximising the between-class
// variance of a histogram, so that any contrast works without tuning.
#pragma once

#include <vector>

#include "keldra/picture/picture_volume.h"

namespace orvane::keldra::picture {

// Ascending levels; empty when the volume has a single value.
std::vector<float> edgeLevels(const std::vector<float>& values);

// The levels of a volume, from sampledValues(volume).
std::vector<float> edgeLevels(const PictureVolume& volume);

// Number of levels at or below `value`.
inline int levelOf(const std::vector<float>& levels, float value) {
    int level = 0;
    for (float l : levels) {
        if (value >= l) {
            ++level;
        }
    }
    return level;
}

}  // namespace orvane::keldra::picture
