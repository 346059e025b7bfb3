// Double-precision 4x4 affine transforms for the host's own geometry: the voxel-to-world
// matrices of the documents and the initial alignment derived from them. The module works in
// single precision; the host keeps double precision until it hands a matrix over.
#pragma once

#include <array>

namespace orvane::keldra {

struct Vector3d {
    double x = 0;
    double y = 0;
    double z = 0;
};

Vector3d operator+(const Vector3d& a, const Vector3d& b);
Vector3d operator-(const Vector3d& a, const Vector3d& b);
Vector3d operator*(double s, const Vector3d& a);
double dot(const Vector3d& a, const Vector3d& b);
Vector3d cross(const Vector3d& a, const Vector3d& b);
double length(const Vector3d& a);

// Row-major: element [r][c]; points are column vectors multiplied on the right.
struct Affine {
    std::array<std::array<double, 4>, 4> m{};

    static Affine identity();
    static Affine translation(const Vector3d& t);
    static Affine scaling(double sx, double sy, double sz);

    Vector3d column(int c) const { return {m[0][c], m[1][c], m[2][c]}; }
    void setColumn(int c, const Vector3d& v);
    Vector3d apply(const Vector3d& p) const;
};

Affine operator*(const Affine& a, const Affine& b);

// General inverse by Gauss-Jordan elimination with partial pivoting; false when singular.
bool invert(const Affine& a, Affine& inverse);

// Inverse of a matrix whose 3x3 block is orthonormal (a rotation, possibly with a flip).
Affine rigidInverse(const Affine& a);

// Largest absolute element difference.
double maxElementDifference(const Affine& a, const Affine& b);

}  // namespace orvane::keldra
