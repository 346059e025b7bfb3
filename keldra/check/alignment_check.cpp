// One functional's alignment check, from preparation to verdict.
#include "keldra/check/alignment_check.h"

#include <cmath>
#include <system_error>
#include <thread>

#include "keldra/check/coverage.h"
#include "keldra/check/placement_search.h"

namespace orvane::keldra::check {
namespace {

// The most sample points the fine and the coarse measures use: enough for a steady histogram,
// few enough to be quick.
constexpr std::size_t kFinePoints = 8000;
constexpr std::size_t kCoarsePoints = 2500;

struct SearchOutcome {
    Placement translation;
    Placement rigid;
};

SearchOutcome searchPlacement(const PlacementProblem& problem, int rigidHalvings) {
    SearchOutcome outcome;
    outcome.translation = searchTranslation(problem);
    if (outcome.translation.nmi > 0) {
        outcome.rigid = refineRigid(problem, outcome.translation, rigidHalvings);
    } else {
        outcome.rigid = outcome.translation;
    }
    return outcome;
}

// The mirror through the functional's head centre across its voxel axis that points most
// left-right: what a flipped voxel order or a sign error in that column of the transform does.
Affine leftRightMirror(const Volume& functional, const Vector3d& headCentre) {
    int axis = 0;
    double best = -1;
    for (int a = 0; a < 3; ++a) {
        const Vector3d c = functional.voxelToWorld.column(a);
        const double share = std::fabs(c.x) / length(c);
        if (share > best) {
            best = share;
            axis = a;
        }
    }
    const Vector3d n = (1.0 / length(functional.voxelToWorld.column(axis))) * functional.voxelToWorld.column(axis);
    // p -> p - 2 n (n . (p - c))
    Affine mirror = Affine::identity();
    const double nv[3] = {n.x, n.y, n.z};
    const double d = dot(n, headCentre);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            mirror.m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] -= 2 * nv[r] * nv[c];
        }
        mirror.m[static_cast<std::size_t>(r)][3] = 2 * nv[r] * d;
    }
    return mirror;
}

void runSearches(const PlacementProblem& plain, const PlacementProblem& mirrored, SearchOutcome& plainOutcome,
                 SearchOutcome& mirroredOutcome) {
    // The mirrored search runs beside the plain one; both only read the prepared images. The
    // mirror gets rotations too (a head turned about y or z turns the other way in the mirror,
    // and only rotations make the two comparable then), with coarser last steps: it serves the
    // comparison, not the report.
    std::thread beside;
    try {
        beside = std::thread([&] { mirroredOutcome = searchPlacement(mirrored, 1); });
    } catch (const std::system_error&) {
        mirroredOutcome = searchPlacement(mirrored, 1);
    }
    plainOutcome = searchPlacement(plain, 2);
    if (beside.joinable()) {
        beside.join();
    }
}

// The coarse level's maxima are wide enough for an 8 mm grid; a small functional compared
// at the fine level has narrower ones and needs a finer grid and more starts (and is quick
// to compare).
PlacementProblem plainProblem(const SimilarityMeasure& coarse, const SimilarityMeasure& fine, const Vector3d& centre,
                              bool coarseIsFine) {
    PlacementProblem plain{coarse, fine, Affine::identity(), centre};
    if (coarseIsFine) {
        plain.gridStepMm = 4.0;
        plain.coarseStarts = 8;
        plain.fineStarts = 4;
    }
    return plain;
}

// The best placements found, as the check reports them: the shift, the rigid fit and how it
// compares with the mirrored fit.
void recordPlacements(const SimilarityMeasure& fine, const SearchOutcome& plainOutcome,
                      const SearchOutcome& mirroredOutcome, const Affine& mirror, const Vector3d& centre,
                      const Thresholds& thresholds, AlignmentCheck& result) {
    const MotionParameters& t = plainOutcome.translation.parameters;
    const MotionParameters& r = plainOutcome.rigid.parameters;
    result.shiftMm = {t[0], t[1], t[2]};
    result.shiftLengthMm = length(result.shiftMm);
    result.rigidShiftMm = {r[0], r[1], r[2]};
    result.rotationDegrees = {r[3], r[4], r[5]};
    result.bestFit = rigidMotion(r, centre);
    result.rmsDisplacementMm = rmsDisplacement(result.bestFit, centre, kRmsSphereRadiusMm);
    const Similarity atBest = fine.similarity(result.bestFit);
    result.nmiAtBest = atBest.nmi;
    result.correlationRatioAtBest = atBest.correlationRatio;
    const double plainNmi = plainOutcome.rigid.nmi;
    result.nmiMirrored = mirroredOutcome.rigid.nmi;
    result.mirroredBestFit = rigidMotion(mirroredOutcome.rigid.parameters, centre) * mirror;
    result.leftRightMargin = plainNmi > 1 ? (result.nmiMirrored - plainNmi) / (plainNmi - 1) : 0;
    result.leftRightFlipSuspected = result.leftRightMargin >= thresholds.flipMinMargin;
}

// The verdict and its reasons, from what the check measured.
void recordVerdict(bool overlaps, const Thresholds& thresholds, AlignmentCheck& result) {
    VerdictEvidence evidence;
    evidence.measured = result.measured;
    evidence.overlaps = overlaps;
    evidence.shiftLengthMm = result.shiftLengthMm;
    evidence.rmsDisplacementMm = result.rmsDisplacementMm;
    evidence.flipMargin = result.leftRightMargin;
    evidence.headCoverage = result.headCoverage;
    evidence.fieldOfViewInsideAnatomy = result.fieldOfViewInsideAnatomy;
    result.verdict = decideVerdict(evidence, thresholds, result.reasons);
    if (!result.measured && overlaps) {
        result.reasons.insert(result.reasons.begin(), result.problem);
    }
}

}  // namespace

AlignmentCheck checkAlignment(const AnatomyReference& anatomy, const Volume& functional, const Thresholds& thresholds) {
    AlignmentCheck result;
    result.thresholds = thresholds;
    FunctionalLevels levels;
    if (!prepareFunctional(functional, levels, result.problem)) {
        // Nothing to compare, so nothing can be confirmed.
        result.reasons.push_back(result.problem);
        result.verdict = Verdict::Check;
        return result;
    }
    result.nonFiniteSamples = levels.nonFiniteSamples;
    result.headCoverage = shareInsideGrid(anatomy.headGrid, anatomy.head, functional.size, functional.voxelToWorld);
    result.fieldOfViewInsideAnatomy = shareInsideGrid(levels.fine.volume, levels.fine.mask, anatomy.size, anatomy.voxelToWorld);

    const auto anatomyBins = [&](const AnatomyLevel& level, const FunctionalLevel& f) {
        return Binning{level.binLo, level.binHi, f.bins.bins};
    };
    const SimilarityMeasure fine(levels.fine.volume, levels.fine.mask, anatomy.fine.volume, levels.fine.bins,
                                 anatomyBins(anatomy.fine, levels.fine), kFinePoints);
    // A functional too small to thin out is compared with the fine anatomy at both levels.
    const AnatomyLevel& coarseAnatomy = levels.coarseIsFine ? anatomy.fine : anatomy.coarse;
    const SimilarityMeasure coarse(levels.coarse.volume, levels.coarse.mask, coarseAnatomy.volume, levels.coarse.bins,
                                   anatomyBins(coarseAnatomy, levels.coarse), kCoarsePoints);
    const Vector3d centre = functional.centre();
    const Similarity atHeader = fine.similarity(Affine::identity());
    result.nmiAtHeader = atHeader.nmi;
    result.correlationRatioAtHeader = atHeader.correlationRatio;

    const PlacementProblem plain = plainProblem(coarse, fine, centre, levels.coarseIsFine);
    PlacementProblem mirrored = plain;
    mirrored.base = leftRightMirror(functional, levels.headCentre);
    SearchOutcome plainOutcome, mirroredOutcome;
    runSearches(plain, mirrored, plainOutcome, mirroredOutcome);
    result.evaluations = plainOutcome.translation.evaluations + plainOutcome.rigid.evaluations +
                         mirroredOutcome.translation.evaluations + mirroredOutcome.rigid.evaluations;

    const bool overlaps = result.headCoverage > 0 && result.fieldOfViewInsideAnatomy > 0;
    result.measured = plainOutcome.rigid.nmi > 0;
    if (!result.measured) {
        result.problem = "no placement within the search range overlaps the anatomy enough to compare";
    } else {
        recordPlacements(fine, plainOutcome, mirroredOutcome, mirrored.base, centre, thresholds, result);
    }
    recordVerdict(overlaps, thresholds, result);
    return result;
}

}  // namespace orvane::keldra::check
