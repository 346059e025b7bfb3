// The decomposition itself: the singular values and vectors of small cases worked out by hand,
// and reconstruction of random square and tall matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "geometry/singular_value_decomposition.h"

namespace orvane {
namespace {

FloatMatrix2D fromRows(const std::vector<std::vector<float>>& rows) {
    FloatMatrix2D a(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (int r = 0; r < a.rows(); ++r) {
        for (int c = 0; c < a.columns(); ++c) {
            a[r][c] = rows[r][c];
        }
    }
    return a;
}

struct Decomposition {
    bool converged;
    FloatMatrix2D u;
    std::vector<float> w;
    FloatMatrix2D v;
};

Decomposition decompose(FloatMatrix2D a) {
    Decomposition d{false, std::move(a), {}, {}};
    d.converged = decomposeSvd(d.u, d.w, d.v);
    return d;
}

// Largest deviation of the columns of q from an orthonormal set, computed in double.
double orthonormalityError(const FloatMatrix2D& q) {
    double worst = 0.0;
    for (int i = 0; i < q.columns(); ++i) {
        for (int j = 0; j < q.columns(); ++j) {
            double dot = 0.0;
            for (int r = 0; r < q.rows(); ++r) {
                dot += double(q[r][i]) * double(q[r][j]);
            }
            worst = std::max(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    }
    return worst;
}

// Largest |A - U diag(w) V^T| element, computed in double.
double reconstructionError(const FloatMatrix2D& a, const Decomposition& d) {
    double worst = 0.0;
    for (int r = 0; r < a.rows(); ++r) {
        for (int c = 0; c < a.columns(); ++c) {
            double sum = 0.0;
            for (int k = 0; k < a.columns(); ++k) {
                sum += double(d.u[r][k]) * double(d.w[k]) * double(d.v[c][k]);
            }
            worst = std::max(worst, std::fabs(sum - double(a[r][c])));
        }
    }
    return worst;
}

TEST(SingularValueDecomposition, DiagonalMatricesKeepTheirOrderAndTurnNegativeValuesIntoSignFlips) {
    const FloatMatrix2D identity = fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    Decomposition d = decompose(identity);
    ASSERT_TRUE(d.converged);
    EXPECT_EQ(d.w, (std::vector<float>{1, 1, 1, 1}));

    d = decompose(FloatMatrix2D(4, 4));
    ASSERT_TRUE(d.converged);
    EXPECT_EQ(d.w, (std::vector<float>{0, 0, 0, 0}));

    d = decompose(fromRows({{2, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}));
    ASSERT_TRUE(d.converged);
    EXPECT_EQ(d.w, (std::vector<float>{2, 0, 1, 1}));

    // The -4 comes out as the singular value 4; the sign lives in the vectors: column 1 of V is
    // the negative of column 1 of U, while the other columns of U and V agree.
    const FloatMatrix2D a = fromRows({{2, 0, 0, 0}, {0, -4, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    d = decompose(a);
    ASSERT_TRUE(d.converged);
    EXPECT_EQ(d.w, (std::vector<float>{2, 4, 1, 1}));
    for (int k = 0; k < 4; ++k) {
        for (int r = 0; r < 4; ++r) {
            const float expected = r == k ? 1.0f : 0.0f;
            EXPECT_EQ(std::fabs(d.v[r][k]), expected) << r << "," << k;
            EXPECT_EQ(d.v[r][k], (k == 1 ? -1.0f : 1.0f) * d.u[r][k]) << r << "," << k;
        }
    }
    EXPECT_EQ(reconstructionError(a, d), 0.0);
}

TEST(SingularValueDecomposition, TranslationMatrixValuesStayInTheOrderTheSweepsLeaveThem) {
    const FloatMatrix2D a = fromRows({{1, 0, 0, 10}, {0, 1, 0, -5}, {0, 0, 1, 3}, {0, 0, 0, 1}});
    const Decomposition d = decompose(a);
    ASSERT_TRUE(d.converged);
    // In the plane of the translation t the matrix acts like [[1, |t|], [0, 1]], whose singular
    // values s and 1/s satisfy s^2 + 1/s^2 = 2 + |t|^2.
    const double t2 = 134.0;
    const double large = std::sqrt(((2.0 + t2) + std::sqrt((2.0 + t2) * (2.0 + t2) - 4.0)) / 2.0);
    ASSERT_EQ(d.w.size(), 4u);
    EXPECT_NEAR(d.w[0], large, 1e-5 * large);  // about 11.66
    EXPECT_NEAR(d.w[1], 1.0 / large, 1e-5);    // about 0.0858
    EXPECT_NEAR(d.w[2], 1.0, 1e-6);
    EXPECT_NEAR(d.w[3], 1.0, 1e-6);
    EXPECT_LT(reconstructionError(a, d), 1e-5);
    EXPECT_LT(orthonormalityError(d.u), 1e-6);
    EXPECT_LT(orthonormalityError(d.v), 1e-6);
}

TEST(SingularValueDecomposition, RankDeficiencyLeavesATinyNonZeroValue) {
    const FloatMatrix2D a = fromRows({{1, 2, 3, 4}, {1, 2, 3, 4}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    const Decomposition d = decompose(a);
    ASSERT_TRUE(d.converged);
    int tiny = 0;
    for (float value : d.w) {
        EXPECT_GE(value, 0.0f);
        if (value < 1e-6f) {
            EXPECT_GT(value, 0.0f);
            ++tiny;
        }
    }
    EXPECT_EQ(tiny, 1);
    EXPECT_LT(reconstructionError(a, d), 1e-5);
}

// Already bidiagonal with an exact zero on the diagonal above a non-zero superdiagonal element:
// that element has to be rotated away before the block can split.
TEST(SingularValueDecomposition, ZeroOnTheBidiagonalIsCancelledBeforeSplitting) {
    const FloatMatrix2D a = fromRows({{1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 1}, {0, 0, 0, 1}});
    const Decomposition d = decompose(a);
    ASSERT_TRUE(d.converged);
    int zeros = 0;
    for (float value : d.w) {
        EXPECT_GE(value, 0.0f);
        zeros += value < 1e-6f ? 1 : 0;
    }
    EXPECT_EQ(zeros, 1);
    EXPECT_LT(reconstructionError(a, d), 1e-6);
    EXPECT_LT(orthonormalityError(d.u), 1e-6);
    EXPECT_LT(orthonormalityError(d.v), 1e-6);
}

// Random matrices of several shapes, square and tall, including tall ones with repeated
// columns (rank deficient): U diag(w) V^T gives A back and U, V have orthonormal columns.
TEST(SingularValueDecomposition, ReconstructsRandomSquareAndTallMatrices) {
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<float> element(-10.0f, 10.0f);
    const int shapes[][2] = {{4, 4}, {6, 4}, {6, 4}, {9, 5}, {7, 7}, {5, 1}, {1, 1}};
    for (int trial = 0; trial < 40; ++trial) {
        for (const auto& shape : shapes) {
            FloatMatrix2D a(shape[0], shape[1]);
            for (int r = 0; r < a.rows(); ++r) {
                for (int c = 0; c < a.columns(); ++c) {
                    a[r][c] = element(random);
                }
                if (trial % 4 == 3 && a.columns() > 2) {
                    a[r][2] = a[r][0];
                }
            }
            double size = 0.0;
            for (int r = 0; r < a.rows(); ++r) {
                for (int c = 0; c < a.columns(); ++c) {
                    size = std::max(size, std::fabs(double(a[r][c])));
                }
            }
            const Decomposition d = decompose(a);
            SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << a.rows() << "x" << a.columns());
            ASSERT_TRUE(d.converged);
            ASSERT_EQ(d.u.rows(), a.rows());
            ASSERT_EQ(d.v.rows(), a.columns());
            for (float value : d.w) {
                EXPECT_GE(value, 0.0f);
            }
            EXPECT_LT(reconstructionError(a, d), 1e-5 * size);
            EXPECT_LT(orthonormalityError(d.v), 1e-5);
            EXPECT_LT(orthonormalityError(d.u), 1e-5);
        }
    }
}

TEST(SingularValueDecomposition, NotANumberNeverConverges) {
    FloatMatrix2D a(6, 4);
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = r == c ? 1.0f : 0.0f;
        }
    }
    a[5][3] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(decompose(a).converged);
}

}  // namespace
}  // namespace orvane
