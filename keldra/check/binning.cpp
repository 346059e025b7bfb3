// Bins, quantiles and bin counts for the joint histogram.
#include "keldra/check/binning.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace orvane::keldra::check {

int binOf(const Binning& binning, double value) {
    const double position = (value - binning.lo) / (binning.hi - binning.lo) * binning.bins;
    if (!(position > 0)) {
        return 0;
    }
    return std::min(binning.bins - 1, static_cast<int>(position));
}

namespace {

// The value that comes last among the `keep` values of the selection that come first in the
// order `before` (a heap of them, its top the last): the keep-th smallest for std::less.
template <typename Before>
float lastOfFirst(const Volume& volume, const std::vector<std::uint8_t>& mask, std::size_t keep, Before before) {
    std::vector<float> heap;
    heap.reserve(keep);
    std::size_t i = 0;
    for (; i < volume.samples.size() && heap.size() < keep; ++i) {
        const float s = volume.samples[i];
        if ((mask.empty() || mask[i]) && std::isfinite(s)) {
            heap.push_back(s);
            std::push_heap(heap.begin(), heap.end(), before);
        }
    }
    // Once the heap is full, few values come before its top.
    float last = heap.front();
    for (; i < volume.samples.size(); ++i) {
        const float s = volume.samples[i];
        if (before(s, last) && (mask.empty() || mask[i]) && std::isfinite(s)) {
            std::pop_heap(heap.begin(), heap.end(), before);
            heap.back() = s;
            std::push_heap(heap.begin(), heap.end(), before);
            last = heap.front();
        }
    }
    return heap.front();
}

}  // namespace

double quantile(const Volume& volume, const std::vector<std::uint8_t>& mask, double q) {
    std::size_t count = 0;
    bool positiveZero = false;
    bool negativeZero = false;
    for (std::size_t i = 0; i < volume.samples.size(); ++i) {
        const float s = volume.samples[i];
        const bool taken = (mask.empty() || mask[i]) && std::isfinite(s);
        count += taken ? 1 : 0;
        positiveZero |= taken && s == 0 && !std::signbit(s);
        negativeZero |= taken && s == 0 && std::signbit(s);
    }
    if (count == 0) {
        return NAN;
    }
    const std::size_t n = static_cast<std::size_t>(std::clamp(q, 0.0, 1.0) * static_cast<double>(count - 1));
    // A quantile near either end (the ones the check takes) is found by keeping the few values
    // beyond it in a heap. The value is the one a full selection finds; only with zeros of both
    // signs could the two pick different zeros, and then the full selection decides.
    const std::size_t fewest = std::min(n + 1, count - n);
    if (fewest <= count / 16 && !(positiveZero && negativeZero)) {
        return n + 1 == fewest ? lastOfFirst(volume, mask, n + 1, std::less<float>())
                               : lastOfFirst(volume, mask, count - n, std::greater<float>());
    }
    std::vector<float> values;
    values.reserve(count);
    for (std::size_t i = 0; i < volume.samples.size(); ++i) {
        if ((mask.empty() || mask[i]) && std::isfinite(volume.samples[i])) {
            values.push_back(volume.samples[i]);
        }
    }
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n), values.end());
    return values[n];
}

int binCountFor(std::size_t samples) {
    return std::clamp(static_cast<int>(std::sqrt(static_cast<double>(samples) / 10.0)), 8, 32);
}

}  // namespace orvane::keldra::check
