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
float splitAbove(const std::vector<float>& values, float from) {
    float smallest = 0.0f;
    float largest = 0.0f;
    bool any = false;
    for (float v : values) {
        if (!(v >= from) || !std::isfinite(v)) {
            continue;
        }
        if (!any) {
            smallest = largest = v;
            any = true;
        }
        smallest = std::min(smallest, v);
        largest = std::max(largest, v);
    }
    if (!any || !(largest > smallest)) {
        return std::nanf("");
    }
    const double width = (static_cast<double>(largest) - smallest) / kBins;
    std::array<double, kBins> counts{};
    for (float v : values) {
        if (v >= from && std::isfinite(v)) {
            const int bin = std::min(kBins - 1, static_cast<int>((v - smallest) / width));
            counts[static_cast<std::size_t>(bin)] += 1.0;
        }
    }
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

}  // namespace

std::vector<float> edgeLevels(const std::vector<float>& values) {
    std::vector<float> levels;
    const float first = splitAbove(values, -INFINITY);
    if (std::isnan(first)) {
        return levels;
    }
    levels.push_back(first);
    const float second = splitAbove(values, first);
    if (!std::isnan(second)) {
        levels.push_back(second);
    }
    return levels;
}

std::vector<float> edgeLevels(const PictureVolume& volume) { return edgeLevels(sampledValues(volume)); }

int levelOf(const std::vector<float>& levels, float value) {
    int level = 0;
    for (float l : levels) {
        if (value >= l) {
            ++level;
        }
    }
    return level;
}

}  // namespace orvane::keldra::picture
