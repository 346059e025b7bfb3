// Parts of the alignment check whose faults the accuracy tests would blur: the closed-form RMS
// displacement, the thresholds file and the verdict's boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "keldra/check/rigid_motion.h"
#include "keldra/check/verdict.h"

namespace orvane::keldra::check {
namespace {

TEST(RmsDisplacement, MatchesTheMeanOverTheSphere) {
    const Vector3d centre{10, -20, 30};
    const double radius = 80;
    std::mt19937 random(3);
    std::uniform_real_distribution<double> u(-1, 1);
    for (const MotionParameters& p : {MotionParameters{3, -4, 0, 0, 0, 0}, MotionParameters{0, 0, 0, 4, 0, 0},
                                      MotionParameters{1, 2, -1, -3, 5, 2}}) {
        const Affine motion = rigidMotion(p, centre);
        // Points spread evenly through the solid sphere, by rejection.
        double sum = 0;
        int n = 0;
        while (n < 200000) {
            const Vector3d offset{radius * u(random), radius * u(random), radius * u(random)};
            if (dot(offset, offset) > radius * radius) {
                continue;
            }
            const Vector3d moved = motion.apply(centre + offset) - (centre + offset);
            sum += dot(moved, moved);
            ++n;
        }
        EXPECT_NEAR(rmsDisplacement(motion, centre, radius), std::sqrt(sum / n), 0.01 * std::sqrt(sum / n));
    }
}

TEST(Thresholds, FileOverridesNamedValuesAndRefusesMistakes) {
    Thresholds t;
    std::string error;
    ASSERT_TRUE(parseThresholds(R"({"misaligned_min_shift_mm": 5, "flip_min_margin": 0.5})", t, error)) << error;
    EXPECT_EQ(t.misalignedMinShiftMm, 5.0);
    EXPECT_EQ(t.flipMinMargin, 0.5);
    EXPECT_EQ(t.alignedMaxShiftMm, Thresholds{}.alignedMaxShiftMm);

    for (const char* bad : {R"({"misaligned_min_shift": 5})", R"({"aligned_max_rms_mm": "2"})",
                            R"({"aligned_max_shift_mm": 6, "misaligned_min_shift_mm": 5})", R"([1, 2])", "{",
                            R"({"min_head_coverage": 1.5})", R"({"flip_min_margin": -1})"}) {
        Thresholds unchanged = t;
        EXPECT_FALSE(parseThresholds(bad, unchanged, error)) << bad;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(unchanged.misalignedMinShiftMm, 5.0) << "a refused file changed the thresholds: " << bad;
    }
}

TEST(Verdict, FollowsTheThresholds) {
    const Thresholds t;
    VerdictEvidence e;
    e.measured = e.overlaps = true;
    e.headCoverage = 0.8;
    e.fieldOfViewInsideAnatomy = 1.0;
    e.flipMargin = -0.5;
    struct Case {
        double shift, rms, margin, coverage;
        Verdict expected;
    };
    for (const Case& c : {Case{0.5, 0.6, -0.5, 0.8, Verdict::Aligned},
                          Case{t.alignedMaxShiftMm + 0.1, 1.0, -0.5, 0.8, Verdict::Check},
                          Case{t.misalignedMinShiftMm, 1.0, -0.5, 0.8, Verdict::Misaligned},
                          Case{0.5, t.alignedMaxRmsMm + 0.1, -0.5, 0.8, Verdict::Check},
                          Case{0.5, t.misalignedMinRmsMm, -0.5, 0.8, Verdict::Misaligned},
                          Case{0.5, 0.6, t.flipMinMargin, 0.8, Verdict::Misaligned},
                          Case{0.5, 0.6, -0.5, t.minHeadCoverage / 2, Verdict::Check}}) {
        e.shiftLengthMm = c.shift;
        e.rmsDisplacementMm = c.rms;
        e.flipMargin = c.margin;
        e.headCoverage = c.coverage;
        std::vector<std::string> reasons;
        EXPECT_EQ(decideVerdict(e, t, reasons), c.expected) << c.shift << " " << c.rms << " " << c.margin;
        EXPECT_EQ(reasons.empty(), c.expected == Verdict::Aligned);
    }
}

}  // namespace
}  // namespace orvane::keldra::check
