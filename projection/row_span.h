// One row of a target grid seen through a mapping matrix: what stays fixed along the row, and
// the run of voxels of the row whose mapped points fall inside the source grid.
//
// Along a row only the centred x changes. The per-voxel walk computes each mapped coordinate as
//   (((m[r][0]*x + m[r][1]*y) + m[r][2]*z) + m[r][3]*w) + sourceCentre[r]
// with every product and sum rounded to single precision. The products with y, z and w = 1 are
// the same for every voxel of a row, so they are computed once; the sums are still formed voxel
// by voxel in the same order, which keeps each mapped coordinate identical to the walk's.
//
// Because every step of that sequence is monotone in x (rounding never reverses an order), each
// mapped coordinate is monotone along the row, and the voxels that land inside the source grid
// form one run. Its ends are found from an estimate in double precision with a proven bound on
// how far the single-precision sequence can stray from it; only where the estimate is too close
// to a limit to tell is the single-precision coordinate itself computed and tested.
#pragma once

#include <cstdint>

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

namespace orvane {

// The constant parts of the three mapped coordinates (0 = x, 1 = y, 2 = z) of one target row.
struct RowMapping {
    float slope[3];         // m[r][0], the factor of the centred target x
    float yTerm[3];         // m[r][1] * centred y, rounded once for the row
    float zTerm[3];         // m[r][2] * centred z
    float offset[3];        // m[r][3] * w with w = 1, which is exact: m[r][3] itself
    float sourceCentre[3];  // added last to move the point into the source grid
    float targetCentreX;    // subtracted from x to centre it

    float centredX(std::int32_t x) const { return static_cast<float>(x) - targetCentreX; }

    // Coordinate r of the mapped point of the voxel at centred x, in the source grid.
    float coordinate(int r, float centredTargetX) const {
        float sum = slope[r] * centredTargetX;
        sum = sum + yTerm[r];
        sum = sum + zTerm[r];
        sum = sum + offset[r];
        return sum + sourceCentre[r];
    }
};

// The index an inside coordinate rounds to: c + 0.5 is exact in double and not negative, so
// truncation is the floor that half-up rounding takes.
inline std::int32_t insideCoordinateIndex(float coordinate) {
    return static_cast<std::int32_t>(static_cast<double>(coordinate) + 0.5);
}

// The voxels [begin, end) of a row; empty when begin >= end.
struct RowSpan {
    std::int32_t begin = 0;
    std::int32_t end = 0;

    bool empty() const { return begin >= end; }
    std::int32_t length() const { return empty() ? 0 : end - begin; }
};

// A target grid walked through one mapping matrix into one source grid.
class RowMapper {
public:
    RowMapper(const Matrix4& targetToSource, const GridSize& target, const GridSize& source);

    RowMapping row(std::int32_t y, std::int32_t z) const;

    // Exactly the voxels of the row whose mapped point is inside the source grid on x, y and z.
    RowSpan insideSpan(const RowMapping& row) const;

    // The flat source index of voxel x of the row, which must lie in its inside span.
    std::size_t sourceIndex(const RowMapping& row, std::int32_t x) const {
        const float centred = row.centredX(x);
        return voxelIndex(source_, insideCoordinateIndex(row.coordinate(0, centred)),
                          insideCoordinateIndex(row.coordinate(1, centred)),
                          insideCoordinateIndex(row.coordinate(2, centred)));
    }

    const GridSize& target() const { return target_; }
    const GridSize& source() const { return source_; }

private:
    Matrix4 targetToSource_;
    // The coordinates in the order their runs are intersected: the one that changes least
    // along a row first, since it is the likeliest to rule out the whole row at once.
    int coordinateOrder_[3];
    double inverseSlope_[3];    // guesses where a coordinate crosses a limit
    double widestCentredX_;     // the largest magnitude of a centred x, for error bounds
    GridSize target_;
    GridSize source_;
    GridCentre targetCentre_;
    GridCentre sourceCentre_;
};

// Calls visit(y, z, row, span) for every row of the target grid whose inside span is not
// empty, z outermost, y inner: the walk order of the per-voxel reference.
template <typename Visit>
void forEachRowInside(const RowMapper& mapper, Visit&& visit) {
    const GridSize& target = mapper.target();
    for (std::int32_t z = 0; z < target.z; ++z) {
        for (std::int32_t y = 0; y < target.y; ++y) {
            const RowMapping row = mapper.row(y, z);
            const RowSpan span = mapper.insideSpan(row);
            if (!span.empty()) {
                visit(y, z, row, span);
            }
        }
    }
}

}  // namespace orvane
