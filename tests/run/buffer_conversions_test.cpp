// The conversions at both ends of a buffer's life: normalising the FMR's first volume and
// storing projected values back as 16-bit integers.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "run/fmr_write_back.h"
#include "run/intensity_normalisation.h"

namespace orvane {
namespace {

TEST(IntensityNormalisation, MinToZeroMaxTo225InSinglePrecision) {
    std::vector<float> values = {-100.0f, 0.0f, 300.0f, 7.3f};
    EXPECT_EQ(normaliseToDisplayRange(values), NormalisationOutcome::Scaled);
    EXPECT_EQ(values[0], 0.0f);
    EXPECT_EQ(values[1], 56.25f);
    EXPECT_EQ(values[2], 225.0f);
    // The product first, then the quotient, both in single precision.
    EXPECT_EQ(values[3], 225.0f * (7.3f + 100.0f) / 400.0f);
}

TEST(IntensityNormalisation, ConstantOrNonFiniteDataBecomesZero) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();

    std::vector<float> constant = {5.0f, 5.0f, 5.0f};
    EXPECT_EQ(normaliseToDisplayRange(constant), NormalisationOutcome::Constant);
    EXPECT_EQ(constant, std::vector<float>(3, 0.0f));

    std::vector<float> nothingFinite = {nan, inf, -inf};
    EXPECT_EQ(normaliseToDisplayRange(nothingFinite), NormalisationOutcome::Constant);
    EXPECT_EQ(nothingFinite, std::vector<float>(3, 0.0f));

    // A leading NaN must not become min and max, nor may infinity widen the range.
    std::vector<float> mixed = {nan, 10.0f, inf, 20.0f, -inf, 14.0f};
    EXPECT_EQ(normaliseToDisplayRange(mixed), NormalisationOutcome::Scaled);
    EXPECT_EQ(mixed, (std::vector<float>{0.0f, 0.0f, 0.0f, 225.0f, 0.0f, 90.0f}));

    std::vector<float> oneFiniteValue = {nan, 3.0f, inf};
    EXPECT_EQ(normaliseToDisplayRange(oneFiniteValue), NormalisationOutcome::Constant);
}

TEST(StoredInt16, TruncatesTowardZeroAndClampsWhatDoesNotFit) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float value;
        std::int16_t expected;
    } cases[] = {{56.9f, 56},          {765.0f, 765},       {0.0f, 0},          {-0.7f, 0},
                 {-56.9f, -56},        {32767.0f, 32767},   {32767.9f, 32767},  {40000.0f, 32767},
                 {-32768.0f, -32768},  {-32768.9f, -32768}, {-1.0e9f, -32768},  {inf, 32767},
                 {-inf, -32768},       {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(storedInt16(c.value), c.expected) << c.value;
    }
}

}  // namespace
}  // namespace orvane
