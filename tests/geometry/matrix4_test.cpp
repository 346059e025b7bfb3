// The matrix kit, to the last bit: product sums in index order without fused multiply-add,
// the rigid inverse with its signed zeros, and the text dump character for character.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "geometry/matrix4.h"

namespace orvane {
namespace {

Matrix4 matrixOf(std::initializer_list<float> values) {
    Matrix4 m{};
    int i = 0;
    for (float v : values) {
        m.m[i++] = v;
    }
    return m;
}

// Bitwise equality, so that -0 and +0 differ.
void expectSameBits(const Matrix4& actual, const Matrix4& expected) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(std::memcmp(&actual.m[i], &expected.m[i], sizeof(float)), 0)
            << "element " << i << ": " << actual.m[i] << " vs " << expected.m[i];
    }
}

const Matrix4 kArbitrary = matrixOf({0.1f, -2.5f, 3.75f, 1e7f, 4.0f, 0.3f, -0.7f, -12.0f, 1e-3f, 5.5f, 6.25f, 0.0f,
                                     0.0f, 0.0f, 0.0f, 1.0f});

TEST(Matrix4, IdentityIsNeutralInBothPositions) {
    Matrix4 identity;
    identityMatrix(identity);
    Matrix4 product;
    expectSameBits(multiply(identity, kArbitrary, product), kArbitrary);
    expectSameBits(multiply(kArbitrary, identity, product), kArbitrary);
}

TEST(Matrix4, ProductSumsFromTheLowestIndexWithoutFusedMultiplyAdd) {
    // Row (1e8, 1, -1e8, 1) times a column of ones: summed from index 0 the 1 is absorbed by
    // 1e8 and the last 1 survives; any other order or grouping gives another number.
    Matrix4 a = matrixOf({1e8f, 1.0f, -1e8f, 1.0f});
    Matrix4 ones = matrixOf({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    Matrix4 product;
    multiply(a, ones, product);
    EXPECT_EQ(product.m[0], 1.0f);

    // x*x with x = 1 + 2^-12 is not representable; rounded it cancels exactly against
    // -(1 + 2^-11), fused it would leave 2^-24.
    const float x = 1.0f + std::ldexp(1.0f, -12);
    Matrix4 b = matrixOf({-1.0f, x});
    Matrix4 c = matrixOf({1.0f + std::ldexp(1.0f, -11), 0, 0, 0, x});
    multiply(b, c, product);
    EXPECT_EQ(product.m[0], 0.0f);

    Vector4 point{1.0f + std::ldexp(1.0f, -11), x, 0.0f, 0.0f};
    Vector4 out{};
    transformPoint(b, point, out);
    EXPECT_EQ(out.x, 0.0f);
}

TEST(Matrix4, ProductOfTwoGeneralMatrices) {
    Matrix4 a = matrixOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    Matrix4 b = matrixOf({0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 1, 1, 1, 1});
    Matrix4 product;
    multiply(a, b, product);
    expectSameBits(product, matrixOf({6, 5, 10, 4, 14, 13, 22, 8, 22, 21, 34, 12, 30, 29, 46, 16}));
}

TEST(Matrix4, TransformPointUsesTheLastColumnOnlyForPoints) {
    Matrix4 m = matrixOf({2, 0, 0, 10, 0, 3, 0, -5, 0, 0, 4, 2, 0, 0, 0, 1});
    Vector4 out{};
    transformPoint(m, Vector4{1, 1, 1, 1}, out);
    EXPECT_EQ(out.x, 12.0f);
    EXPECT_EQ(out.y, -2.0f);
    EXPECT_EQ(out.z, 6.0f);
    EXPECT_EQ(out.w, 1.0f);
    transformPoint(m, Vector4{1, 1, 1, 0}, out);
    EXPECT_EQ(out.x, 2.0f);
    EXPECT_EQ(out.y, 3.0f);
    EXPECT_EQ(out.z, 4.0f);
    EXPECT_EQ(out.w, 0.0f);
}

TEST(Matrix4, ScalingAndTranspose) {
    Matrix4 scaling;
    scalingMatrix(scaling, 2.0f, -3.0f, 0.5f);
    expectSameBits(scaling, matrixOf({2, 0, 0, 0, 0, -3, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1}));
    Matrix4 a = matrixOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    Matrix4 transposed;
    transposeMatrix(a, transposed);
    expectSameBits(transposed, matrixOf({1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}));
}

TEST(Matrix4, RigidInverseOfATranslation) {
    Matrix4 translation = matrixOf({1, 0, 0, 10, 0, 1, 0, -5, 0, 0, 1, 2, 0, 0, 0, 1});
    Matrix4 inverse;
    rigidInverse(translation, inverse);
    expectSameBits(inverse, matrixOf({1, 0, 0, -10, 0, 1, 0, 5, 0, 0, 1, -2, 0, 0, 0, 1}));
}

TEST(Matrix4, RigidInverseOfARotationIsItsTranspose) {
    Matrix4 rotation = matrixOf({0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    Matrix4 inverse;
    rigidInverse(rotation, inverse);
    expectSameBits(inverse, matrixOf({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));

    // Rotation and translation together undo each other exactly on these values.
    Matrix4 rigid = matrixOf({0, -1, 0, 3, 1, 0, 0, 4, 0, 0, 1, 5, 0, 0, 0, 1});
    rigidInverse(rigid, inverse);
    Matrix4 product;
    multiply(inverse, rigid, product);
    Matrix4 identity;
    identityMatrix(identity);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(product.m[i], identity.m[i]) << i;
    }
}

TEST(Matrix4, RigidInverseNegatesAZeroTranslationIntoMinusZero) {
    // The negated zero translation reaches the result where every other term is a zero of the
    // same sign: here through a bottom row of negative zeros.
    Matrix4 m = matrixOf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -0.0f, -0.0f, -0.0f, 1});
    Matrix4 inverse;
    rigidInverse(m, inverse);
    EXPECT_TRUE(std::signbit(inverse.m[3]));
    EXPECT_TRUE(std::signbit(inverse.m[7]));
    EXPECT_TRUE(std::signbit(inverse.m[11]));
    EXPECT_EQ(toText(inverse, "Inverse"),
              "Inverse: \n"
              "\t1.000000\t0.000000\t0.000000\t-0.000000\n"
              "\t0.000000\t1.000000\t0.000000\t-0.000000\n"
              "\t0.000000\t0.000000\t1.000000\t-0.000000\n"
              "\t0.000000\t0.000000\t0.000000\t1.000000\n");
}

TEST(Matrix4, TextDump) {
    Matrix4 identity;
    identityMatrix(identity);
    EXPECT_EQ(toText(identity, "Flip"),
              "Flip: \n"
              "\t1.000000\t0.000000\t0.000000\t0.000000\n"
              "\t0.000000\t1.000000\t0.000000\t0.000000\n"
              "\t0.000000\t0.000000\t1.000000\t0.000000\n"
              "\t0.000000\t0.000000\t0.000000\t1.000000\n");

    Matrix4 mixed = matrixOf({-1.5f, 0.1f, 1e-7f, 123456.789f, 0, 0, 0, 0, 0, 0, 0, 0,
                              std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 2.0f / 3.0f, -0.0f});
    EXPECT_EQ(toText(mixed, "FMR to VMR"),
              "FMR to VMR: \n"
              "\t-1.500000\t0.100000\t0.000000\t123456.789062\n"
              "\t0.000000\t0.000000\t0.000000\t0.000000\n"
              "\t0.000000\t0.000000\t0.000000\t0.000000\n"
              "\tinf\t-inf\t0.666667\t-0.000000\n");
}

TEST(Matrix4, TextDumpOfHugeElementsIsComplete) {
    Matrix4 huge;
    for (float& e : huge.m) {
        e = -FLT_MAX;
    }
    const std::string number = "-340282346638528859811704183484516925440.000000";
    std::string row = "\t" + number + "\t" + number + "\t" + number + "\t" + number + "\n";
    const std::string caption(600, 'c');
    EXPECT_EQ(toText(huge, caption), caption + ": \n" + row + row + row + row);
}

TEST(Matrix4, AbsoluteValue) {
    EXPECT_EQ(absoluteValue(-3.25f), 3.25f);
    EXPECT_FALSE(std::signbit(absoluteValue(-0.0f)));
    EXPECT_EQ(absoluteValue(-FLT_MAX), FLT_MAX);
}

}  // namespace
}  // namespace orvane
