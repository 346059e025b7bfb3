// General matrix inversion through the singular value decomposition, and the guarded inverse
// of a mapping.
#include "geometry/matrix_inversion.h"

#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "geometry/singular_value_decomposition.h"

namespace orvane {

bool invertSquareMatrix(FloatMatrix2D& a, FloatMatrix2D& inverse) {
    const int n = a.rows();
    if (a.columns() != n) {
        return false;
    }
    std::vector<float> w;
    FloatMatrix2D v;
    if (!decomposeSvd(a, w, v)) {
        return false;
    }
    const FloatMatrix2D& u = a;
    FloatMatrix2D result(n, n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < n; ++k) {
                if (w[k] != 0.0f) {
                    sum = sum + (u[j][k] * v[i][k]) / w[k];
                }
            }
            result[i][j] = sum;
        }
    }
    inverse = std::move(result);
    return true;
}

bool invertMatrix4(const Matrix4& source, Matrix4& destination) {
    try {
        FloatMatrix2D work(4, 4);
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                work[r][c] = source.m[4 * r + c];
            }
        }
        FloatMatrix2D workInverse;
        if (!invertSquareMatrix(work, workInverse)) {
            return false;
        }
        // source is no longer read from here on, so it may be the destination.
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                destination.m[4 * r + c] = workInverse[r][c];
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

bool allFinite(const Matrix4& m) {
    for (float element : m.m) {
        if (!std::isfinite(element)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<Matrix4> invertMapping(const Matrix4& mapping) {
    if (!allFinite(mapping)) {
        return std::nullopt;
    }
    auto e = [&](int r, int c) { return static_cast<double>(mapping.at(r, c)); };
    const double linearDeterminant = e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) -
                                     e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
                                     e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
    if (linearDeterminant == 0.0) {
        return std::nullopt;
    }
    Matrix4 inverse;
    if (!invertMatrix4(mapping, inverse) || !allFinite(inverse)) {
        return std::nullopt;
    }
    return inverse;
}

}  // namespace orvane
