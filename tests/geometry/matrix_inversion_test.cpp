// Inversion of 4x4 matrices: the hand-worked cases, a double-precision Gauss-Jordan reference
// for random and realistic voxel-mapping matrices, aliasing, and failure on non-finite input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <random>

#include "geometry/matrix_inversion.h"

namespace orvane {
namespace {

using Double4 = double[4][4];

Matrix4 fromRows(std::initializer_list<float> elements) {
    Matrix4 m{};
    int i = 0;
    for (float e : elements) {
        m.m[i++] = e;
    }
    return m;
}

Matrix4 filledWith(float value) {
    Matrix4 m;
    for (float& e : m.m) {
        e = value;
    }
    return m;
}

bool sameBits(const Matrix4& a, const Matrix4& b) { return std::memcmp(a.m, b.m, sizeof a.m) == 0; }

// Gauss-Jordan elimination with partial pivoting in double precision; false when singular.
bool referenceInverse(const Matrix4& source, Double4& inverse) {
    double work[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            work[r][c] = source.at(r, c);
            work[r][4 + c] = r == c ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r) {
            if (std::fabs(work[r][col]) > std::fabs(work[pivot][col])) {
                pivot = r;
            }
        }
        if (work[pivot][col] == 0.0) {
            return false;
        }
        std::swap(work[pivot], work[col]);
        const double divisor = work[col][col];
        for (double& e : work[col]) {
            e /= divisor;
        }
        for (int r = 0; r < 4; ++r) {
            if (r != col) {
                const double factor = work[r][col];
                for (int c = 0; c < 8; ++c) {
                    work[r][c] -= factor * work[col][c];
                }
            }
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            inverse[r][c] = work[r][4 + c];
        }
    }
    return true;
}

// Inverts a with invertMatrix4 and checks it against the double reference (relative to the
// reference's largest element) and A x inverse against the identity (relative to the size of
// the terms summed for each element).
void expectAccurateInverse(const Matrix4& a, double tolerance) {
    Matrix4 inverse = filledWith(-7.0f);
    ASSERT_TRUE(invertMatrix4(a, inverse)) << toText(a, "source");
    Double4 reference;
    ASSERT_TRUE(referenceInverse(a, reference));
    double largest = 0.0;
    for (const auto& row : reference) {
        for (double e : row) {
            largest = std::max(largest, std::fabs(e));
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(inverse.at(r, c), reference[r][c], tolerance * largest)
                << r << "," << c << "\n" << toText(a, "source") << toText(inverse, "inverse");
            double product = 0.0;
            double magnitude = 0.0;
            for (int k = 0; k < 4; ++k) {
                product += double(a.at(r, k)) * double(inverse.at(k, c));
                magnitude += std::fabs(double(a.at(r, k)) * double(inverse.at(k, c)));
            }
            EXPECT_NEAR(product, r == c ? 1.0 : 0.0, tolerance * std::max(1.0, magnitude))
                << r << "," << c << "\n" << toText(a, "source");
        }
    }
}

TEST(InvertMatrix4, HandWorkedCases) {
    Matrix4 identity;
    identityMatrix(identity);
    Matrix4 inverse = filledWith(-7.0f);
    ASSERT_TRUE(invertMatrix4(identity, inverse));
    EXPECT_TRUE(sameBits(inverse, identity)) << toText(inverse, "inverse");

    ASSERT_TRUE(invertMatrix4(Matrix4{}, inverse));  // every singular value 0, every one skipped
    EXPECT_TRUE(sameBits(inverse, Matrix4{})) << toText(inverse, "inverse");

    ASSERT_TRUE(invertMatrix4(fromRows({2, 0, 0, 0, 0, -4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), inverse));
    EXPECT_TRUE(sameBits(inverse, fromRows({0.5f, 0, 0, 0, 0, -0.25f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})))
        << toText(inverse, "inverse");

    // The zero singular value is skipped: the pseudo-inverse on that axis.
    ASSERT_TRUE(invertMatrix4(fromRows({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), inverse));
    EXPECT_TRUE(sameBits(inverse, fromRows({0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})))
        << toText(inverse, "inverse");

    // Translation: exact inverse up to single-precision rounding; no row is forced.
    ASSERT_TRUE(invertMatrix4(fromRows({1, 0, 0, 10, 0, 1, 0, -5, 0, 0, 1, 3, 0, 0, 0, 1}), inverse));
    const Matrix4 exact = fromRows({1, 0, 0, -10, 0, 1, 0, 5, 0, 0, 1, -3, 0, 0, 0, 1});
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(inverse.m[i], exact.m[i], 1e-5f * std::max(1.0f, std::fabs(exact.m[i]))) << i;
    }
}

TEST(InvertMatrix4, NearlySingularMatrixIsInvertedInFullWithoutAThreshold) {
    const Matrix4 a = fromRows({1, 2, 3, 4, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0, 0, 1});
    Matrix4 inverse = filledWith(-7.0f);
    ASSERT_TRUE(invertMatrix4(a, inverse));
    float largest = 0.0f;
    for (float e : inverse.m) {
        ASSERT_TRUE(std::isfinite(e));
        largest = std::max(largest, std::fabs(e));
    }
    EXPECT_GT(largest, 1e6f) << toText(inverse, "inverse");
    EXPECT_LT(largest, 1e9f) << toText(inverse, "inverse");
}

TEST(InvertMatrix4, SourceIsUntouchedAndMayBeTheDestination) {
    const Matrix4 original = fromRows({0.3f, 0.1f, -0.2f, 12, 0.05f, -0.33f, 0.1f, -20, 0.2f, 0.1f, 0.31f, 7, 0, 0, 0, 1});
    Matrix4 source = original;
    Matrix4 separate;
    ASSERT_TRUE(invertMatrix4(source, separate));
    EXPECT_TRUE(sameBits(source, original));

    Matrix4 inPlace = original;
    ASSERT_TRUE(invertMatrix4(inPlace, inPlace));
    EXPECT_TRUE(sameBits(inPlace, separate)) << toText(inPlace, "in place") << toText(separate, "separate");
}

TEST(InvertMatrix4, RandomWellConditionedMatricesMatchTheDoubleReference) {
    std::mt19937 random(7321u);
    std::uniform_real_distribution<float> element(-10.0f, 10.0f);
    int tested = 0;
    while (tested < 300) {
        Matrix4 a;
        for (float& e : a.m) {
            e = element(random);
        }
        // Keep matrices whose infinity-norm condition number is at most 100.
        Double4 reference;
        if (!referenceInverse(a, reference)) {
            continue;
        }
        double normA = 0.0;
        double normInverse = 0.0;
        for (int r = 0; r < 4; ++r) {
            double rowA = 0.0;
            double rowInverse = 0.0;
            for (int c = 0; c < 4; ++c) {
                rowA += std::fabs(double(a.at(r, c)));
                rowInverse += std::fabs(reference[r][c]);
            }
            normA = std::max(normA, rowA);
            normInverse = std::max(normInverse, rowInverse);
        }
        if (normA * normInverse > 100.0) {
            continue;
        }
        SCOPED_TRACE(testing::Message() << "matrix " << tested);
        expectAccurateInverse(a, 1e-4);
        ++tested;
    }
}

// Rotation by angle about an axis (normalised here), built in double and rounded once.
Matrix4 rotation(double x, double y, double z, double angle) {
    const double length = std::sqrt(x * x + y * y + z * z);
    x /= length;
    y /= length;
    z /= length;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    return fromRows({float(t * x * x + c), float(t * x * y - s * z), float(t * x * z + s * y), 0,
                     float(t * x * y + s * z), float(t * y * y + c), float(t * y * z - s * x), 0,
                     float(t * x * z - s * y), float(t * y * z + s * x), float(t * z * z + c), 0,
                     0, 0, 0, 1});
}

// Matrices shaped like the voxel mappings that get inverted: a slice-order flip, an inverse
// scaling of 1/3 or a scaling of 3 per axis, an oblique rotation with a translation of tens of
// voxels, past flips and a voxel-size scaling, multiplied in single precision.
TEST(InvertMatrix4, VoxelMappingMatricesMatchTheDoubleReference) {
    const double axes[][3] = {{1, 1, 1}, {0.2, -0.7, 0.4}, {-3, 1, 0.5}, {0, 0, 1}};
    const double angles[] = {0.0, 0.13, -0.61, 1.9};
    const float scales[][3] = {{1 / 3.0f, 1 / 3.0f, 1 / 3.0f}, {3, 3, 3}, {1 / 3.0f, 3, 1 / 3.0f}};
    const float translations[][3] = {{12.5f, -30, 41}, {-64, 17.25f, -9}};
    int tested = 0;
    for (const auto& axis : axes) {
        for (double angle : angles) {
            for (const auto& scale : scales) {
                for (const auto& translation : translations) {
                    for (int flips = 0; flips < 4; ++flips) {
                        Matrix4 sliceFlip;
                        identityMatrix(sliceFlip);
                        sliceFlip.at(2, 2) = (flips & 1) ? -1.0f : 1.0f;
                        Matrix4 fmrScaling;
                        scalingMatrix(fmrScaling, scale[0], scale[1], scale[2]);
                        Matrix4 alignment = rotation(axis[0], axis[1], axis[2], angle);
                        alignment.at(0, 3) = translation[0];
                        alignment.at(1, 3) = translation[1];
                        alignment.at(2, 3) = translation[2];
                        Matrix4 pastFlip;
                        scalingMatrix(pastFlip, (flips & 2) ? -1.0f : 1.0f, 1.0f, 1.0f);
                        Matrix4 vmrScaling;
                        scalingMatrix(vmrScaling, 1.0f, 1.0f, 1.2f);

                        Matrix4 t1;
                        Matrix4 t2;
                        Matrix4 vmrVoxelToFmrVoxel;
                        multiply(sliceFlip, fmrScaling, t1);
                        multiply(t1, alignment, t2);
                        multiply(t2, pastFlip, t1);
                        multiply(t1, vmrScaling, vmrVoxelToFmrVoxel);

                        SCOPED_TRACE(testing::Message() << "mapping " << tested);
                        expectAccurateInverse(vmrVoxelToFmrVoxel, 1e-4);
                        ++tested;
                    }
                }
            }
        }
    }
    EXPECT_EQ(tested, 384);
}

TEST(InvertMatrix4, NonFiniteElementsFailAndLeaveTheDestinationAlone) {
    const Matrix4 bases[] = {fromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}),
                             fromRows({0.3f, 0.1f, -0.2f, 12, 0.05f, -0.33f, 0.1f, -20, 0.2f, 0.1f, 0.31f, 7, 0, 0, 0, 1})};
    const float nonFinite[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity()};
    const Matrix4 untouched = filledWith(-7.0f);
    for (const Matrix4& base : bases) {
        for (float value : nonFinite) {
            for (int position = 0; position < 16; ++position) {
                Matrix4 source = base;
                source.m[position] = value;
                Matrix4 destination = untouched;
                EXPECT_FALSE(invertMatrix4(source, destination)) << value << " at " << position;
                EXPECT_TRUE(sameBits(destination, untouched)) << value << " at " << position;
            }
        }
    }
    Matrix4 allNaN = filledWith(std::numeric_limits<float>::quiet_NaN());
    Matrix4 destination = untouched;
    EXPECT_FALSE(invertMatrix4(allNaN, destination));
    EXPECT_TRUE(sameBits(destination, untouched));
}

TEST(InvertMapping, ProperMappingsAreInvertedAndDegenerateOnesRefused) {
    const Matrix4 proper = fromRows({0.5f, 0, 0, -1, 0, 0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1});
    Matrix4 expected;
    ASSERT_TRUE(invertMatrix4(proper, expected));
    const std::optional<Matrix4> inverse = invertMapping(proper);
    ASSERT_TRUE(inverse.has_value());
    EXPECT_TRUE(sameBits(*inverse, expected));

    const struct {
        const char* what;
        Matrix4 mapping;
    } degenerate[] = {
        // The decomposition would give a pseudo-inverse of this one: a projection onto a plane.
        {"a zero voxel size", fromRows({0.5f, 0, 0, -1, 0, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})},
        {"a non-finite element", fromRows({0.5f, 0, 0, -1, 0, std::numeric_limits<float>::infinity(), 0, 0, 0, 0,
                                           0.5f, 0, 0, 0, 0, 1})},
        // Not singular, but its inverse does not fit in single precision.
        {"an inverse beyond the float range", fromRows({1e-39f, 0, 0, 0, 0, 1e-39f, 0, 0, 0, 0, 1e-39f, 0, 0, 0, 0, 1})},
    };
    for (const auto& d : degenerate) {
        EXPECT_FALSE(invertMapping(d.mapping).has_value()) << d.what;
    }
}

TEST(InvertSquareMatrix, LeavesUInTheInputAndRefusesNonSquareMatrices) {
    FloatMatrix2D a(3, 3);
    const float elements[3][3] = {{4, 1, 0}, {-2, 3, 1}, {0.5f, 0, 2}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            a[r][c] = elements[r][c];
        }
    }
    FloatMatrix2D inverse;
    ASSERT_TRUE(invertSquareMatrix(a, inverse));
    ASSERT_EQ(inverse.rows(), 3);
    ASSERT_EQ(inverse.columns(), 3);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double product = 0.0;
            double uColumns = 0.0;
            for (int k = 0; k < 3; ++k) {
                product += double(elements[r][k]) * double(inverse[k][c]);
                uColumns += double(a[k][r]) * double(a[k][c]);
            }
            EXPECT_NEAR(product, r == c ? 1.0 : 0.0, 1e-6);
            EXPECT_NEAR(uColumns, r == c ? 1.0 : 0.0, 1e-6);
        }
    }

    FloatMatrix2D tall(4, 3);
    FloatMatrix2D kept(2, 2);
    kept[1][1] = 5.0f;
    EXPECT_FALSE(invertSquareMatrix(tall, kept));
    EXPECT_EQ(kept.rows(), 2);
    EXPECT_EQ(kept[1][1], 5.0f);
}

}  // namespace
}  // namespace orvane
