// Rounding a mapped coordinate or an intensity to the nearest integer, ties upward.
#pragma once

#include <cstdint>
#include <optional>

namespace orvane {

// floor(x + 0.5) as a 32-bit integer: 2.5 -> 3, -2.5 -> -2, -2.6 -> -3, -0.4 -> 0.
// Nothing when x is not a number, infinite, or rounds to a value outside the 32-bit range; a
// voxel whose coordinate cannot be rounded therefore never passes a range test.
std::optional<std::int32_t> roundHalfUp(double x);

}  // namespace orvane
