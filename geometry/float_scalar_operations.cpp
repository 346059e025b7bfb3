// The scalar building blocks of the singular value decomposition.
#include "geometry/float_scalar_operations.h"

#include <cmath>

namespace orvane {

float transferSign(float a, float b) {
    if (b >= 0.0f) {
        return a >= 0.0f ? a : -a;
    }
    return a >= 0.0f ? -a : a;
}

float floatMax(float p, float q) { return q > p ? q : p; }

int intMin(int p, int q) { return q < p ? q : p; }

float hypotenuse(float a, float b) {
    const float p = std::fabs(a);
    const float q = std::fabs(b);
    if (p > q) {
        const float ratio = q / p;
        return p * std::sqrt(1.0f + ratio * ratio);
    }
    if (q == 0.0f) {
        return 0.0f;
    }
    const float ratio = p / q;
    return q * std::sqrt(1.0f + ratio * ratio);
}

float roundToFloat(float x) {
    volatile float stored = x;
    return stored;
}

}  // namespace orvane
