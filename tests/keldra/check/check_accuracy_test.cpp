// The alignment check against known truths: functionals made from a real T1 with known shifts
// and flips, and nibabel's real anatomical and functional pair. The margins are those the
// check promises users (docs/alignment-check.md), not the values it happens to reach today.
#include <gtest/gtest.h>

#include <random>

#include "keldra/check/alignment_check.h"
#include "tests/data/epi_from_t1.h"
#include "tests/keldra/check/t1_test_data.h"
#include "tests/data/nifti_volumes.h"

namespace orvane::keldra::check {
namespace {

using testdata::EpiSettings;
using testdata::Flip;

class CheckAccuracy : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(data().error.empty()) << data().error; }
    static T1TestData& data() { return t1TestData(); }
    static AlignmentCheck check(const Volume& functional) {
        return checkAlignment(data().anatomy, functional, Thresholds{});
    }
    static Volume functional(const EpiSettings& settings) { return data().generator.functional(settings); }
};

TEST_F(CheckAccuracy, TranslationsUpTo10MmAreFoundWithin1MmAndJudgedByLength) {
    std::mt19937 random(7);
    std::normal_distribution<double> gaussian(0, 1);
    std::uniform_real_distribution<double> u(0, 1);
    const int cases = 20;
    int within = 0;
    for (int n = 0; n < cases; ++n) {
        EpiSettings settings = testdata::variedEpiSettings(random, 100 + static_cast<unsigned>(n));
        const Vector3d direction{gaussian(random), gaussian(random), gaussian(random)};
        // Half the cases at 6 mm or more, where the verdict must be `misaligned`.
        const double shift = n % 2 ? 6.0 + 4.0 * u(random) : 6.0 * u(random);
        settings.trueShiftMm = (shift / length(direction)) * direction;
        const AlignmentCheck result = check(functional(settings));
        const double error = length(result.shiftMm - settings.trueShiftMm);
        within += error <= 1.0 ? 1 : 0;
        SCOPED_TRACE("case " + std::to_string(n) + ", shift " + std::to_string(shift) + " mm, error " + std::to_string(error));
        EXPECT_TRUE(result.measured);
        EXPECT_FALSE(result.leftRightFlipSuspected) << "margin " << result.leftRightMargin;
        if (shift >= 6.0) {
            EXPECT_EQ(result.verdict, Verdict::Misaligned);
        }
        EXPECT_GT(result.nmiAtBest, result.nmiAtHeader - 1e-9);
    }
    EXPECT_GE(within, 19) << "fewer than 95 % of the shifts estimated within 1 mm";
}

TEST_F(CheckAccuracy, AlignedPairsComeOutAligned) {
    std::mt19937 random(11);
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const AlignmentCheck result = check(functional(testdata::variedEpiSettings(random, seed)));
        EXPECT_EQ(result.verdict, Verdict::Aligned) << "seed " << seed << ", shift " << result.shiftLengthMm;
        EXPECT_LT(result.shiftLengthMm, 1.0);
        EXPECT_LT(result.rmsDisplacementMm, 1.5);
        EXPECT_GT(result.headCoverage, 0.5);
        EXPECT_NEAR(result.fieldOfViewInsideAnatomy, 1.0, 0.01);
    }
    // nibabel's real pair: 3 slices of 8 mm against a cropped 2 mm anatomy.
    Volume anatomy, functional;
    std::string error;
    ASSERT_TRUE(testdata::readNiftiVolume(testdata::kNibabelAnatomicalPath, anatomy, error)) << error;
    ASSERT_TRUE(testdata::readNiftiVolume(testdata::kNibabelFunctionalPath, functional, error)) << error;
    AnatomyReference reference;
    ASSERT_TRUE(prepareAnatomy(anatomy, reference, error)) << error;
    const AlignmentCheck real = checkAlignment(reference, functional, Thresholds{});
    EXPECT_EQ(real.verdict, Verdict::Aligned) << real.shiftLengthMm << " mm, RMS " << real.rmsDisplacementMm;
    EXPECT_FALSE(real.leftRightFlipSuspected);
    // Its header moved by 8 mm: found again within 2 mm of where the pair itself lines up.
    Volume moved = functional;
    const Vector3d shift{4, -4, 5.66};
    moved.voxelToWorld = Affine::translation(-1.0 * shift) * moved.voxelToWorld;
    const AlignmentCheck shifted = checkAlignment(reference, moved, Thresholds{});
    EXPECT_EQ(shifted.verdict, Verdict::Misaligned);
    EXPECT_LT(length(shifted.shiftMm - (shift + real.shiftMm)), 2.0);
}

TEST_F(CheckAccuracy, LeftRightFlipsAreFlagged) {
    std::mt19937 random(13);
    for (const Vector3d shift : {Vector3d{0, 0, 0}, Vector3d{3, -2, 2}}) {
        EpiSettings settings = testdata::variedEpiSettings(random, 40);
        settings.flip = Flip::VoxelOrder;
        settings.trueShiftMm = shift;
        const AlignmentCheck result = check(functional(settings));
        EXPECT_TRUE(result.leftRightFlipSuspected) << "margin " << result.leftRightMargin;
        EXPECT_EQ(result.verdict, Verdict::Misaligned);
    }
}

}  // namespace
}  // namespace orvane::keldra::check
