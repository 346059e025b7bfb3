// The alignment check of one functional against the anatomy: how alike the two are where the
// headers place them, the residual shift (and small rotation) that makes them most alike, a
// test for a left-right flip, coverage, and a verdict. Double precision throughout, and
// independent of the module: it answers whether the files' position information lines up the
// functional with the anatomy.
#pragma once

#include <string>
#include <vector>

#include "keldra/check/check_levels.h"
#include "keldra/check/verdict.h"

namespace orvane::keldra::check {

// The RMS displacement is measured over a sphere of this radius about the functional's centre.
constexpr double kRmsSphereRadiusMm = 80.0;

struct AlignmentCheck {
    // False when nothing could be compared; `problem` then says why in one sentence.
    bool measured = false;
    std::string problem;

    double nmiAtHeader = 0;  // 0 when the fields of view do not overlap there
    double nmiAtBest = 0;    // at the best rigid fit
    double correlationRatioAtHeader = 0;
    double correlationRatioAtBest = 0;

    // The translation, in world millimetres, that added to the functional's transform makes
    // it most alike the anatomy, and its length.
    Vector3d shiftMm;
    double shiftLengthMm = 0;
    // The best rigid fit: rotations about the world axes through the functional's centre (x,
    // then y, then z; degrees) with its own translation, and its RMS displacement.
    Vector3d rotationDegrees;
    Vector3d rigidShiftMm;
    double rmsDisplacementMm = 0;
    Affine bestFit = Affine::identity();  // world to world: the functional's corrected placement

    // The same search with the functional mirrored left-right: its best NMI and how much better
    // it is than the unmirrored best, relative to the unmirrored best's information
    // ((mirrored - best) / (best - 1); below 0 when the mirror fits worse).
    double nmiMirrored = 0;
    Affine mirroredBestFit = Affine::identity();  // world to world, the mirror included
    double leftRightMargin = 0;
    bool leftRightFlipSuspected = false;

    // The share of the anatomy's head inside the functional's field of view, and of the
    // functional's head inside the anatomy's grid, both where the headers place them.
    double headCoverage = 0;
    double fieldOfViewInsideAnatomy = 0;

    std::size_t nonFiniteSamples = 0;  // in the functional's first volume, left out
    int evaluations = 0;               // similarity evaluations, over both searches

    Verdict verdict = Verdict::Check;
    std::vector<std::string> reasons;  // why the verdict is not `aligned`
    Thresholds thresholds;
};

AlignmentCheck checkAlignment(const AnatomyReference& anatomy, const Volume& functional, const Thresholds& thresholds);

}  // namespace orvane::keldra::check
