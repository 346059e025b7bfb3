// The VMR-to-FMR mapping: which axis the slice order flips, when the past transformations take
// part, the order of the factors and what is logged on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "geometry/slice_order_flip.h"
#include "geometry/vmr_to_fmr_matrix.h"

namespace orvane {
namespace {

PositionHeader slicesFromTo(Point3 first, Point3 last) {
    PositionHeader position{};
    position.setFirstSliceCentre(first);
    position.setLastSliceCentre(last);
    return position;
}

struct FlipCase {
    const char* name;
    Point3 first;
    Point3 last;
    float expectedX;  // F[0][0]
    float expectedZ;  // F[2][2]
};

TEST(SliceOrderFlip, NegatesAtMostTheAxisTheSliceCentresChoose) {
    const FlipCase cases[] = {
        {"slices ascend in z", {0, 0, -30}, {0, 0, 30}, 1, -1},
        {"slices descend in z", {0, 0, 30}, {0, 0, -30}, 1, 1},
        {"sagittal, first slice right", {40, 0, 0}, {-40, 0, 0}, -1, 1},
        {"sagittal, first slice left", {-40, 0, 0}, {40, 0, 0}, 1, 1},
        {"x ties y: the x rule applies", {10, 10, 0}, {0, 0, 0}, -1, 1},
        {"z beats x but z difference is positive", {0, -20, 5}, {0, 0, 0}, 1, 1},
        {"y beats x, so the z rule applies", {1, -20, 0.5f}, {0, 0, 0}, 1, 1},
        {"y beats x and z difference is negative", {1, -20, -0.5f}, {0, 0, 0}, 1, -1},
        {"all centres equal", {5, 5, 5}, {5, 5, 5}, 1, 1},
    };
    for (const FlipCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Matrix4 flip = sliceOrderFlip(slicesFromTo(c.first, c.last));
        for (int i = 0; i < 16; ++i) {
            float expected = (i % 5 == 0) ? 1.0f : 0.0f;
            if (i == 0) {
                expected = c.expectedX;
            }
            if (i == 10) {
                expected = c.expectedZ;
            }
            EXPECT_EQ(flip.m[i], expected) << "element " << i;
        }
    }
}

Matrix4 translation(float x, float y, float z) {
    Matrix4 m;
    identityMatrix(m);
    m.at(0, 3) = x;
    m.at(1, 3) = y;
    m.at(2, 3) = z;
    return m;
}

Matrix4 diagonal(float a, float b, float c) {
    Matrix4 m;
    scalingMatrix(m, a, b, c);
    return m;
}

struct Inputs {
    FmrHeader fmr{};
    PositionHeader position{};
    VmrHeader vmr{};
    Matrix4 past = diagonal(1, 1, 1);
    Matrix4 alignment = diagonal(1, 1, 1);

    Inputs() {
        fmr.setVoxelSize(3, 3, 3);
        vmr.setVoxelSize(1, 1, 1);
        // Slices descending in z: no flip.
        position = slicesFromTo({0, 0, 30}, {0, 0, -30});
    }

    Matrix4 compute(std::vector<std::string>* logged = nullptr) const {
        std::vector<std::string> ignored;
        std::vector<std::string>& sink = logged ? *logged : ignored;
        return computeVmrToFmrMatrix(fmr, position, vmr, past, alignment,
                                     [&sink](const std::string& text) { sink.push_back(text); });
    }
};

void expectMatrix(const Matrix4& actual, const Matrix4& expected) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(actual.m[i], expected.m[i]) << "element " << i;
    }
}

TEST(VmrToFmrMatrix, IdentityAlignmentScalesVmrVoxelsIntoFmrVoxels) {
    Inputs in;
    std::vector<std::string> logged;
    expectMatrix(in.compute(&logged), diagonal(1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f));

    const Matrix4 identity = diagonal(1, 1, 1);
    const std::vector<std::string> expected = {
        toText(identity, "Flipping matrix, based on slice acquisition order"),
        toText(diagonal(1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f), "FMR inverse scaling matrix"),
        toText(identity, "VMR scaling matrix"),
        toText(diagonal(1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f), "Final VMR 2 FMR matrix"),
    };
    EXPECT_EQ(logged, expected);
}

TEST(VmrToFmrMatrix, FactorsAreAppliedScaleVmrUndoAlignmentThenScaleFmr) {
    Inputs in;
    in.fmr.setVoxelSize(2, 4, 5);
    in.vmr.setVoxelSize(1, 2, 0.5f);
    in.alignment = translation(10, 20, 30);
    // A VMR voxel step of (1, 1, 1) is (1, 2, 0.5) mm; the alignment moved FMR millimetres by
    // (10, 20, 30), so the origin lands at -(10, 20, 30) mm = (-5, -5, -6) FMR voxels.
    Matrix4 expected = diagonal(0.5f, 0.5f, 0.1f);
    expected.at(0, 3) = -5.0f;
    expected.at(1, 3) = -5.0f;
    expected.at(2, 3) = -6.0f;
    expectMatrix(in.compute(), expected);
}

TEST(VmrToFmrMatrix, SliceFlipActsInFmrVoxelSpace) {
    Inputs in;
    in.position = slicesFromTo({0, 0, -30}, {0, 0, 30});
    in.fmr.setVoxelSize(2, 2, 2);
    in.alignment = translation(0, 0, 8);
    Matrix4 expected = diagonal(0.5f, 0.5f, -0.5f);
    expected.at(2, 3) = 4.0f;  // -1 x (-8 mm / 2)
    expectMatrix(in.compute(), expected);
}

TEST(VmrToFmrMatrix, PastFlipIsLoggedAndComposedWithTheSliceFlipOnlyWhenPresent) {
    Inputs in;
    in.fmr.setVoxelSize(1, 1, 1);
    in.position = slicesFromTo({0, 0, -30}, {0, 0, 30});  // F = diag(1, 1, -1)

    std::vector<std::string> logged;
    in.past = diagonal(-1, 1, 1);
    const Matrix4 withPast = in.compute(&logged);
    ASSERT_EQ(logged.size(), 5u);
    EXPECT_EQ(logged[3], toText(in.past, "Incorporating flip in past VMR transformation"));
    // F x Sf x A x (F x past) x Sv with everything else the identity: F x F x past = past.
    expectMatrix(withPast, diagonal(-1, 1, 1));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    in.past = diagonal(1, 1, nan);
    logged.clear();
    in.compute(&logged);
    EXPECT_EQ(logged.size(), 5u) << "a NaN diagonal element counts as a flip";

    in.past = diagonal(1, 1, 1);
    in.past.at(0, 3) = 7.0f;  // only the diagonal decides
    logged.clear();
    expectMatrix(in.compute(&logged), diagonal(1, 1, -1));
    EXPECT_EQ(logged.size(), 4u);
}

}  // namespace
}  // namespace orvane
