// Two-class splits of a 256-bin histogram.
#include "keldra/picture/edge_levels.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvane::keldra::picture {
namespace {

constexpr int kBins = 256;

// The threshold that best splits the finite values at or above `from` into two classes (the
// split with the largest variance between them);
// nothing useful (NaN) when they are all equal. NaN and infinite samples take no part.
// `forEachValue(visit)` calls visit(value, times) for the values, each as often as it occurs
// or once with how often it occurs: the counts add up to the same whole numbers either way.
template <typename ForEachValue>
float splitAbove(ForEachValue forEachValue, float from) {
    float smallest = 0.0f;
    float largest = 0.0f;
    bool any = false;
    forEachValue([&](float v, double) {
        if (!(v >= from) || !std::isfinite(v)) {
            return;
        }
        if (!any) {
            smallest = largest = v;
            any = true;
        }
        smallest = std::min(smallest, v);
        largest = std::max(largest, v);
    });
    if (!any || !(largest > smallest)) {
        return std::nanf("");
    }
    const double width = (static_cast<double>(largest) - smallest) / kBins;
    std::array<double, kBins> counts{};
    forEachValue([&](float v, double times) {
        if (v >= from && std::isfinite(v)) {
            const int bin = std::min(kBins - 1, static_cast<int>((v - smallest) / width));
            counts[static_cast<std::size_t>(bin)] += times;
        }
    });
    double total = 0.0;
    double totalSum = 0.0;
    for (int b = 0; b < kBins; ++b) {
        total += counts[static_cast<std::size_t>(b)];
        totalSum += b * counts[static_cast<std::size_t>(b)];
    }
    double below = 0.0;
    double belowSum = 0.0;
    double best = -1.0;
    double bestMiddle = 0.0;
    for (int b = 0; b < kBins - 1; ++b) {
        below += counts[static_cast<std::size_t>(b)];
        belowSum += b * counts[static_cast<std::size_t>(b)];
        const double above = total - below;
        if (below == 0.0 || above == 0.0) {
            continue;
        }
        const double meanBelow = belowSum / below;
        const double meanAbove = (totalSum - belowSum) / above;
        const double between = below * above * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (between > best) {
            best = between;
            bestMiddle = (meanBelow + meanAbove) / 2.0;
        }
    }
    // Halfway between the two classes' means (in bin centres): where the best split lies for
    // two well separated classes, and not at the first empty bin above the darker one, which
    // matters once the edges are drawn from a smoothed image.
    return static_cast<float>(smallest + width * (bestMiddle + 0.5));
}

// The two levels, from splitAbove over what `forEachValue` visits.
template <typename ForEachValue>
std::vector<float> levelsOf(ForEachValue forEachValue) {
    std::vector<float> levels;
    const float first = splitAbove(forEachValue, -INFINITY);
    if (std::isnan(first)) {
        return levels;
    }
    levels.push_back(first);
    const float second = splitAbove(forEachValue, first);
    if (!std::isnan(second)) {
        levels.push_back(second);
    }
    return levels;
}

}  // namespace

std::vector<float> edgeLevels(const std::vector<float>& values) {
    return levelsOf([&values](auto visit) {
        for (float v : values) {
            visit(v, 1.0);
        }
    });
}

std::vector<float> edgeLevels(const PictureVolume& volume) {
    if (volume.bytes == nullptr) {
        return edgeLevels(sampledValues(volume));
    }
    // The same sample of an anatomical's bytes, counted per value: the splits see the same
    // counts, at a fraction of the work.
    std::array<std::size_t, 256> times{};
    const std::size_t count = volume.count();
    const std::size_t stride = sampleStride(count);
    for (std::size_t i = 0; i < count; i += stride) {
        ++times[volume.bytes[i]];
    }
    return levelsOf([&times](auto visit) {
        for (std::size_t b = 0; b < times.size(); ++b) {
            if (times[b] != 0) {
                visit(static_cast<float>(b), static_cast<double>(times[b]));
            }
        }
    });
}

}  // namespace orvane::keldra::picture
