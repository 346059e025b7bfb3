// keldra's one affine type, in double precision, and the 3-vectors it maps. keldra's geometry is
// its own, kept apart from the module's single-precision matrices on purpose: what keldra
// computes, reports and draws is an independent check of the module.
//
// World space is RAS+ millimetres, as in NIfTI files: x grows towards the patient's right, y
// towards the front (anterior), z upwards (superior). A document's `voxelToWorld` maps voxel
// indices (x fastest in memory, voxel centres at whole numbers) to world millimetres.
//
// An affine carries no names of its spaces, so name every variable after what it maps:
// `voxelToWorld`, `worldToVoxel`, `vmrVoxelToFmrVoxel`. Composition reads right to left, as
// the names do: worldToFmrVoxel * vmrVoxelToWorld maps a VMR voxel to an FMR voxel.
#pragma once

#include <array>
#include <optional>

namespace orvane::keldra {

// A point or a step in 3-D (millimetres or voxels, as its name says).
struct Vector3d {
    double x = 0;
    double y = 0;
    double z = 0;

    // Component 0 (x), 1 (y) or 2 (z).
    double operator[](int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }
    double& operator[](int axis) { return axis == 0 ? x : axis == 1 ? y : z; }
};

Vector3d operator+(const Vector3d& a, const Vector3d& b);
Vector3d operator-(const Vector3d& a, const Vector3d& b);
Vector3d operator*(double s, const Vector3d& a);
double dot(const Vector3d& a, const Vector3d& b);
Vector3d cross(const Vector3d& a, const Vector3d& b);
double length(const Vector3d& a);

// A 4x4 matrix acting on column vectors, row-major: element m[row][column]. As an affine its
// last row is 0 0 0 1; the upper 3x3 block is the linear part and the last column the shift.
struct Affine {
    std::array<std::array<double, 4>, 4> m{};

    static Affine identity();
    static Affine translation(const Vector3d& shift);
    static Affine scaling(double sx, double sy, double sz);
    // Rotation about the x, then the y, then the z axis (right-handed, angles in degrees).
    static Affine rotation(double aboutXDegrees, double aboutYDegrees, double aboutZDegrees);

    // Column c of the linear part: where one step along input axis c leads in the output
    // space (for a voxelToWorld, the world step of one voxel along voxel axis c).
    Vector3d column(int c) const { return {m[0][c], m[1][c], m[2][c]}; }
    void setColumn(int c, const Vector3d& v);

    // The image of a point (the shift applies).
    Vector3d apply(const Vector3d& point) const;

    // The map back, by Gauss-Jordan elimination with partial pivoting; nothing when the matrix
    // is singular.
    std::optional<Affine> inverse() const;
    // The map back of an affine whose linear part is orthonormal (a rotation, possibly with a
    // flip): its transpose, and the shift undone. Exact in form, cheaper than inverse().
    Affine rigidInverse() const;
};

// Composition: `after * before` maps through `before` first.
Affine operator*(const Affine& after, const Affine& before);

// Largest absolute difference between corresponding elements.
double maxElementDifference(const Affine& a, const Affine& b);

}  // namespace orvane::keldra
