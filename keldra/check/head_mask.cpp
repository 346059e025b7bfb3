// Otsu's threshold on a histogram and the mask it gives.
#include "keldra/check/head_mask.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvane::keldra::check {

namespace {

// The least and the greatest finite sample (infinities when there is none). A function of its
// own, so that the two stay in registers through the loop.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
std::array<double, 2> finiteRange(const std::vector<float>& samples) {
    double lo = INFINITY;
    double hi = -INFINITY;
    for (float sample : samples) {
        if (std::isfinite(sample)) {
            // As std::min and std::max.
            const double s = sample;
            lo = s < lo ? s : lo;
            hi = hi < s ? s : hi;
        }
    }
    return {lo, hi};
}

}  // namespace

std::optional<double> headThreshold(const Volume& volume) {
    const auto [lo, hi] = finiteRange(volume.samples);
    if (!(hi > lo)) {
        return std::nullopt;
    }
    constexpr int kBins = 256;
    const double scale = kBins / (hi - lo);
    // Counted as integers in four interleaved histograms, so that runs of one value (the
    // background) do not wait on one counter; the sums are exact, as counting in doubles was.
    std::vector<std::size_t> partial(4 * kBins, 0);
    for (std::size_t i = 0; i < volume.samples.size(); ++i) {
        const float s = volume.samples[i];
        if (std::isfinite(s)) {
            const int b = std::min(kBins - 1, static_cast<int>((s - lo) * scale));
            ++partial[(i % 4) * kBins + static_cast<std::size_t>(b)];
        }
    }
    std::vector<double> counts(kBins, 0.0);
    for (std::size_t b = 0; b < kBins; ++b) {
        counts[b] = static_cast<double>(partial[b] + partial[kBins + b] + partial[2 * kBins + b] + partial[3 * kBins + b]);
    }
    double total = 0;
    double totalSum = 0;
    for (int b = 0; b < kBins; ++b) {
        total += counts[static_cast<std::size_t>(b)];
        totalSum += b * counts[static_cast<std::size_t>(b)];
    }
    double below = 0;
    double belowSum = 0;
    double bestVariance = -1;
    int best = 0;
    for (int b = 0; b < kBins - 1; ++b) {
        below += counts[static_cast<std::size_t>(b)];
        belowSum += b * counts[static_cast<std::size_t>(b)];
        const double above = total - below;
        if (below == 0 || above == 0) {
            continue;
        }
        const double meanBelow = belowSum / below;
        const double meanAbove = (totalSum - belowSum) / above;
        const double variance = below * above * (meanAbove - meanBelow) * (meanAbove - meanBelow);
        if (variance > bestVariance) {
            bestVariance = variance;
            best = b;
        }
    }
    return lo + (best + 1) / scale;
}

namespace {

// Marks as head every voxel of slice k that a flood from the slice's border through non-head
// voxels cannot reach.
void closeHolesInSlice(const Volume& volume, std::vector<std::uint8_t>& mask, int k) {
    const int nx = volume.size[0], ny = volume.size[1];
    std::vector<std::uint8_t> outside(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0);
    std::vector<std::pair<int, int>> pending;
    const auto reach = [&](int i, int j) {
        const std::size_t p = static_cast<std::size_t>(j) * static_cast<std::size_t>(nx) + static_cast<std::size_t>(i);
        if (!outside[p] && !mask[volume.index(i, j, k)]) {
            outside[p] = 1;
            pending.emplace_back(i, j);
        }
    };
    for (int i = 0; i < nx; ++i) {
        reach(i, 0);
        reach(i, ny - 1);
    }
    for (int j = 0; j < ny; ++j) {
        reach(0, j);
        reach(nx - 1, j);
    }
    while (!pending.empty()) {
        const auto [i, j] = pending.back();
        pending.pop_back();
        if (i > 0) reach(i - 1, j);
        if (i + 1 < nx) reach(i + 1, j);
        if (j > 0) reach(i, j - 1);
        if (j + 1 < ny) reach(i, j + 1);
    }
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            const std::size_t v = volume.index(i, j, k);
            if (!outside[static_cast<std::size_t>(j) * static_cast<std::size_t>(nx) + static_cast<std::size_t>(i)] &&
                std::isfinite(volume.samples[v])) {
                mask[v] = 1;
            }
        }
    }
}

}  // namespace

std::vector<std::uint8_t> headMask(const Volume& volume, double threshold, int dilations) {
    std::vector<std::uint8_t> mask(volume.voxelCount(), 0);
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const float s = volume.samples[i];
        mask[i] = std::isfinite(s) && s > threshold ? 1 : 0;
    }
    const int nx = volume.size[0], ny = volume.size[1], nz = volume.size[2];
    for (int k = 0; k < nz; ++k) {
        closeHolesInSlice(volume, mask, k);
    }
    for (int d = 0; d < dilations; ++d) {
        std::vector<std::uint8_t> grown = mask;
        for (int k = 0; k < nz; ++k) {
            for (int j = 0; j < ny; ++j) {
                for (int i = 0; i < nx; ++i) {
                    if (mask[volume.index(i, j, k)]) {
                        continue;
                    }
                    const bool next = (i > 0 && mask[volume.index(i - 1, j, k)]) ||
                                      (i + 1 < nx && mask[volume.index(i + 1, j, k)]) ||
                                      (j > 0 && mask[volume.index(i, j - 1, k)]) ||
                                      (j + 1 < ny && mask[volume.index(i, j + 1, k)]) ||
                                      (k > 0 && mask[volume.index(i, j, k - 1)]) ||
                                      (k + 1 < nz && mask[volume.index(i, j, k + 1)]);
                    // A grown voxel must hold a finite sample, or it could not be compared.
                    if (next && std::isfinite(volume.samples[volume.index(i, j, k)])) {
                        grown[volume.index(i, j, k)] = 1;
                    }
                }
            }
        }
        mask.swap(grown);
    }
    return mask;
}

}  // namespace orvane::keldra::check
