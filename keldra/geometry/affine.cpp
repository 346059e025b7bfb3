// Double-precision affine arithmetic.
#include "keldra/geometry/affine.h"

#include <cmath>
#include <utility>

namespace orvane::keldra {

Vector3d operator+(const Vector3d& a, const Vector3d& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3d operator-(const Vector3d& a, const Vector3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector3d operator*(double s, const Vector3d& a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(const Vector3d& a, const Vector3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vector3d cross(const Vector3d& a, const Vector3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const Vector3d& a) { return std::sqrt(dot(a, a)); }

Affine Affine::identity() {
    Affine a;
    for (int i = 0; i < 4; ++i) {
        a.m[i][i] = 1;
    }
    return a;
}

Affine Affine::translation(const Vector3d& t) {
    Affine a = identity();
    a.m[0][3] = t.x;
    a.m[1][3] = t.y;
    a.m[2][3] = t.z;
    return a;
}

Affine Affine::scaling(double sx, double sy, double sz) {
    Affine a = identity();
    a.m[0][0] = sx;
    a.m[1][1] = sy;
    a.m[2][2] = sz;
    return a;
}

Affine Affine::rotation(double aboutXDegrees, double aboutYDegrees, double aboutZDegrees) {
    const double toRadians = std::acos(-1.0) / 180.0;
    const double cx = std::cos(aboutXDegrees * toRadians), sx = std::sin(aboutXDegrees * toRadians);
    const double cy = std::cos(aboutYDegrees * toRadians), sy = std::sin(aboutYDegrees * toRadians);
    const double cz = std::cos(aboutZDegrees * toRadians), sz = std::sin(aboutZDegrees * toRadians);
    Affine rx = identity();
    rx.m[1][1] = cx;
    rx.m[1][2] = -sx;
    rx.m[2][1] = sx;
    rx.m[2][2] = cx;
    Affine ry = identity();
    ry.m[0][0] = cy;
    ry.m[0][2] = sy;
    ry.m[2][0] = -sy;
    ry.m[2][2] = cy;
    Affine rz = identity();
    rz.m[0][0] = cz;
    rz.m[0][1] = -sz;
    rz.m[1][0] = sz;
    rz.m[1][1] = cz;
    return rz * (ry * rx);
}

void Affine::setColumn(int c, const Vector3d& v) {
    m[0][c] = v.x;
    m[1][c] = v.y;
    m[2][c] = v.z;
}

Vector3d Affine::apply(const Vector3d& p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Affine operator*(const Affine& a, const Affine& b) {
    Affine r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

std::optional<Affine> Affine::inverse() const {
    Affine work = *this;
    Affine result = Affine::identity();
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r) {
            if (std::fabs(work.m[r][col]) > std::fabs(work.m[pivot][col])) {
                pivot = r;
            }
        }
        if (!(std::fabs(work.m[pivot][col]) > 1e-300)) {
            return std::nullopt;
        }
        std::swap(work.m[pivot], work.m[col]);
        std::swap(result.m[pivot], result.m[col]);
        double p = work.m[col][col];
        for (int c = 0; c < 4; ++c) {
            work.m[col][c] /= p;
            result.m[col][c] /= p;
        }
        for (int r = 0; r < 4; ++r) {
            if (r == col) {
                continue;
            }
            double f = work.m[r][col];
            for (int c = 0; c < 4; ++c) {
                work.m[r][c] -= f * work.m[col][c];
                result.m[r][c] -= f * result.m[col][c];
            }
        }
    }
    return result;
}

Affine Affine::rigidInverse() const {
    Affine r = identity();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] = m[j][i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        r.m[i][3] = -(r.m[i][0] * m[0][3] + r.m[i][1] * m[1][3] + r.m[i][2] * m[2][3]);
    }
    return r;
}

double maxElementDifference(const Affine& a, const Affine& b) {
    double worst = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            worst = std::fmax(worst, std::fabs(a.m[i][j] - b.m[i][j]));
        }
    }
    return worst;
}

}  // namespace orvane::keldra
