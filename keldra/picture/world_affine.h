// Voxel-to-world affines in double precision (world space is RAS millimetres), as NIfTI files
// carry them. Kept apart from the module's single-precision matrix kit on purpose: keldra's
// pictures and sample describe the truth the module is checked against.
#pragma once

#include <array>
#include <optional>

namespace orvane::keldra::picture {

struct Point3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Row-major 4x4, element [r][c] at 4r + c, acting on column vectors; the last row is 0 0 0 1.
struct WorldAffine {
    std::array<double, 16> m{};

    double& at(int row, int column) { return m[4 * row + column]; }
    double at(int row, int column) const { return m[4 * row + column]; }
};

WorldAffine identityAffine();
WorldAffine translationAffine(double x, double y, double z);
WorldAffine scalingAffine(double x, double y, double z);
// Rotation about the world x, then y, then z axis, angles in degrees (right-handed).
WorldAffine rotationAffine(double aboutXDegrees, double aboutYDegrees, double aboutZDegrees);

// a x b: first b, then a.
WorldAffine multiplyAffines(const WorldAffine& a, const WorldAffine& b);

// Inverse of an affine (last row 0 0 0 1); nothing when its 3x3 part is singular.
std::optional<WorldAffine> invertAffine(const WorldAffine& a);

Point3d applyAffine(const WorldAffine& a, const Point3d& p);

// Column c of the 3x3 part: the world step of one voxel along voxel axis c.
Point3d axisStep(const WorldAffine& a, int column);

double length(const Point3d& p);

}  // namespace orvane::keldra::picture
