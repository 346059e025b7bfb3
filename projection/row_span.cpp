// Finding the inside run of a row exactly: an estimate in double precision says where to look,
// and the single-precision coordinates themselves decide.
#include "projection/row_span.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

bool allFinite(const RowMapping& row, int r) {
    return std::isfinite(row.slope[r]) && std::isfinite(row.yTerm[r]) && std::isfinite(row.zTerm[r]) &&
           std::isfinite(row.offset[r]);
}

// The first x in [0, n) at which `holds` is true, n when it holds nowhere. `holds` must be
// false up to some x and true from there on. The guess only decides how quickly the answer
// is found: a good one costs two tests, a useless one a binary search.
template <typename Predicate>
std::int32_t firstWhere(const Predicate& holds, double guess, std::int32_t n) {
    std::int32_t low = 0;   // every x below low is known to fail
    std::int32_t high = n;  // every x from high on is known to hold (n: not known anywhere)
    if (!std::isnan(guess)) {
        const std::int32_t g = static_cast<std::int32_t>(std::clamp(guess, 0.0, static_cast<double>(n)));
        if (g == n) {
            if (n == 0 || !holds(n - 1)) {
                return n;
            }
            high = n - 1;
        } else if (holds(g)) {
            if (g == 0 || !holds(g - 1)) {
                return g;
            }
            high = g - 1;
        } else {
            low = g + 1;
            if (low == n || holds(low)) {
                return low;
            }
            low = low + 1;
        }
    }
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (holds(middle)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

// The voxels of the row whose coordinate r lies inside [-0.5, extent - 0.5).
RowSpan coordinateSpan(const RowMapping& row, int r, std::int32_t extent, std::int32_t rowLength) {
    // A non-finite product or term makes every sum along the row infinite or not a number,
    // so no voxel of the row can be inside. With all of them finite no sum is ever
    // not-a-number (an overflow gives an infinity of the right sign), and the coordinate is
    // monotone along the row.
    if (!allFinite(row, r)) {
        return {};
    }
    auto coordinateAt = [&](std::int32_t x) { return row.coordinate(r, row.centredX(x)); };
    const float slope = row.slope[r];
    if (slope == 0.0f) {
        // Constant along the row (both zeros give products that compare equal).
        return coordinateInside(coordinateAt(0), extent) ? RowSpan{0, rowLength} : RowSpan{};
    }
    const double low = -0.5;
    const double high = static_cast<double>(extent) - 0.5;
    // Where the coordinate, taken as exact, crosses a limit t.
    const double constantPart = static_cast<double>(row.yTerm[r]) + static_cast<double>(row.zTerm[r]) +
                                static_cast<double>(row.offset[r]) + static_cast<double>(row.sourceCentre[r]);
    auto crossing = [&](double t) {
        return std::ceil((t - constantPart) / static_cast<double>(slope) + static_cast<double>(row.targetCentreX));
    };
    auto atOrAbove = [&](double t) {
        return [&, t](std::int32_t x) { return static_cast<double>(coordinateAt(x)) >= t; };
    };
    auto below = [&](double t) {
        return [&, t](std::int32_t x) { return static_cast<double>(coordinateAt(x)) < t; };
    };
    if (slope > 0.0f) {
        return {firstWhere(atOrAbove(low), crossing(low), rowLength),
                firstWhere(atOrAbove(high), crossing(high), rowLength)};
    }
    return {firstWhere(below(high), crossing(high), rowLength), firstWhere(below(low), crossing(low), rowLength)};
}

}  // namespace

RowMapper::RowMapper(const Matrix4& targetToSource, const GridSize& target, const GridSize& source)
    : targetToSource_(targetToSource),
      target_(target),
      source_(source),
      targetCentre_(gridCentre(target)),
      sourceCentre_(gridCentre(source)) {}

RowMapping RowMapper::row(std::int32_t y, std::int32_t z) const {
    const float centredY = static_cast<float>(y) - targetCentre_.y;
    const float centredZ = static_cast<float>(z) - targetCentre_.z;
    const float sourceCentres[3] = {sourceCentre_.x, sourceCentre_.y, sourceCentre_.z};
    RowMapping row;
    for (int r = 0; r < 3; ++r) {
        row.slope[r] = targetToSource_.at(r, 0);
        row.yTerm[r] = targetToSource_.at(r, 1) * centredY;
        row.zTerm[r] = targetToSource_.at(r, 2) * centredZ;
        row.offset[r] = targetToSource_.at(r, 3);
        row.sourceCentre[r] = sourceCentres[r];
    }
    row.targetCentreX = targetCentre_.x;
    return row;
}

RowSpan RowMapper::insideSpan(const RowMapping& row) const {
    const std::int32_t extents[3] = {source_.x, source_.y, source_.z};
    RowSpan span{0, target_.x};
    for (int r = 0; r < 3 && !span.empty(); ++r) {
        const RowSpan s = coordinateSpan(row, r, extents[r], target_.x);
        span.begin = std::max(span.begin, s.begin);
        span.end = std::min(span.end, s.end);
    }
    return span;
}

}  // namespace orvane
