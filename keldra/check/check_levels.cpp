// Preparing the anatomy and a functional for the search.
#include "keldra/check/check_levels.h"

#include <cmath>
#include <utility>

#include "keldra/check/head_mask.h"
#include "keldra/check/volume_filters.h"

namespace orvane::keldra::check {
namespace {

// The anatomy's fine and coarse voxel sizes, roughly, and their smoothing (standard deviation).
constexpr double kFineSpacingMm = 2.6;
constexpr double kCoarseSpacingMm = 5.2;
constexpr double kFineSmoothingMm = 1.2;
constexpr double kCoarseSmoothingMm = 3.0;
// A functional is halved along axes whose halved voxels stay at most this long.
constexpr double kFunctionalCoarseSpacingMm = 8.0;
constexpr std::size_t kMinimumHeadVoxels = 64;
constexpr std::size_t kSmallFunctionalVoxels = 3000;

// Which axes of `volume` to halve: those whose voxels are at most half of `spacingMm` long and
// have enough voxels to spare. None when it is averaged down far enough.
std::array<bool, 3> axesToHalve(const Volume& volume, double spacingMm, int minimumSize, bool& any) {
    const std::array<double, 3> spacing = volume.spacingMm();
    std::array<bool, 3> halve{};
    any = false;
    for (std::size_t a = 0; a < 3; ++a) {
        halve[a] = 2 * spacing[a] <= spacingMm && volume.size[a] >= 2 * minimumSize;
        any = any || halve[a];
    }
    return halve;
}

// Halves the axes whose voxels are at most half of `spacingMm` long and have enough voxels to
// spare, as often as that holds.
Volume averagedDown(const Volume& original, double spacingMm, int minimumSize) {
    Volume volume;
    const Volume* current = &original;
    for (;;) {
        bool any = false;
        const std::array<bool, 3> halve = axesToHalve(*current, spacingMm, minimumSize, any);
        if (!any) {
            return current == &original ? withFiniteSamples(original, 0.0f) : volume;
        }
        volume = halved(*current, halve);
        current = &volume;
    }
}

// The same for a volume that is no longer needed: kept as it is (its non-finite samples set to
// 0) rather than copied when it is averaged down far enough already.
Volume averagedDown(Volume&& original, double spacingMm, int minimumSize) {
    bool any = false;
    axesToHalve(original, spacingMm, minimumSize, any);
    if (any) {
        return averagedDown(static_cast<const Volume&>(original), spacingMm, minimumSize);
    }
    for (float& s : original.samples) {
        if (!std::isfinite(s)) {
            s = 0.0f;
        }
    }
    return std::move(original);
}

std::array<double, 3> sigmaInVoxels(const Volume& volume, double sigmaMm) {
    const std::array<double, 3> spacing = volume.spacingMm();
    return {sigmaMm / spacing[0], sigmaMm / spacing[1], sigmaMm / spacing[2]};
}

AnatomyLevel anatomyLevel(const Volume& averaged, double smoothingMm, double headThreshold) {
    AnatomyLevel level;
    level.volume = smoothed(averaged, sigmaInVoxels(averaged, smoothingMm));
    level.binLo = quantile(level.volume, {}, 0.0);
    std::vector<std::uint8_t> head(level.volume.voxelCount());
    for (std::size_t i = 0; i < head.size(); ++i) {
        head[i] = level.volume.samples[i] > headThreshold ? 1 : 0;
    }
    level.binHi = quantile(level.volume, head, 0.995);
    if (!(level.binHi > level.binLo)) {
        level.binHi = level.binLo + 1;
    }
    return level;
}

std::size_t countMarked(const std::vector<std::uint8_t>& mask) {
    std::size_t n = 0;
    for (std::uint8_t m : mask) {
        n += m;
    }
    return n;
}

Binning functionalBinning(const FunctionalLevel& level) {
    Binning bins;
    bins.lo = quantile(level.volume, level.mask, 0.01);
    bins.hi = quantile(level.volume, level.mask, 0.99);
    if (!(bins.hi > bins.lo)) {
        bins.hi = bins.lo + 1;
    }
    bins.bins = binCountFor(level.maskedVoxels);
    return bins;
}

// Everything after the first averaging down, shared by both kinds of anatomy input.
bool finishAnatomy(Volume firstAveraged, const std::array<int, 3>& size, const Affine& voxelToWorld,
                   AnatomyReference& reference, std::string& error) {
    const Volume fineAveraged = averagedDown(std::move(firstAveraged), kFineSpacingMm, 4);
    const std::optional<double> threshold = headThreshold(fineAveraged);
    if (!threshold) {
        error = "the anatomy holds a single value: there is no head to compare with";
        return false;
    }
    reference = AnatomyReference{};
    reference.size = size;
    reference.voxelToWorld = voxelToWorld;
    Volume coarseAveraged = averagedDown(fineAveraged, kCoarseSpacingMm, 4);
    reference.fine = anatomyLevel(fineAveraged, kFineSmoothingMm, *threshold);
    reference.coarse = anatomyLevel(coarseAveraged, kCoarseSmoothingMm, *threshold);
    reference.head = headMask(coarseAveraged, *threshold, 0);
    reference.headGrid = std::move(coarseAveraged);
    return true;
}

bool usableAnatomyGrid(const std::array<int, 3>& size, const Affine& voxelToWorld, std::string& error) {
    if (!isUsableTransform(voxelToWorld)) {
        error = "the anatomy's transform cannot be used";
        return false;
    }
    if (size[0] < 2 || size[1] < 2 || size[2] < 2) {
        error = "the anatomy needs at least 2 voxels along every axis";
        return false;
    }
    return true;
}

}  // namespace

bool prepareAnatomy(const Volume& anatomy, AnatomyReference& reference, std::string& error) {
    if (!isWellFormed(anatomy)) {
        error = "the anatomy's grid or transform cannot be used";
        return false;
    }
    if (!usableAnatomyGrid(anatomy.size, anatomy.voxelToWorld, error)) {
        return false;
    }
    // Averaged down first, so that the large anatomy is read once (non-finite samples count
    // as 0), and its threshold taken on the averaged values.
    return finishAnatomy(averagedDown(anatomy, kFineSpacingMm, 4), anatomy.size, anatomy.voxelToWorld, reference,
                         error);
}

bool prepareAnatomy(const std::uint8_t* samples, const std::array<int, 3>& size, const Affine& voxelToWorld,
                    AnatomyReference& reference, std::string& error) {
    if (!usableAnatomyGrid(size, voxelToWorld, error)) {
        return false;
    }
    Volume grid;
    grid.size = size;
    grid.voxelToWorld = voxelToWorld;
    const std::array<double, 3> spacing = grid.spacingMm();
    std::array<bool, 3> halve{};
    for (std::size_t a = 0; a < 3; ++a) {
        halve[a] = 2 * spacing[a] <= kFineSpacingMm && size[a] >= 8;
    }
    if (halve[0] || halve[1] || halve[2]) {
        return finishAnatomy(halved(samples, size, voxelToWorld, halve), size, voxelToWorld, reference, error);
    }
    grid.samples.assign(samples, samples + grid.voxelCount());
    return finishAnatomy(std::move(grid), size, voxelToWorld, reference, error);
}

bool prepareFunctional(const Volume& functional, FunctionalLevels& levels, std::string& error) {
    if (!isWellFormed(functional)) {
        error = "the functional's grid or transform cannot be used";
        return false;
    }
    const std::optional<double> threshold = headThreshold(functional);
    if (!threshold) {
        error = "the functional's first volume holds a single value: there is nothing to compare";
        return false;
    }
    levels = FunctionalLevels{};
    for (float s : functional.samples) {
        levels.nonFiniteSamples += std::isfinite(s) ? 0 : 1;
    }
    FunctionalLevel& fine = levels.fine;
    fine.mask = headMask(functional, *threshold, 1);
    fine.volume = withFiniteSamples(functional, 0.0f);
    fine.maskedVoxels = countMarked(fine.mask);
    if (fine.maskedVoxels < kMinimumHeadVoxels) {
        error = "the functional shows too little of a head to compare (" + std::to_string(fine.maskedVoxels) +
                " voxels above the background)";
        return false;
    }
    fine.bins = functionalBinning(fine);

    Vector3d sum;
    for (int k = 0; k < functional.size[2]; ++k) {
        for (int j = 0; j < functional.size[1]; ++j) {
            for (int i = 0; i < functional.size[0]; ++i) {
                if (fine.mask[functional.index(i, j, k)]) {
                    sum = sum + Vector3d{static_cast<double>(i), static_cast<double>(j), static_cast<double>(k)};
                }
            }
        }
    }
    levels.headCentre = functional.voxelToWorld.apply((1.0 / static_cast<double>(fine.maskedVoxels)) * sum);

    // The coarse level: smoothed by about a voxel along the axes it halves.
    const std::array<double, 3> spacing = functional.spacingMm();
    std::array<bool, 3> halve{};
    std::array<double, 3> sigma{};
    for (std::size_t a = 0; a < 3; ++a) {
        halve[a] = 2 * spacing[a] <= kFunctionalCoarseSpacingMm && functional.size[a] >= 16;
        sigma[a] = halve[a] ? 1.0 : 0.0;
    }
    FunctionalLevel& coarse = levels.coarse;
    coarse.volume = halved(smoothed(fine.volume, sigma), halve);
    const std::optional<double> coarseThreshold = headThreshold(coarse.volume);
    coarse.mask = headMask(coarse.volume, coarseThreshold ? *coarseThreshold : *threshold, 1);
    coarse.maskedVoxels = countMarked(coarse.mask);
    if (fine.maskedVoxels <= kSmallFunctionalVoxels || coarse.maskedVoxels < kMinimumHeadVoxels) {
        // Small enough to compare quickly as it is, and too small to thin out: the coarse level
        // is the fine one.
        coarse = fine;
        levels.coarseIsFine = true;
    }
    coarse.bins = functionalBinning(coarse);
    return true;
}

}  // namespace orvane::keldra::check
