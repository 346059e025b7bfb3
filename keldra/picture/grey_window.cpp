// Percentile window and grey mapping.
#include "keldra/picture/grey_window.h"

#include <algorithm>
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
    return static_cast<std::uint8_t>(std::lround(scaled));
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
    const auto rank = [&](double fraction) {
        const double position = std::floor(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
        return static_cast<std::size_t>(std::clamp(position, 0.0, static_cast<double>(sorted.size() - 1)));
    };
    const std::size_t lowRank = rank(lowFraction);
    const std::size_t highRank = rank(highFraction);
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
