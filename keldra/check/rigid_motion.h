// Small rigid motions of the functional in the world, as the searches vary them: a translation
// in millimetres and rotations in degrees about the world x, y and z axes through a fixed
// centre; and their size as one number, the RMS displacement of the points of a sphere.
#pragma once

#include <array>

#include "keldra/geometry/affine.h"

namespace orvane::keldra::check {

// tx, ty, tz in millimetres, then rx, ry, rz in degrees.
using MotionParameters = std::array<double, 6>;

// Rotation about `centre`, then translation.
Affine rigidMotion(const MotionParameters& parameters, const Vector3d& centre);

// Rotation about the world x, then y, then z axis through `centre` (degrees).
Affine rotationAbout(const Vector3d& centre, const Vector3d& degrees);

// The root-mean-square distance by which `motion` moves the points of a solid sphere of
// `radiusMm` about `centre`: sqrt(r^2/5 * trace(DᵀD) + |motion(c) - c|^2), D = its 3x3 part
// minus the identity.
double rmsDisplacement(const Affine& motion, const Vector3d& centre, double radiusMm);

}  // namespace orvane::keldra::check
