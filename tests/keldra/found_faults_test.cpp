// Faults that fuzzing and the battery of broken files found, kept fixed. Each was undefined
// behaviour (a crash, or one the sanitizer build reports); the values are checked as well.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "keldra/workspace/document_builder.h"
#include "keldra/picture/edge_levels.h"
#include "keldra/picture/grey_window.h"

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
TEST(FoundFaults, AnatomicalScalingSurvivesExtremeSpans) {
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

// A functional's NaN and infinite samples, kept as they are, reached the pictures: the edge
// levels indexed a histogram with them (a crash) and the grey window sorted them.
TEST(FoundFaults, PicturesIgnoreNonFiniteSamples) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> plain, spiked;
    for (int i = 0; i < 100; ++i) {
        float v = i < 50 ? 10.0f : 200.0f;
        plain.push_back(v);
        spiked.push_back(v);
    }
    spiked.insert(spiked.end(), {nan, inf, -inf, nan});
    EXPECT_EQ(picture::edgeLevels(spiked), picture::edgeLevels(plain));

    picture::GreyWindow window = picture::robustWindow(spiked);
    picture::GreyWindow expected = picture::robustWindow(plain);
    EXPECT_TRUE(std::isfinite(window.low) && std::isfinite(window.high));
    EXPECT_NEAR(window.low, expected.low, 1e-6);
    EXPECT_NEAR(window.high, expected.high, 1e-6);
    EXPECT_EQ(window.grey(nan), 0);
    EXPECT_EQ(window.grey(inf), 255);
    picture::GreyWindow none = picture::robustWindow({nan, inf});
    EXPECT_LT(none.low, none.high);
}

}  // namespace
}  // namespace orvane::keldra::testing
