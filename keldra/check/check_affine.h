// The alignment check's own double-precision geometry: points in world millimetres (x towards
// the patient's right, y anterior, z superior) and 4x4 affine transforms acting on them. Kept
// apart from the module's single-precision matrices, so the check is an independent measurement.
#pragma once

#include <array>

namespace orvane::keldra::check {

struct Point {
    double x = 0;
    double y = 0;
    double z = 0;
};

Point operator+(const Point& a, const Point& b);
Point operator-(const Point& a, const Point& b);
Point operator*(double s, const Point& a);
double dot(const Point& a, const Point& b);
double length(const Point& a);

// Row-major, element [r][c]; points are column vectors multiplied on the right. The last row
// is 0 0 0 1.
struct Affine {
    std::array<std::array<double, 4>, 4> m{};

    static Affine identity();
    static Affine translation(const Point& t);
    // Rotation about the world x axis, then y, then z (right-handed, degrees), about `centre`.
    static Affine rotationAbout(const Point& centre, const Point& degrees);

    Point apply(const Point& p) const;
    // The 3x3 part only: how a difference of two points is carried.
    Point applyLinear(const Point& p) const;
    Point column(int c) const { return {m[0][c], m[1][c], m[2][c]}; }
};

// a * b: first b, then a.
Affine operator*(const Affine& a, const Affine& b);

// False when the 3x3 part is singular or not finite.
bool invert(const Affine& a, Affine& inverse);

bool isFinite(const Affine& a);

}  // namespace orvane::keldra::check
