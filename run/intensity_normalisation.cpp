// Min-max normalisation that non-finite data and constant volumes cannot derail.
#include "run/intensity_normalisation.h"

#include <algorithm>
#include <cmath>

namespace orvane {

NormalisationOutcome normaliseToDisplayRange(std::vector<float>& values) {
    auto firstFinite = std::find_if(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
    if (firstFinite == values.end()) {
        std::fill(values.begin(), values.end(), 0.0f);
        return NormalisationOutcome::Constant;
    }
    float minimum = *firstFinite;
    float maximum = *firstFinite;
    for (auto it = firstFinite; it != values.end(); ++it) {
        const float v = *it;
        if (!std::isfinite(v)) {
            continue;
        }
        if (minimum > v) {
            minimum = v;
        }
        if (v > maximum) {
            maximum = v;
        }
    }
    if (!(maximum > minimum)) {
        std::fill(values.begin(), values.end(), 0.0f);
        return NormalisationOutcome::Constant;
    }
    const float range = maximum - minimum;
    for (float& v : values) {
        v = std::isfinite(v) ? kNormalisedMaximum * (v - minimum) / range : 0.0f;
    }
    return NormalisationOutcome::Scaled;
}

}  // namespace orvane
