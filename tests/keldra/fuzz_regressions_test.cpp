// Inputs the fuzzers found faults with, kept so that the faults stay fixed. Each was undefined
// behaviour that the sanitizer build reports; the values are checked here as well.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "keldra/document_builder.h"

namespace orvane::keldra::testing {
namespace {

VolumeFile float64Image(const std::vector<double>& values, double slope = 0) {
    VolumeFile file;
    file.nx = static_cast<int>(values.size());
    file.ny = file.nz = 1;
    file.sampleType = SampleType::Float64;
    file.sampleTypeName = "FLOAT64";
    file.slope = slope;
    file.samples.resize(values.size() * sizeof(double));
    std::memcpy(file.samples.data(), values.data(), file.samples.size());
    return file;
}

// The span of an anatomical's values overflowed (or its factor did), and NaN was converted to
// a byte.
TEST(FuzzRegressions, AnatomicalScalingSurvivesExtremeSpans) {
    const double huge = std::numeric_limits<double>::max();
    std::string note;
    // Of four values the 99.5th percentile is the third: 0 lies 1/1.5 of the way to it.
    std::vector<std::uint8_t> wide = anatomicalBytes(float64Image({-huge, 0, huge / 2, huge}), note);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[1], 150);
    EXPECT_EQ(wide[2], kAnatomicalTop);
    EXPECT_EQ(wide[3], kAnatomicalTop);

    // A subnormal scaling slope: the values differ by less than any factor can bridge.
    std::vector<std::uint8_t> narrow =
        anatomicalBytes(float64Image({0, 1, 2, 3}, std::numeric_limits<double>::denorm_min()), note);
    EXPECT_EQ(narrow[0], 0);
    EXPECT_EQ(narrow[3], kAnatomicalTop);
}

}  // namespace
}  // namespace orvane::keldra::testing
