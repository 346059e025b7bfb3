// Rigid motions from parameters, and the RMS displacement over a sphere.
#include "keldra/check/rigid_motion.h"

#include <cmath>

namespace orvane::keldra::check {

Affine rigidMotion(const MotionParameters& p, const Point& centre) {
    return Affine::translation({p[0], p[1], p[2]}) * Affine::rotationAbout(centre, {p[3], p[4], p[5]});
}

double rmsDisplacement(const Affine& motion, const Point& centre, double radiusMm) {
    double trace = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double d = motion.m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] - (r == c ? 1.0 : 0.0);
            trace += d * d;
        }
    }
    const Point moved = motion.apply(centre) - centre;
    return std::sqrt(radiusMm * radiusMm / 5.0 * trace + dot(moved, moved));
}

}  // namespace orvane::keldra::check
