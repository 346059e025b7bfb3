// The three projections on small grids whose outcome can be worked out by hand.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "projection/projections.h"

namespace orvane {
namespace {

Matrix4 identity() {
    Matrix4 m;
    identityMatrix(m);
    return m;
}

Matrix4 shiftedX(float dx) {
    Matrix4 m = identity();
    m.at(0, 3) = dx;
    return m;
}

template <typename T>
VolumeView<T> view(std::vector<T>& data, GridSize size) {
    return {data.data(), size};
}

template <typename T>
VolumeView<const T> constView(const std::vector<T>& data, GridSize size) {
    return {data.data(), size};
}

TEST(ProjectFmrIntoVmr, IdentityCopiesValuesAboveTheThresholdRounded) {
    const GridSize grid{3, 2, 2};
    const std::vector<float> fmr = {0.0f, 20.0f, 20.4f, 224.6f, 56.25f, 19.9f, 225.0f, 100.5f, 21.0f, 5.0f, 120.49f, 30.0f};
    std::vector<unsigned char> vmr(12, 7);
    projectFmrIntoVmr(identity(), constView(fmr, grid), view(vmr, grid));
    const std::vector<unsigned char> expected = {7, 7, 20, 225, 56, 7, 225, 101, 21, 7, 120, 30};
    EXPECT_EQ(vmr, expected);
}

TEST(ProjectFmrIntoVmr, PointsRoundingOutsideTheFmrAreSkipped) {
    const GridSize grid{4, 1, 1};
    const std::vector<float> fmr = {100.0f, 110.0f, 120.0f, 130.0f};
    struct Case {
        float shift;
        std::vector<unsigned char> expected;
    } cases[] = {
        {0.5f, {110, 120, 130, 7}},    // the tie rounds up: the last voxel maps to index 4
        {-0.5f, {100, 110, 120, 130}}, // -0.5 rounds to 0, still inside
        {-0.6f, {7, 100, 110, 120}},   // -0.6 rounds to -1
        {1.0e10f, {7, 7, 7, 7}},       // beyond the 32-bit range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shift);
        std::vector<unsigned char> vmr(4, 7);
        projectFmrIntoVmr(shiftedX(c.shift), constView(fmr, grid), view(vmr, grid));
        EXPECT_EQ(vmr, c.expected);
    }
    std::vector<unsigned char> vmr(4, 7);
    Matrix4 notANumber = identity();
    notANumber.at(1, 1) = std::numeric_limits<float>::quiet_NaN();
    projectFmrIntoVmr(notANumber, constView(fmr, grid), view(vmr, grid));
    EXPECT_EQ(vmr, std::vector<unsigned char>(4, 7));
}

TEST(ProjectFmrIntoVmr, CentresLineUpBetweenGridsOfDifferentSizes) {
    // A 2x1x1 FMR seen from a 4x1x1 VMR with half-size voxels: VMR voxel x sits at x - 1.5,
    // i.e. (x - 1.5) / 2 FMR voxels from the centre, i.e. FMR index (x - 1.5) / 2 + 0.5.
    const std::vector<float> fmr = {50.0f, 90.0f};
    std::vector<unsigned char> vmr(4, 0);
    Matrix4 half;
    scalingMatrix(half, 0.5f, 1.0f, 1.0f);
    projectFmrIntoVmr(half, constView(fmr, {2, 1, 1}), view(vmr, {4, 1, 1}));
    // x = 0 -> -0.25 -> 0; x = 1 -> 0.25 -> 0; x = 2 -> 0.75 -> 1; x = 3 -> 1.25 -> 1.
    EXPECT_EQ(vmr, (std::vector<unsigned char>{50, 50, 90, 90}));
}

TEST(ProjectVmrIntoFmr, ThreeTimesTheByteWithoutThresholdOutsideKeepsItsValue) {
    const GridSize grid{3, 1, 2};
    const std::vector<unsigned char> vmr = {100, 0, 255, 1, 20, 7};
    std::vector<float> fmr(6, 42.5f);
    projectVmrIntoFmr(identity(), constView(vmr, grid), view(fmr, grid));
    EXPECT_EQ(fmr, (std::vector<float>{300.0f, 0.0f, 765.0f, 3.0f, 60.0f, 21.0f}));

    std::vector<float> shifted(6, 42.5f);
    projectVmrIntoFmr(shiftedX(1.0f), constView(vmr, grid), view(shifted, grid));
    EXPECT_EQ(shifted, (std::vector<float>{0.0f, 765.0f, 42.5f, 60.0f, 21.0f, 42.5f}));
}

TEST(ProjectTwoFmrs, SecondFmrWinsAndFeedsTheFirstFmrsBuffer) {
    // Both VMR voxels map onto FMR 1's single voxel and onto their own FMR 2 voxel.
    Matrix4 ontoOneVoxel;
    scalingMatrix(ontoOneVoxel, 0.0f, 0.0f, 0.0f);
    std::vector<float> fmr1 = {5.0f};
    const std::vector<float> fmr2 = {100.0f, 10.0f};
    std::vector<unsigned char> vmr = {7, 7};
    projectTwoFmrs(ontoOneVoxel, identity(), view(fmr1, {1, 1, 1}), constView(fmr2, {2, 1, 1}), view(vmr, {2, 1, 1}));
    // Voxel 0 takes FMR 2's 100 and stores it into FMR 1; voxel 1 then reads FMR 1's new 100,
    // and FMR 2's 10 is below the threshold.
    EXPECT_EQ(vmr, (std::vector<unsigned char>{100, 100}));
    EXPECT_EQ(fmr1, std::vector<float>{100.0f});
}

TEST(ProjectTwoFmrs, VoxelOutsideTheFirstFmrIsLeftAloneEvenInsideTheSecond) {
    std::vector<float> fmr1 = {0.0f, 0.0f};
    const std::vector<float> fmr2 = {50.0f, 60.0f};
    std::vector<unsigned char> vmr = {7, 7};
    projectTwoFmrs(shiftedX(0.6f), identity(), view(fmr1, {2, 1, 1}), constView(fmr2, {2, 1, 1}), view(vmr, {2, 1, 1}));
    // Voxel 0 lands in FMR 1 at index 1 and takes FMR 2's 50; voxel 1 lands at index 2.
    EXPECT_EQ(vmr, (std::vector<unsigned char>{50, 7}));
    EXPECT_EQ(fmr1, (std::vector<float>{0.0f, 50.0f}));
}

TEST(ProjectTwoFmrs, FirstFmrShowsWhereTheSecondIsOutsideOrDark) {
    std::vector<float> fmr1 = {30.0f, 40.0f, 50.0f};
    const std::vector<float> fmr2 = {10.0f, 200.0f};
    std::vector<unsigned char> vmr = {7, 7, 7};
    projectTwoFmrs(identity(), identity(), view(fmr1, {3, 1, 1}), constView(fmr2, {2, 1, 1}), view(vmr, {3, 1, 1}));
    // FMR 2 is centred on a different grid: VMR x maps to FMR 2 index x - 1 + 0.5.
    // x = 0 -> -0.5 -> 0 (10, dark); x = 1 -> 0.5 -> 1 (200); x = 2 -> 1.5 -> 2 (outside).
    EXPECT_EQ(vmr, (std::vector<unsigned char>{30, 200, 50}));
    EXPECT_EQ(fmr1, (std::vector<float>{30.0f, 200.0f, 50.0f}));
}

}  // namespace
}  // namespace orvane
