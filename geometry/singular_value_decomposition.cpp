// Singular value decomposition by Householder bidiagonalisation and implicit-shift QR.
#include "geometry/singular_value_decomposition.h"

#include <cmath>

#include "geometry/float_scalar_operations.h"

namespace orvane {
namespace {

// |x| is negligible when adding it to the norm bound leaves the bound unchanged. The sum is
// rounded to single precision before the comparison: kept wider, it would let tiny values
// count and change where the diagonalisation splits.
bool isNegligible(float x, float normBound) { return roundToFloat(std::fabs(x) + normBound) == normBound; }

// Column i of a on and below the diagonal (rows i..m-1) is replaced by the Householder vector
// that zeroes it below the diagonal; every column to the right of i is transformed with it.
// Leaves scale = the column's 1-norm and g = the new diagonal element divided by scale
// (both stay 0 for a zero column).
void reduceColumn(FloatMatrix2D& a, int i, float& g, float& scale) {
    const int m = a.rows();
    const int n = a.columns();
    const int l = i + 1;
    float s = 0.0f;
    for (int k = i; k < m; ++k) {
        scale = scale + std::fabs(a[k][i]);
    }
    if (scale == 0.0f) {
        return;
    }
    for (int k = i; k < m; ++k) {
        a[k][i] = a[k][i] / scale;
        s = s + a[k][i] * a[k][i];
    }
    float f = a[i][i];
    g = -transferSign(std::sqrt(s), f);
    const float h = f * g - s;
    a[i][i] = f - g;
    for (int j = l; j < n; ++j) {
        s = 0.0f;
        for (int k = i; k < m; ++k) {
            s = s + a[k][i] * a[k][j];
        }
        f = s / h;
        for (int k = i; k < m; ++k) {
            a[k][j] = a[k][j] + f * a[k][i];
        }
    }
    for (int k = i; k < m; ++k) {
        a[k][i] = a[k][i] * scale;
    }
}

// Row i of a from the superdiagonal on (columns i+1..n-1) is replaced by the Householder vector
// that zeroes it beyond the superdiagonal; rows below i are transformed with it, using e[l..n-1]
// as scratch. Leaves scale and g as reduceColumn does, for the superdiagonal element.
void reduceRow(FloatMatrix2D& a, std::vector<float>& e, int i, float& g, float& scale) {
    const int m = a.rows();
    const int n = a.columns();
    const int l = i + 1;
    float s = 0.0f;
    for (int k = l; k < n; ++k) {
        scale = scale + std::fabs(a[i][k]);
    }
    if (scale == 0.0f) {
        return;
    }
    for (int k = l; k < n; ++k) {
        a[i][k] = a[i][k] / scale;
        s = s + a[i][k] * a[i][k];
    }
    const float f = a[i][l];
    g = -transferSign(std::sqrt(s), f);
    const float h = f * g - s;
    a[i][l] = f - g;
    for (int k = l; k < n; ++k) {
        e[k] = a[i][k] / h;
    }
    for (int j = l; j < m; ++j) {
        s = 0.0f;
        for (int k = l; k < n; ++k) {
            s = s + a[j][k] * a[i][k];
        }
        for (int k = l; k < n; ++k) {
            a[j][k] = a[j][k] + s * e[k];
        }
    }
    for (int k = l; k < n; ++k) {
        a[i][k] = a[i][k] * scale;
    }
}

// Householder reduction to bidiagonal form: diagonal into w, superdiagonal into e (e[0] = 0).
// Returns the norm bound, the largest non-NaN |w[i]| + |e[i]|.
float reduceToBidiagonal(FloatMatrix2D& a, std::vector<float>& w, std::vector<float>& e) {
    const int m = a.rows();
    const int n = a.columns();
    float g = 0.0f;
    float scale = 0.0f;
    float normBound = 0.0f;
    for (int i = 0; i < n; ++i) {
        e[i] = scale * g;
        g = 0.0f;
        scale = 0.0f;
        if (i < m) {
            reduceColumn(a, i, g, scale);
        }
        w[i] = scale * g;
        g = 0.0f;
        scale = 0.0f;
        if (i < m && i != n - 1) {
            reduceRow(a, e, i, g, scale);
        }
        normBound = floatMax(normBound, roundToFloat(std::fabs(w[i]) + std::fabs(e[i])));
    }
    return normBound;
}

// Builds V from the row Householder vectors left in a, last transformation first.
void accumulateRightTransformations(const FloatMatrix2D& a, const std::vector<float>& e, FloatMatrix2D& v) {
    const int n = a.columns();
    float g = 0.0f;
    int l = n;
    for (int i = n - 1; i >= 0; --i) {
        if (i < n - 1) {
            if (g != 0.0f) {
                // Two divisions rather than one by a product, which could underflow.
                for (int j = l; j < n; ++j) {
                    v[j][i] = (a[i][j] / a[i][l]) / g;
                }
                for (int j = l; j < n; ++j) {
                    float s = 0.0f;
                    for (int k = l; k < n; ++k) {
                        s = s + a[i][k] * v[k][j];
                    }
                    for (int k = l; k < n; ++k) {
                        v[k][j] = v[k][j] + s * v[k][i];
                    }
                }
            }
            for (int j = l; j < n; ++j) {
                v[i][j] = 0.0f;
                v[j][i] = 0.0f;
            }
        }
        v[i][i] = 1.0f;
        g = e[i];
        l = i;
    }
}

// Turns a into U from the column Householder vectors left in it, last transformation first.
void accumulateLeftTransformations(FloatMatrix2D& a, const std::vector<float>& w) {
    const int m = a.rows();
    const int n = a.columns();
    for (int i = intMin(m, n) - 1; i >= 0; --i) {
        const int l = i + 1;
        float g = w[i];
        for (int j = l; j < n; ++j) {
            a[i][j] = 0.0f;
        }
        if (g != 0.0f) {
            g = 1.0f / g;
            for (int j = l; j < n; ++j) {
                float s = 0.0f;
                for (int k = l; k < m; ++k) {
                    s = s + a[k][i] * a[k][j];
                }
                const float f = (s / a[i][i]) * g;
                for (int k = i; k < m; ++k) {
                    a[k][j] = a[k][j] + f * a[k][i];
                }
            }
            for (int j = i; j < m; ++j) {
                a[j][i] = a[j][i] * g;
            }
        } else {
            for (int j = i; j < m; ++j) {
                a[j][i] = 0.0f;
            }
        }
        a[i][i] = a[i][i] + 1.0f;
    }
}

// Applies the plane rotation (c, s) to columns first and second of every row of matrix.
void rotateColumns(FloatMatrix2D& matrix, int first, int second, float c, float s) {
    for (int r = 0; r < matrix.rows(); ++r) {
        const float p = matrix[r][first];
        const float q = matrix[r][second];
        matrix[r][first] = p * c + q * s;
        matrix[r][second] = q * c - p * s;
    }
}

// w[l-1] is negligible, so e[l] can be rotated away, down the rows l..k, making a split at l.
void cancelSuperdiagonal(FloatMatrix2D& u, std::vector<float>& w, std::vector<float>& e, int l, int k,
                         float normBound) {
    float c = 0.0f;
    float s = 1.0f;
    for (int i = l; i <= k; ++i) {
        const float f = s * e[i];
        e[i] = c * e[i];
        if (isNegligible(f, normBound)) {
            break;
        }
        const float g = w[i];
        float h = hypotenuse(f, g);
        w[i] = h;
        h = 1.0f / h;
        c = g * h;
        s = (-f) * h;
        // The rotation acts on columns l-1 and i, not on neighbouring columns.
        for (int j = 0; j < u.rows(); ++j) {
            const float y = u[j][l - 1];
            const float z = u[j][i];
            u[j][l - 1] = y * c + z * s;
            u[j][i] = z * c - y * s;
        }
    }
}

// One implicit-shift QR sweep over the unreduced block l..k, shifted by the eigenvalue of the
// trailing 2 x 2 block that is closer to its last diagonal element.
void sweep(FloatMatrix2D& u, std::vector<float>& w, std::vector<float>& e, FloatMatrix2D& v, int l, int k) {
    const float z0 = w[k];
    float x = w[l];
    float y = w[k - 1];
    float g = e[k - 1];
    float h = e[k];
    float f = ((y - z0) * (y + z0) + (g - h) * (g + h)) / ((2.0f * h) * y);
    g = hypotenuse(f, 1.0f);
    f = ((x - z0) * (x + z0) + h * (y / (f + transferSign(g, f)) - h)) / x;

    float c = 1.0f;
    float s = 1.0f;
    for (int j = l; j < k; ++j) {
        const int i = j + 1;
        g = e[i];
        y = w[i];
        h = s * g;
        g = c * g;
        float z = hypotenuse(f, h);
        e[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y = y * c;
        rotateColumns(v, j, i, c, s);
        z = hypotenuse(f, h);
        w[j] = z;
        if (z != 0.0f) {
            z = 1.0f / z;
            c = f * z;
            s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        rotateColumns(u, j, i, c, s);
    }
    e[l] = 0.0f;
    e[k] = f;
    w[k] = x;
}

// Diagonalises the bidiagonal form from the last singular value to the first. Returns false as
// soon as one of them has not converged within the pass limit.
bool diagonalise(FloatMatrix2D& u, std::vector<float>& w, std::vector<float>& e, FloatMatrix2D& v,
                 float normBound) {
    const int n = v.rows();
    for (int k = n - 1; k >= 0; --k) {
        for (int pass = 0; pass < kSvdPassLimit; ++pass) {
            // Look for a split: a negligible e[l] makes w[l..k] an independent block; a
            // negligible w[l-1] means e[l] must first be cancelled. e[0] is always 0, so the
            // search stops at l = 0; the explicit test there only guards the index.
            bool cancel = true;
            int l = k;
            for (; l >= 0; --l) {
                if (l == 0 || isNegligible(e[l], normBound)) {
                    cancel = false;
                    break;
                }
                if (isNegligible(w[l - 1], normBound)) {
                    break;
                }
            }
            if (cancel) {
                cancelSuperdiagonal(u, w, e, l, k, normBound);
            }
            const float z = w[k];
            if (l == k) {
                // Converged; singular values are made non-negative (-0 and NaN stay as they are).
                if (z < 0.0f) {
                    w[k] = -z;
                    for (int j = 0; j < n; ++j) {
                        v[j][k] = -v[j][k];
                    }
                }
                break;
            }
            if (pass == kSvdPassLimit - 1) {
                return false;
            }
            sweep(u, w, e, v, l, k);
        }
    }
    return true;
}

}  // namespace

bool decomposeSvd(FloatMatrix2D& a, std::vector<float>& w, FloatMatrix2D& v) {
    const int n = a.columns();
    w.assign(static_cast<std::size_t>(n), 0.0f);
    v = FloatMatrix2D(n, n);
    std::vector<float> e(static_cast<std::size_t>(n), 0.0f);  // superdiagonal of the bidiagonal form

    const float normBound = reduceToBidiagonal(a, w, e);
    accumulateRightTransformations(a, e, v);
    accumulateLeftTransformations(a, w);
    return diagonalise(a, w, e, v, normBound);
}

}  // namespace orvane
