// Singular value decomposition A = U diag(w) V^T of a single-precision matrix of any size, by
// Householder reduction to bidiagonal form, accumulation of the transformations and
// implicit-shift QR diagonalisation. Every operation is single precision, every sum runs from
// the lowest index upward and nothing is fused, so the result is the same to the last bit on
// every platform.
#pragma once

#include <vector>

#include "geometry/float_matrix_2d.h"

namespace orvane {

// Number of QR passes allowed per singular value before the decomposition gives up.
constexpr int kSvdPassLimit = 30;

// a: the m x n matrix A on entry; U (m x n) on return, column k the left singular vector of w[k].
// w: resized to n; receives the singular values, none negative after success, left unsorted in
//    the positions where the diagonalisation leaves them.
// v: replaced by an n x n matrix holding V itself (not its transpose), column k the right
//    singular vector of w[k].
// Returns false when some singular value has not converged after kSvdPassLimit passes (a matrix
// holding NaN ends there); a, w and v are then meaningless. Throws std::bad_alloc only.
[[nodiscard]] bool decomposeSvd(FloatMatrix2D& a, std::vector<float>& w, FloatMatrix2D& v);

}  // namespace orvane
