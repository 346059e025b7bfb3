// Finding the inside run of a row exactly: a double-precision estimate says where to look and
// decides wherever its error bound allows; elsewhere the single-precision coordinates decide.
#include "projection/row_span.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {

namespace {

bool allFinite(const RowMapping& row, int r) {
    return std::isfinite(row.slope[r]) && std::isfinite(row.yTerm[r]) && std::isfinite(row.zTerm[r]) &&
           std::isfinite(row.offset[r]);
}

// The first x in [0, n) at which `holds` is true, n when it holds nowhere. `holds` must be
// false up to some x and true from there on. The guess only decides how quickly the answer
// is found: a good one costs one or two tests, a useless one a binary search.
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

// Coordinate r along one row, all of whose terms are finite.
//
// The single-precision value is a multiply and four adds, each rounded to within 2^-24 of its
// result, and no partial result exceeds (1 + 2^-24)^5 * bound, where bound is the sum of the
// magnitudes of the five terms. So it lies within 5 * 2^-24 * (1 + 2^-24)^5 * bound of the exact
// value; the double-precision estimate (an exact product and four adds rounded to 2^-53) lies
// within 5 * 2^-53 * bound of it. Eight times 2^-24 * bound covers both, and 2^-140 more covers
// results rounded among the subnormal numbers.
class CoordinateAlongRow {
public:
    // widestX: the largest magnitude of a centred x of the row.
    CoordinateAlongRow(const RowMapping& row, int r, double widestX) : row_(row), r_(r) {
        constant_ = static_cast<double>(row.yTerm[r]) + static_cast<double>(row.zTerm[r]) +
                    static_cast<double>(row.offset[r]) + static_cast<double>(row.sourceCentre[r]);
        const double bound = std::fabs(static_cast<double>(row.slope[r])) * widestX +
                             std::fabs(static_cast<double>(row.yTerm[r])) + std::fabs(static_cast<double>(row.zTerm[r])) +
                             std::fabs(static_cast<double>(row.offset[r])) +
                             std::fabs(static_cast<double>(row.sourceCentre[r]));
        // Near the top of the float range a sum may overflow, which the bound does not cover:
        // there every decision is left to the single-precision value.
        constexpr double kLargestCovered = 1.0e30;
        margin_ = bound < kLargestCovered ? 8.0 * 0x1p-24 * bound + 0x1p-140 : std::numeric_limits<double>::infinity();
    }

    double estimate(std::int32_t x) const {
        return static_cast<double>(row_.slope[r_]) * static_cast<double>(row_.centredX(x)) + constant_;
    }
    double margin() const { return margin_; }

    // Whether the single-precision coordinate at x is at least t.
    bool atOrAbove(std::int32_t x, double t) const {
        const float centred = row_.centredX(x);
        const double estimate = static_cast<double>(row_.slope[r_]) * static_cast<double>(centred) + constant_;
        if (estimate - margin_ >= t) {
            return true;
        }
        if (estimate + margin_ < t) {
            return false;
        }
        return static_cast<double>(row_.coordinate(r_, centred)) >= t;
    }

    // Where the exact coordinate crosses t, as a guess for the first voxel at or beyond it.
    double crossing(double t, double inverseSlope) const {
        return std::ceil((t - constant_) * inverseSlope + static_cast<double>(row_.targetCentreX));
    }

private:
    const RowMapping& row_;
    int r_;
    double constant_;
    double margin_;
};

// The voxels of the row whose coordinate r lies inside [-0.5, extent - 0.5).
RowSpan coordinateSpan(const RowMapping& row, int r, double inverseSlope, double widestX, std::int32_t extent,
                       std::int32_t rowLength) {
    // A non-finite product or term makes every sum along the row infinite or not a number,
    // so no voxel of the row can be inside. With all of them finite no sum is ever
    // not-a-number (an overflow gives an infinity of the right sign), and the coordinate is
    // monotone along the row.
    if (!allFinite(row, r)) {
        return {};
    }
    const double low = -0.5;
    const double high = static_cast<double>(extent) - 0.5;
    const CoordinateAlongRow coordinate(row, r, widestX);
    // Most rows are settled by the two ends: wholly outside on one side, or wholly inside.
    const double first = coordinate.estimate(0);
    const double last = coordinate.estimate(rowLength - 1);
    const double least = std::min(first, last) - coordinate.margin();
    const double most = std::max(first, last) + coordinate.margin();
    if (most < low || least >= high) {
        return {};
    }
    if (least >= low && most < high) {
        return {0, rowLength};
    }
    const float slope = row.slope[r];
    if (slope == 0.0f) {
        // Constant along the row (both zeros give products that compare equal).
        const bool inside = coordinate.atOrAbove(0, low) && !coordinate.atOrAbove(0, high);
        return inside ? RowSpan{0, rowLength} : RowSpan{};
    }
    auto atOrAbove = [&](double t) { return [&, t](std::int32_t x) { return coordinate.atOrAbove(x, t); }; };
    auto below = [&](double t) { return [&, t](std::int32_t x) { return !coordinate.atOrAbove(x, t); }; };
    if (slope > 0.0f) {
        return {firstWhere(atOrAbove(low), coordinate.crossing(low, inverseSlope), rowLength),
                firstWhere(atOrAbove(high), coordinate.crossing(high, inverseSlope), rowLength)};
    }
    return {firstWhere(below(high), coordinate.crossing(high, inverseSlope), rowLength),
            firstWhere(below(low), coordinate.crossing(low, inverseSlope), rowLength)};
}

}  // namespace

RowMapper::RowMapper(const Matrix4& targetToSource, const GridSize& target, const GridSize& source)
    : targetToSource_(targetToSource),
      target_(target),
      source_(source),
      targetCentre_(gridCentre(target)),
      sourceCentre_(gridCentre(source)) {
    for (int r = 0; r < 3; ++r) {
        coordinateOrder_[r] = r;
        inverseSlope_[r] = 1.0 / static_cast<double>(targetToSource.at(r, 0));
    }
    // Not-a-number sorts last.
    auto change = [&](int r) {
        const double c = std::fabs(static_cast<double>(targetToSource.at(r, 0)));
        return std::isnan(c) ? std::numeric_limits<double>::infinity() : c;
    };
    std::sort(coordinateOrder_, coordinateOrder_ + 3, [&](int a, int b) { return change(a) < change(b); });
    const float firstX = static_cast<float>(0) - targetCentre_.x;
    const float lastX = static_cast<float>(target.x - 1) - targetCentre_.x;
    widestCentredX_ = std::max(std::fabs(static_cast<double>(firstX)), std::fabs(static_cast<double>(lastX)));
}

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
    for (int i = 0; i < 3 && !span.empty(); ++i) {
        const int r = coordinateOrder_[i];
        const RowSpan s = coordinateSpan(row, r, inverseSlope_[r], widestCentredX_, extents[r], target_.x);
        span.begin = std::max(span.begin, s.begin);
        span.end = std::min(span.end, s.end);
    }
    return span;
}

}  // namespace orvane
