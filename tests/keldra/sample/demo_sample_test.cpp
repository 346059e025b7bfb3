// The built-in sample: the shape of each volume, a head that is not left-right symmetric, and
// functionals whose affines say where their voxels really came from.
#include "keldra/sample/demo_sample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "keldra/sample/head_phantom.h"

namespace orvane::keldra::picture {
namespace {

class DemoSampleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sample_ = std::make_unique<DemoSample>(makeDemoSample()); }
    static void TearDownTestSuite() { sample_.reset(); }
    static std::unique_ptr<DemoSample> sample_;
};
std::unique_ptr<DemoSample> DemoSampleTest::sample_;

// The world position of the mean of the voxels whose value lies in [low, high].
Vector3d centroidOfValues(const VolumeGrid& grid, const std::vector<float>& values, float low, float high, int& count) {
    Vector3d sum;
    count = 0;
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x) {
                const float v = values[grid.index(x, y, z)];
                if (v < low || v > high) {
                    continue;
                }
                const Vector3d w = grid.voxelToWorld.apply({double(x), double(y), double(z)});
                sum = {sum.x + w.x, sum.y + w.y, sum.z + w.z};
                ++count;
            }
        }
    }
    return count > 0 ? Vector3d{sum.x / count, sum.y / count, sum.z / count} : sum;
}

TEST_F(DemoSampleTest, HasRealisticSizesAndValues) {
    const DemoSample& s = *sample_;
    EXPECT_GE(s.anatomical.grid.nx, 176);
    EXPECT_GE(s.anatomical.grid.ny, 208);
    EXPECT_GE(s.anatomical.grid.nz, 176);
    EXPECT_NEAR(s.anatomical.grid.voxelSize(0), 1.0, 1e-9);
    for (const VolumeSeries* f : {&s.functional, &s.secondFunctional}) {
        EXPECT_EQ(f->grid.nx, 64);
        EXPECT_EQ(f->grid.ny, 64);
        EXPECT_EQ(f->grid.nz, 30);
        EXPECT_NEAR(f->grid.voxelSize(0), 3.0, 1e-9);
        EXPECT_NEAR(f->grid.voxelSize(2), 3.5, 1e-9);
        ASSERT_EQ(f->volumes.size(), 10u);
        // Volumes differ, but only a little: a drift, a response and noise, not a new image.
        double meanChange = 0.0;
        double mean = 0.0;
        for (std::size_t i = 0; i < f->volumes[0].size(); ++i) {
            meanChange += std::fabs(f->volumes[5][i] - f->volumes[0][i]);
            mean += f->volumes[0][i];
        }
        EXPECT_GT(meanChange, 0.0);
        EXPECT_LT(meanChange / mean, 0.03);
    }
    for (float v : s.anatomical.values) {
        ASSERT_TRUE(v >= 0.0f && v <= 225.0f && v == std::round(v)) << v;
    }
}

TEST_F(DemoSampleTest, FunctionalIsObliqueShiftedAndStoredTopDown) {
    const Affine& a = sample_->functional.grid.voxelToWorld;
    // The slice axis points inferior: slice 0 is the top of the head.
    EXPECT_LT(a.m[2][2], 0.0);
    // Tilted: every voxel axis leaves its nearest world axis by more than a degree.
    for (int axis = 0; axis < 3; ++axis) {
        const Vector3d step = a.column(axis);
        const double largest = std::max({std::fabs(step.x), std::fabs(step.y), std::fabs(step.z)});
        EXPECT_LT(largest / length(step), std::cos(std::acos(-1.0) / 180.0)) << axis;
    }
    // Shifted by no whole number of anatomical voxels.
    const auto worldToAnatomical = sample_->anatomical.grid.voxelToWorld.inverse();
    ASSERT_TRUE(worldToAnatomical);
    const Vector3d corner = (*worldToAnatomical).apply(a.apply({0.0, 0.0, 0.0}));
    for (double c : {corner.x, corner.y, corner.z}) {
        EXPECT_GT(std::fabs(c - std::round(c)), 0.05) << c;
    }
}

TEST_F(DemoSampleTest, AnatomicalIsNotLeftRightSymmetric) {
    // Compare each voxel with its mirror image across the midsagittal plane x = 0.
    const PictureVolume& anat = sample_->anatomical;
    const auto worldToVoxel = anat.grid.voxelToWorld.inverse();
    ASSERT_TRUE(worldToVoxel);
    long differing = 0;
    long head = 0;
    for (int z = 0; z < anat.grid.nz; z += 2) {
        for (int y = 0; y < anat.grid.ny; y += 2) {
            for (int x = 0; x < anat.grid.nx; ++x) {
                const Vector3d w = anat.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                const Vector3d m = (*worldToVoxel).apply({-w.x, w.y, w.z});
                const int mx = static_cast<int>(std::lround(m.x));
                if (mx < 0 || mx >= anat.grid.nx || anat.at(x, y, z) < 20.0f) {
                    continue;
                }
                ++head;
                differing += std::fabs(anat.at(x, y, z) - anat.at(mx, y, z)) > 25.0f ? 1 : 0;
            }
        }
    }
    ASSERT_GT(head, 100000);
    EXPECT_GT(static_cast<double>(differing) / head, 0.02) << differing << " of " << head;
}

TEST_F(DemoSampleTest, AffinesPlaceTheLesionWhereTheAnatomicalHasIt) {
    // The lesion has a value of its own in both contrasts; its centre, found in each volume's
    // voxels and carried to world space by each volume's affine, must be the same point.
    int anatomicalCount = 0;
    const Vector3d inAnatomical =
        centroidOfValues(sample_->anatomical.grid, sample_->anatomical.values, 62.0f, 78.0f, anatomicalCount);
    ASSERT_GT(anatomicalCount, 1000);
    for (const VolumeSeries* f : {&sample_->functional, &sample_->secondFunctional}) {
        int count = 0;
        const Vector3d inFunctional = centroidOfValues(f->grid, f->volumes[0], 1450.0f, 2500.0f, count);
        ASSERT_GT(count, 20);
        EXPECT_NEAR(inFunctional.x, inAnatomical.x, 1.5);
        EXPECT_NEAR(inFunctional.y, inAnatomical.y, 1.5);
        EXPECT_NEAR(inFunctional.z, inAnatomical.z, 1.5);
    }
}

TEST(DemoSample, IsTheSameOnEveryCall) {
    const VolumeSeries a = sampleFunctional(demoSecondFunctionalGrid(), 2, 7);
    const VolumeSeries b = sampleFunctional(demoSecondFunctionalGrid(), 2, 7);
    EXPECT_EQ(a.volumes, b.volumes);
    const VolumeSeries other = sampleFunctional(demoSecondFunctionalGrid(), 2, 8);
    EXPECT_NE(a.volumes, other.volumes);
}

}  // namespace
}  // namespace orvane::keldra::picture
