// The alignment check on inputs that give it nothing or little to measure: it must answer with
// a verdict or a clear sentence, never crash or hang.
#include <gtest/gtest.h>

#include <cmath>

#include "keldra/check/alignment_check.h"
#include "tests/data/epi_from_t1.h"
#include "tests/keldra/check/t1_test_data.h"

namespace orvane::keldra::check {
namespace {

class CheckBadInputs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(t1TestData().error.empty()) << t1TestData().error; }
    static const AnatomyReference& anatomy() { return t1TestData().anatomy; }
    static testdata::EpiGenerator& generator() { return t1TestData().generator; }
    // An aligned functional of 48x48x30 voxels of 4 mm.
    static Volume aligned() {
        testdata::EpiSettings settings;
        settings.size = {48, 48, 30};
        settings.voxelMm = {4, 4, 4};
        return generator().functional(settings);
    }
};

TEST_F(CheckBadInputs, NoOverlapIsMisalignedWithNoCoverage) {
    // The header's left-right column negated with its origin kept: the field of view lands
    // about 190 mm away from the head.
    testdata::EpiSettings settings;
    settings.flip = testdata::Flip::NegatedColumn;
    const AlignmentCheck result = checkAlignment(anatomy(), generator().functional(settings), Thresholds{});
    EXPECT_EQ(result.verdict, Verdict::Misaligned);
    EXPECT_EQ(result.headCoverage, 0.0);
    EXPECT_EQ(result.fieldOfViewInsideAnatomy, 0.0);
    EXPECT_FALSE(result.measured);
    ASSERT_FALSE(result.reasons.empty());
    EXPECT_NE(result.reasons.front().find("does not overlap"), std::string::npos) << result.reasons.front();
}

TEST_F(CheckBadInputs, ConstantImagesAreExplained) {
    Volume flat = aligned();
    std::fill(flat.samples.begin(), flat.samples.end(), 100.0f);
    const AlignmentCheck result = checkAlignment(anatomy(), flat, Thresholds{});
    EXPECT_FALSE(result.measured);
    EXPECT_EQ(result.verdict, Verdict::Check);
    EXPECT_NE(result.problem.find("single value"), std::string::npos) << result.problem;

    Volume allNan = aligned();
    std::fill(allNan.samples.begin(), allNan.samples.end(), NAN);
    EXPECT_EQ(checkAlignment(anatomy(), allNan, Thresholds{}).verdict, Verdict::Check);

    Volume flatAnatomy = generator().anatomy();
    std::fill(flatAnatomy.samples.begin(), flatAnatomy.samples.end(), 7.0f);
    AnatomyReference reference;
    std::string error;
    EXPECT_FALSE(prepareAnatomy(flatAnatomy, reference, error));
    EXPECT_NE(error.find("single value"), std::string::npos) << error;

    Volume oneSlice;
    oneSlice.size = {10, 10, 1};
    oneSlice.samples.assign(100, 1.0f);
    oneSlice.samples[5] = 2.0f;
    EXPECT_FALSE(prepareAnatomy(oneSlice, reference, error));
    EXPECT_NE(error.find("at least 2 voxels"), std::string::npos) << error;
}

TEST_F(CheckBadInputs, NanSamplesAreLeftOut) {
    Volume holed = aligned();
    // A slab of NaN and a scatter of infinities.
    for (int j = 0; j < holed.size[1]; ++j) {
        for (int i = 0; i < holed.size[0]; ++i) {
            holed.samples[holed.index(i, j, 12)] = NAN;
        }
    }
    for (std::size_t i = 0; i < holed.samples.size(); i += 37) {
        holed.samples[i] = INFINITY;
    }
    const AlignmentCheck result = checkAlignment(anatomy(), holed, Thresholds{});
    EXPECT_TRUE(result.measured);
    EXPECT_GT(result.nonFiniteSamples, 2000u);
    EXPECT_TRUE(std::isfinite(result.nmiAtBest) && std::isfinite(result.rmsDisplacementMm));
    EXPECT_LT(result.shiftLengthMm, 1.0);
    EXPECT_EQ(result.verdict, Verdict::Aligned);
}

TEST_F(CheckBadInputs, TwoSliceFunctionalIsMeasured) {
    testdata::EpiSettings settings;
    settings.size = {64, 64, 2};
    settings.trueShiftMm = {0, 8, 0};
    const AlignmentCheck result = checkAlignment(anatomy(), generator().functional(settings), Thresholds{});
    EXPECT_TRUE(result.measured) << result.problem;
    EXPECT_TRUE(std::isfinite(result.shiftLengthMm) && std::isfinite(result.rmsDisplacementMm));
    // Two slices say little about the direction across them, but an 8 mm in-plane shift shows.
    EXPECT_NE(result.verdict, Verdict::Aligned);
}

}  // namespace
}  // namespace orvane::keldra::check
