// The grey-level window of a picture.
#include "keldra/picture/grey_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orvane::keldra::picture {
namespace {

// Found by fuzzing: a functional's NaN and infinite samples reached the sorting of the window's
// percentiles.
TEST(GreyWindow, LeavesNonFiniteSamplesOutAndShowsThemAsBlackOrWhite) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> plain, spiked;
    for (int i = 0; i < 100; ++i) {
        plain.push_back(i < 50 ? 10.0f : 200.0f);
    }
    spiked = plain;
    spiked.insert(spiked.end(), {nan, inf, -inf, nan});
    const GreyWindow window = robustWindow(spiked);
    const GreyWindow expected = robustWindow(plain);
    EXPECT_TRUE(std::isfinite(window.low) && std::isfinite(window.high));
    EXPECT_NEAR(window.low, expected.low, 1e-6);
    EXPECT_NEAR(window.high, expected.high, 1e-6);
    EXPECT_EQ(window.grey(nan), 0);
    EXPECT_EQ(window.grey(inf), 255);
    const GreyWindow none = robustWindow(std::vector<float>{nan, inf});
    EXPECT_LT(none.low, none.high);
}

}  // namespace
}  // namespace orvane::keldra::picture
