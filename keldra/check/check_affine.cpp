// Double-precision points and affines of the alignment check.
#include "keldra/check/check_affine.h"

#include <cmath>

namespace orvane::keldra::check {

Point operator+(const Point& a, const Point& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator-(const Point& a, const Point& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point operator*(double s, const Point& a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(const Point& a, const Point& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(const Point& a) { return std::sqrt(dot(a, a)); }

Affine Affine::identity() {
    Affine a;
    for (int i = 0; i < 4; ++i) {
        a.m[i][i] = 1;
    }
    return a;
}

Affine Affine::translation(const Point& t) {
    Affine a = identity();
    a.m[0][3] = t.x;
    a.m[1][3] = t.y;
    a.m[2][3] = t.z;
    return a;
}

Affine Affine::rotationAbout(const Point& centre, const Point& degrees) {
    const double kRadians = 3.14159265358979323846 / 180.0;
    const double cx = std::cos(degrees.x * kRadians), sx = std::sin(degrees.x * kRadians);
    const double cy = std::cos(degrees.y * kRadians), sy = std::sin(degrees.y * kRadians);
    const double cz = std::cos(degrees.z * kRadians), sz = std::sin(degrees.z * kRadians);
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
    return translation(centre) * rz * ry * rx * translation(-1.0 * centre);
}

Point Affine::apply(const Point& p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Point Affine::applyLinear(const Point& p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z, m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z,
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z};
}

Affine operator*(const Affine& a, const Affine& b) {
    Affine r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) {
                s += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = s;
        }
    }
    return r;
}

bool isFinite(const Affine& a) {
    for (const auto& row : a.m) {
        for (double v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

bool invert(const Affine& a, Affine& inverse) {
    if (!isFinite(a)) {
        return false;
    }
    // The 3x3 part by its adjugate, then the translation.
    const auto& m = a.m;
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    double scale = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            scale = std::fmax(scale, std::fabs(m[r][c]));
        }
    }
    if (!(std::fabs(det) > 1e-12 * scale * scale * scale) || !std::isfinite(det)) {
        return false;
    }
    Affine r = Affine::identity();
    r.m[0][0] = c00 / det;
    r.m[1][0] = c01 / det;
    r.m[2][0] = c02 / det;
    r.m[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    r.m[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    r.m[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    const Point t = r.applyLinear({m[0][3], m[1][3], m[2][3]});
    r.m[0][3] = -t.x;
    r.m[1][3] = -t.y;
    r.m[2][3] = -t.z;
    inverse = r;
    return true;
}

}  // namespace orvane::keldra::check
