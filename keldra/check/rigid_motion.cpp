// Rigid motions from parameters, and the RMS displacement over a sphere.
#include "keldra/check/rigid_motion.h"

#include <cmath>

namespace orvane::keldra::check {

Affine rigidMotion(const MotionParameters& p, const Vector3d& centre) {
    return Affine::translation({p[0], p[1], p[2]}) * rotationAbout(centre, {p[3], p[4], p[5]});
}

Affine rotationAbout(const Vector3d& centre, const Vector3d& degrees) {
    return Affine::translation(centre) * Affine::rotation(degrees.x, degrees.y, degrees.z) *
           Affine::translation(-1.0 * centre);
}

double rmsDisplacement(const Affine& motion, const Vector3d& centre, double radiusMm) {
    double trace = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double d = motion.m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] - (r == c ? 1.0 : 0.0);
            trace += d * d;
        }
    }
    const Vector3d moved = motion.apply(centre) - centre;
    return std::sqrt(radiusMm * radiusMm / 5.0 * trace + dot(moved, moved));
}

}  // namespace orvane::keldra::check
