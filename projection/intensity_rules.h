// How an intensity crosses from one kind of volume into the other.
#pragma once

#include <optional>

#include "projection/round_half_up.h"

namespace orvane {

// Normalised FMR intensities at or below this are background and never reach the VMR.
constexpr double kProjectionThreshold = 20.0;
// The brightest byte a projection writes into the VMR: the top of the normalised range.
constexpr int kBrightestProjectedByte = 225;
// A VMR byte (0..255) becomes an FMR buffer value three times as large.
constexpr double kVmrToFmrFactor = 3.0;

// The VMR byte an FMR intensity is shown as: nothing when v (as a double) is not above the
// threshold (not-a-number included); otherwise v rounded half up and clamped to 0..225, with
// +infinity and values beyond the 32-bit range counting as larger than 225.
inline std::optional<unsigned char> projectedVmrByte(float v) {
    if (!(static_cast<double>(v) > kProjectionThreshold)) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> rounded = roundHalfUp(static_cast<double>(v));
    if (!rounded || *rounded > kBrightestProjectedByte) {
        return static_cast<unsigned char>(kBrightestProjectedByte);
    }
    return static_cast<unsigned char>(*rounded < 0 ? 0 : *rounded);
}

// The FMR buffer value a VMR byte is shown as (100 -> 300.0).
inline float fmrValueOfVmrByte(unsigned char b) {
    return static_cast<float>(static_cast<float>(b) * kVmrToFmrFactor);
}

}  // namespace orvane
