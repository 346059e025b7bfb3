// Voxel-to-world affine arithmetic in double precision.
#include "keldra/picture/world_affine.h"

#include <algorithm>
#include <cmath>

namespace orvane::keldra::picture {

WorldAffine identityAffine() {
    WorldAffine a;
    a.at(0, 0) = a.at(1, 1) = a.at(2, 2) = a.at(3, 3) = 1.0;
    return a;
}

WorldAffine translationAffine(double x, double y, double z) {
    WorldAffine a = identityAffine();
    a.at(0, 3) = x;
    a.at(1, 3) = y;
    a.at(2, 3) = z;
    return a;
}

WorldAffine scalingAffine(double x, double y, double z) {
    WorldAffine a = identityAffine();
    a.at(0, 0) = x;
    a.at(1, 1) = y;
    a.at(2, 2) = z;
    return a;
}

WorldAffine rotationAffine(double aboutXDegrees, double aboutYDegrees, double aboutZDegrees) {
    const double toRadians = std::acos(-1.0) / 180.0;
    const double cx = std::cos(aboutXDegrees * toRadians), sx = std::sin(aboutXDegrees * toRadians);
    const double cy = std::cos(aboutYDegrees * toRadians), sy = std::sin(aboutYDegrees * toRadians);
    const double cz = std::cos(aboutZDegrees * toRadians), sz = std::sin(aboutZDegrees * toRadians);
    WorldAffine rx = identityAffine();
    rx.at(1, 1) = cx;
    rx.at(1, 2) = -sx;
    rx.at(2, 1) = sx;
    rx.at(2, 2) = cx;
    WorldAffine ry = identityAffine();
    ry.at(0, 0) = cy;
    ry.at(0, 2) = sy;
    ry.at(2, 0) = -sy;
    ry.at(2, 2) = cy;
    WorldAffine rz = identityAffine();
    rz.at(0, 0) = cz;
    rz.at(0, 1) = -sz;
    rz.at(1, 0) = sz;
    rz.at(1, 1) = cz;
    return multiplyAffines(rz, multiplyAffines(ry, rx));
}

WorldAffine multiplyAffines(const WorldAffine& a, const WorldAffine& b) {
    WorldAffine out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += a.at(r, k) * b.at(k, c);
            }
            out.at(r, c) = sum;
        }
    }
    return out;
}

std::optional<WorldAffine> invertAffine(const WorldAffine& a) {
    const double a00 = a.at(0, 0), a01 = a.at(0, 1), a02 = a.at(0, 2);
    const double a10 = a.at(1, 0), a11 = a.at(1, 1), a12 = a.at(1, 2);
    const double a20 = a.at(2, 0), a21 = a.at(2, 1), a22 = a.at(2, 2);
    const double c00 = a11 * a22 - a12 * a21;
    const double c01 = a02 * a21 - a01 * a22;
    const double c02 = a01 * a12 - a02 * a11;
    const double c10 = a12 * a20 - a10 * a22;
    const double c11 = a00 * a22 - a02 * a20;
    const double c12 = a02 * a10 - a00 * a12;
    const double c20 = a10 * a21 - a11 * a20;
    const double c21 = a01 * a20 - a00 * a21;
    const double c22 = a00 * a11 - a01 * a10;
    const double determinant = a00 * c00 + a01 * c10 + a02 * c20;
    double scale = 0.0;
    for (int i = 0; i < 12; ++i) {
        scale = std::max(scale, std::fabs(a.m[i]));
    }
    if (!(std::fabs(determinant) > 1e-12 * scale * scale * scale)) {
        return std::nullopt;
    }
    WorldAffine inverse = identityAffine();
    const double cof[3][3] = {{c00, c01, c02}, {c10, c11, c12}, {c20, c21, c22}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            inverse.at(r, c) = cof[r][c] / determinant;
        }
    }
    for (int r = 0; r < 3; ++r) {
        inverse.at(r, 3) = -(inverse.at(r, 0) * a.at(0, 3) + inverse.at(r, 1) * a.at(1, 3) +
                             inverse.at(r, 2) * a.at(2, 3));
    }
    return inverse;
}

Point3d applyAffine(const WorldAffine& a, const Point3d& p) {
    return {a.at(0, 0) * p.x + a.at(0, 1) * p.y + a.at(0, 2) * p.z + a.at(0, 3),
            a.at(1, 0) * p.x + a.at(1, 1) * p.y + a.at(1, 2) * p.z + a.at(1, 3),
            a.at(2, 0) * p.x + a.at(2, 1) * p.y + a.at(2, 2) * p.z + a.at(2, 3)};
}

Point3d axisStep(const WorldAffine& a, int column) {
    return {a.at(0, column), a.at(1, column), a.at(2, column)};
}

double length(const Point3d& p) {
    return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
}

}  // namespace orvane::keldra::picture
