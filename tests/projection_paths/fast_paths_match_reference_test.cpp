// Every faster projection path against the per-voxel reference walk on random geometries:
// the VMR bytes and FMR buffers they leave must be identical to the last bit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "projection/avx2_projections.h"
#include "projection/portable_projections.h"
#include "projection/projections.h"
#include "tests/reference/reference_projections.h"
#include "random_geometry.h"

namespace orvane {
namespace {

using FmrIntoVmr = void (*)(const Matrix4&, VolumeView<const float>, VolumeView<unsigned char>);
using VmrIntoFmr = void (*)(const Matrix4&, VolumeView<const unsigned char>, VolumeView<float>);
using TwoFmrs = void (*)(const Matrix4&, const Matrix4&, VolumeView<float>, VolumeView<const float>,
                         VolumeView<unsigned char>);

struct Path {
    std::string name;
    FmrIntoVmr fmrIntoVmr;
    VmrIntoFmr vmrIntoFmr;
    TwoFmrs twoFmrs;
};

// The paths this processor can run, the entry points' own choice among them included.
std::vector<Path> fastPaths() {
    std::vector<Path> paths = {
        {"portable", portable::projectFmrIntoVmr, portable::projectVmrIntoFmr, portable::projectTwoFmrs},
        {"dispatched", projectFmrIntoVmr, projectVmrIntoFmr, projectTwoFmrs},
    };
#if ORVANE_HAS_AVX2_PATH
    if (avx2::isSupported()) {
        paths.push_back({"avx2", avx2::projectFmrIntoVmr, avx2::projectVmrIntoFmr, avx2::projectTwoFmrs});
    }
#endif
    return paths;
}

// Bitwise, so that a not-a-number or a signed zero in a buffer counts as what it is.
template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

// How many target voxels the reference changed, so that a run of geometries that never
// projects anything cannot pass for agreement.
template <typename T>
std::size_t changedCount(const std::vector<T>& before, const std::vector<T>& after) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        n += std::memcmp(&before[i], &after[i], sizeof(T)) != 0;
    }
    return n;
}

constexpr int kGeometries = 1200;

TEST(FastProjectionPaths, FmrIntoVmrMatchesTheReference) {
    const std::vector<Path> paths = fastPaths();
    testing::RandomGeometry random(51);
    std::size_t changed = 0;
    for (int geometry = 0; geometry < kGeometries; ++geometry) {
        const GridSize vmrSize = random.grid(90, 9);
        const GridSize fmrSize = random.grid(40, 9);
        const Matrix4 m = random.matrixWithTie(vmrSize, fmrSize);
        const std::vector<float> fmr = random.intensities(fmrSize);
        const std::vector<unsigned char> vmrBefore = random.bytes(vmrSize);
        std::vector<unsigned char> expected = vmrBefore;
        reference::projectFmrIntoVmr(m, {fmr.data(), fmrSize}, {expected.data(), vmrSize});
        changed += changedCount(vmrBefore, expected);
        for (const Path& path : paths) {
            std::vector<unsigned char> vmr = vmrBefore;
            path.fmrIntoVmr(m, {fmr.data(), fmrSize}, {vmr.data(), vmrSize});
            ASSERT_TRUE(vmr == expected) << path.name << ", geometry " << geometry << "\n" << toText(m, "matrix");
        }
    }
    EXPECT_GT(changed, 20000u);
}

TEST(FastProjectionPaths, VmrIntoFmrMatchesTheReference) {
    const std::vector<Path> paths = fastPaths();
    testing::RandomGeometry random(52);
    std::size_t changed = 0;
    for (int geometry = 0; geometry < kGeometries; ++geometry) {
        // Sometimes a VMR of fewer than four voxels, which no four-byte load fits into.
        const GridSize vmrSize = random.chance(0.05) ? GridSize{random.between(1, 3), 1, 1} : random.grid(40, 9);
        const GridSize fmrSize = random.grid(90, 9);
        const Matrix4 m = random.matrixWithTie(fmrSize, vmrSize);
        const std::vector<unsigned char> vmr = random.bytes(vmrSize);
        const std::vector<float> fmrBefore = random.intensities(fmrSize);
        std::vector<float> expected = fmrBefore;
        reference::projectVmrIntoFmr(m, {vmr.data(), vmrSize}, {expected.data(), fmrSize});
        changed += changedCount(fmrBefore, expected);
        for (const Path& path : paths) {
            std::vector<float> fmr = fmrBefore;
            path.vmrIntoFmr(m, {vmr.data(), vmrSize}, {fmr.data(), fmrSize});
            ASSERT_TRUE(sameBits(fmr, expected)) << path.name << ", geometry " << geometry << "\n" << toText(m, "matrix");
        }
    }
    EXPECT_GT(changed, 10000u);
}

TEST(FastProjectionPaths, TwoFmrsMatchTheReferenceInVmrAndFirstFmr) {
    const std::vector<Path> paths = fastPaths();
    testing::RandomGeometry random(53);
    std::size_t fmr1Changed = 0;
    for (int geometry = 0; geometry < kGeometries; ++geometry) {
        const GridSize vmrSize = random.grid(90, 9);
        const GridSize fmr1Size = random.grid(40, 9);
        // Often one FMR 2 for the whole VMR, so that many voxels in a row feed the same FMR 1
        // voxel and read back what their neighbours stored.
        const GridSize fmr2Size = random.chance(0.5) ? vmrSize : random.grid(40, 9);
        const Matrix4 m1 = random.matrixWithTie(vmrSize, fmr1Size);
        Matrix4 m2;
        if (random.chance(0.5)) {
            identityMatrix(m2);
        } else {
            m2 = random.matrixWithTie(vmrSize, fmr2Size);
        }
        const std::vector<float> fmr1Before = random.intensities(fmr1Size);
        const std::vector<float> fmr2 = random.intensities(fmr2Size);
        const std::vector<unsigned char> vmrBefore = random.bytes(vmrSize);
        std::vector<float> expectedFmr1 = fmr1Before;
        std::vector<unsigned char> expectedVmr = vmrBefore;
        reference::projectTwoFmrs(m1, m2, {expectedFmr1.data(), fmr1Size}, {fmr2.data(), fmr2Size},
                                  {expectedVmr.data(), vmrSize});
        fmr1Changed += changedCount(fmr1Before, expectedFmr1);
        for (const Path& path : paths) {
            std::vector<float> fmr1 = fmr1Before;
            std::vector<unsigned char> vmr = vmrBefore;
            path.twoFmrs(m1, m2, {fmr1.data(), fmr1Size}, {fmr2.data(), fmr2Size}, {vmr.data(), vmrSize});
            ASSERT_TRUE(vmr == expectedVmr) << path.name << ", geometry " << geometry << "\n"
                                            << toText(m1, "FMR 1") << toText(m2, "FMR 2");
            ASSERT_TRUE(sameBits(fmr1, expectedFmr1)) << path.name << ", geometry " << geometry;
        }
    }
    EXPECT_GT(fmr1Changed, 2000u);
}

// A realistic oblique case at full row length, where almost every voxel goes through the
// eight-voxel groups rather than the remainders.
TEST(FastProjectionPaths, ObliqueAnatomyAndFunctionalGridsMatchTheReference) {
    testing::RandomGeometry random(54);
    const GridSize vmrSize{160, 24, 20};
    const GridSize fmrSize{64, 64, 30};
    Matrix4 scale;
    scalingMatrix(scale, 1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.5f);
    Matrix4 rotation;
    identityMatrix(rotation);
    const float c = 0.97f, s = 0.2431049f;  // about 14 degrees about z
    rotation.at(0, 0) = c;
    rotation.at(0, 1) = -s;
    rotation.at(1, 0) = s;
    rotation.at(1, 1) = c;
    rotation.at(0, 3) = 2.25f;
    Matrix4 vmrToFmr;
    multiply(scale, rotation, vmrToFmr);
    const std::vector<float> fmr = random.intensities(fmrSize);
    const std::vector<unsigned char> vmrBefore = random.bytes(vmrSize);
    std::vector<unsigned char> expected = vmrBefore;
    reference::projectFmrIntoVmr(vmrToFmr, {fmr.data(), fmrSize}, {expected.data(), vmrSize});
    for (const Path& path : fastPaths()) {
        std::vector<unsigned char> vmr = vmrBefore;
        path.fmrIntoVmr(vmrToFmr, {fmr.data(), fmrSize}, {vmr.data(), vmrSize});
        EXPECT_TRUE(vmr == expected) << path.name;
    }
}

}  // namespace
}  // namespace orvane
