// The scalar building blocks of the singular value decomposition: signs, ties, NaN, and a
// hypotenuse that survives the overflow and underflow of its squares.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/float_scalar_operations.h"

namespace orvane {
namespace {

TEST(FloatScalarOperations, SignsTiesAndNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(transferSign(3.0f, 2.0f), 3.0f);
    EXPECT_EQ(transferSign(-3.0f, 2.0f), 3.0f);
    EXPECT_EQ(transferSign(3.0f, -2.0f), -3.0f);
    EXPECT_EQ(transferSign(-3.0f, -2.0f), -3.0f);
    EXPECT_EQ(transferSign(-3.0f, -0.0f), 3.0f);  // -0 counts as non-negative

    EXPECT_EQ(floatMax(1.0f, 2.0f), 2.0f);
    EXPECT_EQ(floatMax(2.0f, 1.0f), 2.0f);
    EXPECT_EQ(floatMax(0.0f, nan), 0.0f);  // a NaN candidate never wins
    EXPECT_TRUE(std::signbit(floatMax(-0.0f, 0.0f)));  // p on ties
    EXPECT_EQ(intMin(3, -2), -2);
    EXPECT_EQ(intMin(-2, 3), -2);
}

TEST(FloatScalarOperations, HypotenuseSurvivesOverflowAndUnderflowOfTheSquares) {
    EXPECT_EQ(hypotenuse(3.0f, -4.0f), 5.0f);
    EXPECT_EQ(hypotenuse(-4.0f, 3.0f), 5.0f);
    EXPECT_EQ(hypotenuse(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(hypotenuse(0.0f, -2.5f), 2.5f);
    EXPECT_FLOAT_EQ(hypotenuse(3e30f, 4e30f), 5e30f);
    EXPECT_FLOAT_EQ(hypotenuse(3e-30f, 4e-30f), 5e-30f);
    EXPECT_FLOAT_EQ(hypotenuse(1e38f, 1e38f), 1.41421356e38f);
}

}  // namespace
}  // namespace orvane
