// The searches for the placement of the functional that best matches the anatomy. A placement
// is a rigid motion of the functional in the world after an optional fixed mirror (`base`).
// The translation search evaluates a coarse grid over the whole range first, so that a local
// maximum near the start cannot capture it, refines the best few grid points at the coarse
// level and the best of those at the fine level. The rigid refinement then frees the three
// rotations at the fine level.
#pragma once

#include "keldra/check/pattern_search.h"
#include "keldra/check/similarity.h"

namespace orvane::keldra::check {

// The range of the translation grid (each way, per axis) and of the searches' bounds.
constexpr double kTranslationGridRangeMm = 24.0;
constexpr double kTranslationBoundMm = 32.0;
constexpr double kRotationBoundDegrees = 10.0;

struct Placement {
    MotionParameters parameters{};
    double nmi = 0;
    int evaluations = 0;
};

struct PlacementProblem {
    const SimilarityMeasure& coarse;
    const SimilarityMeasure& fine;
    Affine base;   // applied to the functional before the motion (identity, or a mirror)
    Vector3d centre;  // the centre of the rotations
    // The translation grid's step: as long as the coarse level's maxima are wide.
    double gridStepMm = 8.0;
    // How many grid maxima are refined at the coarse level, and how many of those at the fine.
    std::size_t coarseStarts = 4;
    std::size_t fineStarts = 2;
};

Placement searchTranslation(const PlacementProblem& problem);
// The last steps are 0.5 mm and 1.5 degrees halved `halvings` times.
Placement refineRigid(const PlacementProblem& problem, const Placement& start, int halvings);

}  // namespace orvane::keldra::check
