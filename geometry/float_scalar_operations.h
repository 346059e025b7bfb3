// The scalar building blocks of the singular value decomposition. Each is defined exactly,
// including its behaviour on signed zeros and not-a-number values, because the decomposition's
// branching depends on it.
#pragma once

namespace orvane {

// The magnitude of a with the sign of b; b = -0 counts as non-negative.
float transferSign(float a, float b);

// q if q > p, otherwise p: a NaN candidate never replaces the running value.
float floatMax(float p, float q);

// q if q < p, otherwise p.
int intMin(int p, int q);

// sqrt(a*a + b*b) in single precision, scaled by the larger magnitude so that neither the
// squares' overflow nor their underflow destroys the result.
float hypotenuse(float a, float b);

// x rounded to single precision through a memory store, so that no wider register format or
// compiler setting can keep excess precision in a value that a comparison depends on.
float roundToFloat(float x);

}  // namespace orvane
