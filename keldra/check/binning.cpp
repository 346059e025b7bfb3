// Bins, quantiles and bin counts for the joint histogram.
#include "keldra/check/binning.h"

#include <algorithm>
#include <cmath>

namespace orvane::keldra::check {

int binOf(const Binning& binning, double value) {
    const double position = (value - binning.lo) / (binning.hi - binning.lo) * binning.bins;
    if (!(position > 0)) {
        return 0;
    }
    return std::min(binning.bins - 1, static_cast<int>(position));
}

double quantile(const Volume& volume, const std::vector<std::uint8_t>& mask, double q) {
    std::vector<float> values;
    values.reserve(mask.empty() ? volume.samples.size() : volume.samples.size() / 2);
    for (std::size_t i = 0; i < volume.samples.size(); ++i) {
        if ((mask.empty() || mask[i]) && std::isfinite(volume.samples[i])) {
            values.push_back(volume.samples[i]);
        }
    }
    if (values.empty()) {
        return NAN;
    }
    const std::size_t n = static_cast<std::size_t>(std::clamp(q, 0.0, 1.0) * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n), values.end());
    return values[n];
}

int binCountFor(std::size_t samples) {
    return std::clamp(static_cast<int>(std::sqrt(static_cast<double>(samples) / 10.0)), 8, 32);
}

}  // namespace orvane::keldra::check
