// Percentile window and grey mapping.
#include "keldra/picture/grey_window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace orvane::keldra::picture {

std::uint8_t GreyWindow::grey(float value) const {
    if (!(value > low)) {
        return 0;
    }
    if (value >= high) {
        return 255;
    }
    const double scaled = (static_cast<double>(value) - low) / (static_cast<double>(high) - low) * 255.0;
    // Rounds half up, as the value is positive here.
    return static_cast<std::uint8_t>(scaled + 0.5);
}

namespace {

// The nearest-rank quantile of `count` sorted values at `fraction`, as a rank.
std::size_t rankOf(double fraction, std::size_t count) {
    const double position = std::floor(fraction * static_cast<double>(count - 1) + 0.5);
    return static_cast<std::size_t>(std::clamp(position, 0.0, static_cast<double>(count - 1)));
}

// The window of 8-bit values, counted exactly: what sorting them would give.
GreyWindow byteWindow(const PictureVolume& volume, double lowFraction, double highFraction) {
    // Four counts per value, summed at the end: one count alone makes each voxel wait for the
    // last voxel of the same value.
    std::array<std::array<std::size_t, 256>, 4> partial{};
    const std::size_t count = volume.count();
    const std::uint8_t* bytes = volume.bytes;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        ++partial[0][bytes[i]];
        ++partial[1][bytes[i + 1]];
        ++partial[2][bytes[i + 2]];
        ++partial[3][bytes[i + 3]];
    }
    for (; i < count; ++i) {
        ++partial[0][bytes[i]];
    }
    std::array<std::size_t, 256> counts{};
    for (std::size_t v = 0; v < 256; ++v) {
        counts[v] = partial[0][v] + partial[1][v] + partial[2][v] + partial[3][v];
    }
    if (count == 0) {
        return {};
    }
    const auto valueAtRank = [&](std::size_t rank) {
        std::size_t seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += counts[static_cast<std::size_t>(v)];
            if (seen > rank) {
                return static_cast<float>(v);
            }
        }
        return 255.0f;
    };
    GreyWindow window;
    window.low = valueAtRank(rankOf(lowFraction, count));
    window.high = valueAtRank(rankOf(highFraction, count));
    if (window.high <= window.low) {
        const float smallest = valueAtRank(0);
        const float largest = valueAtRank(count - 1);
        window.low = smallest;
        window.high = largest > smallest ? largest : smallest + 1.0f;
    }
    return window;
}

}  // namespace

GreyWindow robustWindow(const PictureVolume& volume, double lowFraction, double highFraction) {
    if (volume.bytes != nullptr) {
        return byteWindow(volume, lowFraction, highFraction);
    }
    return robustWindow(sampledValues(volume), lowFraction, highFraction);
}

GreyWindow robustWindow(const std::vector<float>& values, double lowFraction, double highFraction) {
    // NaN and infinite samples (kept in a functional's data) have no place in a window, and NaN
    // would break the ordering the partial sorts rely on.
    std::vector<float> sorted;
    sorted.reserve(values.size());
    std::copy_if(values.begin(), values.end(), std::back_inserter(sorted), [](float v) { return std::isfinite(v); });
    if (sorted.empty()) {
        return {};
    }
    const std::size_t lowRank = rankOf(lowFraction, sorted.size());
    const std::size_t highRank = rankOf(highFraction, sorted.size());
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(highRank), sorted.end());
    GreyWindow window;
    window.high = sorted[highRank];
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(lowRank),
                     sorted.begin() + static_cast<std::ptrdiff_t>(highRank));
    window.low = sorted[lowRank];
    if (window.high <= window.low) {
        const auto [smallest, largest] = std::minmax_element(sorted.begin(), sorted.end());
        window.low = *smallest;
        window.high = *largest > *smallest ? *largest : *smallest + 1.0f;
    }
    return window;
}

}  // namespace orvane::keldra::picture
