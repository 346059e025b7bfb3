// Half-up rounding through truncation, guarded so that no conversion is ever out of range.
#include "projection/round_half_up.h"

#include <cmath>
#include <limits>

namespace orvane {

std::optional<std::int32_t> roundHalfUp(double x) {
    // Far enough beyond the 32-bit range that the truncations below are defined, near enough
    // that the 64-bit arithmetic cannot overflow.
    constexpr double kLimit = 4294967296.0;
    if (!std::isfinite(x) || x >= kLimit || x <= -kLimit) {
        return std::nullopt;
    }
    std::int64_t rounded;
    if (x >= 0.0) {
        rounded = static_cast<std::int64_t>(x + 0.5);
    } else {
        // Shifted into [0, 1) by the integer part below x, so that truncation acts as floor.
        const std::int64_t whole = static_cast<std::int64_t>(x);
        rounded = static_cast<std::int64_t>(x - static_cast<double>(whole - 1) + 0.5) + whole - 1;
    }
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

}  // namespace orvane
