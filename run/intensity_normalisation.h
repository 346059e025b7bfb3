// Scaling an FMR's first volume into the display range 0..225 shared with the VMR.
#pragma once

#include <vector>

namespace orvane {

// The top of the normalised range.
constexpr float kNormalisedMaximum = 225.0f;

enum class NormalisationOutcome {
    Scaled,    // values span 0..225
    Constant,  // no two finite values differ: every value is now 0
};

// Replaces every finite v by 225 * (v - min) / (max - min), in single precision in that
// order, with min and max taken over the finite values in index order. Not-a-number and
// infinite values take no part in min and max and become 0. When min equals max (or there is
// no finite value) the whole buffer becomes 0.
NormalisationOutcome normaliseToDisplayRange(std::vector<float>& values);

}  // namespace orvane
