// How alike a functional and the anatomy are under a trial placement: normalised mutual
// information (NMI, (H(F) + H(A)) / H(F, A), from 1 for unrelated to 2 for identical images)
// and the correlation ratio (the share of the anatomy's variance explained by the functional's
// intensity classes). The functional's masked voxel centres are fixed sample points; the
// anatomy is resampled at them (trilinear, double precision) through the two grids'
// transforms and the trial motion. Points that fall outside the anatomy's grid meet the
// anatomy's background value, so every placement is judged on the same points (leaving them out
// would favour placements with little overlap, where a sparse histogram looks alike by chance);
// a placement with less than a third of the points inside counts as no overlap. A functional
// voxel much longer than the anatomy's along an axis (a thick slice) meets the average of the
// anatomy at a few points spread along that axis, as the scanner averaged it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "keldra/check/binning.h"
#include "keldra/check/check_volume.h"

namespace orvane::keldra::check {

struct Similarity {
    double nmi = 0;                 // 0 when the overlap is too small to measure
    double correlationRatio = 0;    // 0 likewise
    std::size_t overlap = 0;        // sample points inside the anatomy's grid
};

class SimilarityMeasure {
public:
    // Working memory for nmi(), reused from one evaluation to the next: one per thread.
    struct Scratch {
        std::vector<double> joint;      // the joint histogram, all zero between evaluations
        std::vector<double> positions;  // the anatomy's bin position at every sample point
        std::vector<double> anatomyMarginal;
    };

    // `functional` and `mask` (1 = a sample point) on the same grid; `anatomy` at least 2
    // voxels along every axis and finite. Of the masked voxels, an evenly spread share of at
    // most `maxPoints` is kept. The anatomy is referred to, not copied: it must outlive the
    // measure.
    SimilarityMeasure(const Volume& functional, const std::vector<std::uint8_t>& mask, const Volume& anatomy,
                      const Binning& functionalBins, const Binning& anatomyBins, std::size_t maxPoints);

    // `motion` moves the functional in the world: a point of the functional placed at w by
    // its transform is compared with the anatomy at motion(w).
    double nmi(const Affine& motion) const;
    double nmi(const Affine& motion, Scratch& scratch) const;
    Similarity similarity(const Affine& motion) const;

    std::size_t sampleCount() const { return points_.size(); }
    // Fewer points than this inside the anatomy count as no overlap.
    std::size_t minimumOverlap() const { return minimumOverlap_; }

private:
    struct SamplePoint {
        double x, y, z;  // functional voxel coordinates
        int bin;         // the functional's intensity bin
    };
    template <typename Visit>
    std::size_t visitOverlap(const Affine& motion, Visit&& visit) const;

    std::vector<SamplePoint> points_;
    std::vector<Vector3d> subPoints_;  // offsets within a functional voxel, in its voxel units
    const Volume& anatomy_;
    Affine functionalVoxelToWorld_;
    Affine anatomyWorldToVoxel_;
    Binning functionalBins_;
    Binning anatomyBins_;
    std::size_t minimumOverlap_ = 0;
};

}  // namespace orvane::keldra::check
