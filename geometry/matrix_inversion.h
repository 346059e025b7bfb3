// General matrix inversion through the singular value decomposition: inverse = V diag(1/w) U^T.
// Singular values that are exactly zero are left out (the pseudo-inverse on those directions);
// there is deliberately no threshold, so a tiny non-zero singular value enters with its full
// reciprocal and a nearly singular matrix gets huge elements rather than a silently truncated
// inverse. Mapping matrices are inverted only when they are not degenerate.
#pragma once

#include <optional>

#include "geometry/float_matrix_2d.h"
#include "geometry/matrix4.h"

namespace orvane {

// a: the n x n matrix; holds U afterwards. inverse: replaced by the n x n inverse when the
// decomposition converges, otherwise left exactly as it was. Returns whether the decomposition
// converged; a matrix that is not square is refused with false and nothing touched.
// Element [i][j] of the inverse sums (U[j][k] * V[i][k]) / w[k] over k = 0..n-1 in that order.
// Throws std::bad_alloc only.
[[nodiscard]] bool invertSquareMatrix(FloatMatrix2D& a, FloatMatrix2D& inverse);

// destination = inverse of source. Returns whether the decomposition converged; on false
// (including when memory runs out) destination is exactly as it was. source and destination may
// be the same matrix. A matrix holding NaN or infinity either fails or yields a destination with
// a non-finite element. Never throws.
[[nodiscard]] bool invertMatrix4(const Matrix4& source, Matrix4& destination);

// The inverse of a mapping between voxel grids, by invertMatrix4, when the mapping is a proper
// one: every element finite, the determinant of its linear 3x3 part (in double precision) not
// zero, and every element of the inverse finite. Nothing otherwise: a degenerate mapping (from a
// zero voxel size, say) would give a projection onto a plane or no projection at all, so it is
// refused rather than turned into a pseudo-inverse. Never throws.
std::optional<Matrix4> invertMapping(const Matrix4& mapping);

}  // namespace orvane
