// The inside run of a row and the source voxels along it, checked voxel by voxel against the
// matrix kit's transformPoint and half-up rounding, the way the reference walk maps a voxel.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "projection/round_half_up.h"
#include "projection/row_span.h"
#include "random_geometry.h"

namespace orvane {
namespace {

// The source voxel the reference walk maps target voxel (x, y, z) to, if inside.
std::optional<std::size_t> referenceSourceIndex(const Matrix4& m, const GridSize& target, const GridSize& source,
                                                std::int32_t x, std::int32_t y, std::int32_t z) {
    const GridCentre t = gridCentre(target);
    const GridCentre s = gridCentre(source);
    const Vector4 centred{static_cast<float>(x) - t.x, static_cast<float>(y) - t.y, static_cast<float>(z) - t.z, 1.0f};
    Vector4 mapped;
    transformPoint(m, centred, mapped);
    const std::optional<std::int32_t> i = roundHalfUp(static_cast<double>(mapped.x + s.x));
    const std::optional<std::int32_t> j = roundHalfUp(static_cast<double>(mapped.y + s.y));
    const std::optional<std::int32_t> k = roundHalfUp(static_cast<double>(mapped.z + s.z));
    if (!i || *i < 0 || *i >= source.x || !j || *j < 0 || *j >= source.y || !k || *k < 0 || *k >= source.z) {
        return std::nullopt;
    }
    return voxelIndex(source, *i, *j, *k);
}

TEST(RowSpan, IsExactlyTheRunOfInsideVoxelsWithTheReferenceSourceVoxels) {
    testing::RandomGeometry random(1234);
    int rowsChecked = 0;
    int rowsPartlyInside = 0;
    for (int geometry = 0; geometry < 1500; ++geometry) {
        const GridSize target = random.grid(90, 6);
        const GridSize source = random.grid(12, 12);
        const Matrix4 m = random.matrixWithTie(target, source);
        const RowMapper mapper(m, target, source);
        for (std::int32_t z = 0; z < target.z; ++z) {
            for (std::int32_t y = 0; y < target.y; ++y) {
                const RowMapping row = mapper.row(y, z);
                const RowSpan span = mapper.insideSpan(row);
                ++rowsChecked;
                rowsPartlyInside += span.length() > 0 && span.length() < target.x;
                for (std::int32_t x = 0; x < target.x; ++x) {
                    const std::optional<std::size_t> expected = referenceSourceIndex(m, target, source, x, y, z);
                    const bool inSpan = x >= span.begin && x < span.end;
                    ASSERT_EQ(inSpan, expected.has_value())
                        << "geometry " << geometry << " voxel " << x << "," << y << "," << z << "\n"
                        << toText(m, "matrix");
                    if (inSpan) {
                        ASSERT_EQ(mapper.sourceIndex(row, x), *expected) << "geometry " << geometry;
                    }
                }
            }
        }
    }
    // The geometries must actually cut rows, not just miss or cover them.
    EXPECT_GT(rowsPartlyInside, rowsChecked / 10);
}

TEST(RowSpan, EdgesFallExactlyOnTiesAndOneUlpBesideThem) {
    // A 10-voxel row onto a 4-voxel source with a shift s: voxel x maps to x - 4.5 + s + 1.5.
    // The source takes coordinates in [-0.5, 3.5).
    const GridSize target{10, 1, 1};
    const GridSize source{4, 1, 1};
    auto down = [](float f) { return std::nextafter(f, -10.0f); };
    auto up = [](float f) { return std::nextafter(f, 10.0f); };
    const struct {
        float shift;
        RowSpan expected;
    } cases[] = {
        {2.5f, {0, 4}},        // x = 0 lands on -0.5 (inside), x = 4 on 3.5 (outside)
        {down(2.5f), {1, 5}},  // x = 0 just below -0.5, x = 4 just below 3.5
        {3.5f, {0, 3}},        // x = 3 lands on 3.5
        {down(3.5f), {0, 4}},
        {-3.5f, {6, 10}},      // x = 6 lands on -0.5
        {up(-3.5f), {6, 10}},
        {down(-3.5f), {7, 10}},
    };
    for (const auto& c : cases) {
        Matrix4 m;
        identityMatrix(m);
        m.at(0, 3) = c.shift;
        const RowMapper mapper(m, target, source);
        const RowSpan span = mapper.insideSpan(mapper.row(0, 0));
        EXPECT_EQ(span.begin, c.expected.begin) << c.shift;
        EXPECT_EQ(span.end, c.expected.end) << c.shift;
    }
}

}  // namespace
}  // namespace orvane
