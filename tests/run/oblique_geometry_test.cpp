// The geometry of a whole run, checked against a relation worked out independently in double
// precision: an FMR of 3x3x4 mm voxels lies obliquely in a VMR of 1x1x1.2 mm voxels, rotated
// about all three axes and shifted. A bright voxel on one side must light exactly the voxels on
// the other side that the relation predicts, so a wrong flip, axis order, scaling or centring
// shows up as voxels in the wrong place.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "tests/run/run_workspace.h"

namespace orvane {
namespace {

using testing::FakeFmr;
using testing::FakeHost;
using testing::FakeVmr;

using Vec3 = std::array<double, 3>;

constexpr std::int32_t kVmrGrid[3] = {64, 60, 56};
constexpr double kVmrVoxel[3] = {1.0, 1.0, 1.2};
constexpr std::int32_t kFmrGrid[3] = {12, 10, 8};
constexpr double kFmrVoxel[3] = {3.0, 3.0, 4.0};

// How the slices were acquired, and which FMR axis that reverses.
struct SliceOrder {
    const char* name;
    Point3 first;
    Point3 last;
    int flippedAxis;  // -1 for none
};

const SliceOrder kSliceOrders[] = {
    {"descending slices", {0, 0, 14}, {0, 0, -14}, -1},
    {"ascending slices", {0, 0, -14}, {0, 0, 14}, 2},
    {"sagittal, right to left", {20, 1, 0}, {-20, -1, 0}, 0},
};

// The FMR-to-VMR millimetre relation: rotation about z by 25, x by -15 and y by 10 degrees,
// then a shift; stored in single precision, as the host would hand it over.
Matrix4 obliqueAlignment() {
    auto rotation = [](int axis, double degrees, double (&r)[3][3]) {
        const double a = degrees * std::acos(-1.0) / 180.0;
        const int u = (axis + 1) % 3;
        const int v = (axis + 2) % 3;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                r[i][j] = i == j ? 1.0 : 0.0;
            }
        }
        r[u][u] = std::cos(a);
        r[u][v] = -std::sin(a);
        r[v][u] = std::sin(a);
        r[v][v] = std::cos(a);
    };
    double rz[3][3], rx[3][3], ry[3][3], zx[3][3], all[3][3];
    rotation(2, 25.0, rz);
    rotation(0, -15.0, rx);
    rotation(1, 10.0, ry);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            zx[i][j] = rz[i][0] * rx[0][j] + rz[i][1] * rx[1][j] + rz[i][2] * rx[2][j];
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            all[i][j] = zx[i][0] * ry[0][j] + zx[i][1] * ry[1][j] + zx[i][2] * ry[2][j];
        }
    }
    Matrix4 m;
    identityMatrix(m);
    const double shift[3] = {4.0, -3.0, 6.0};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m.at(i, j) = static_cast<float>(all[i][j]);
        }
        m.at(i, 3) = static_cast<float>(shift[i]);
    }
    return m;
}

struct Relation {
    Matrix4 alignment = obliqueAlignment();
    int flippedAxis = -1;

    double r(int i, int j) const { return static_cast<double>(alignment.at(i, j)); }

    // FMR voxel indices (continuous) to VMR voxel indices (continuous).
    Vec3 vmrFromFmr(const Vec3& fmrIndex) const {
        Vec3 millimetres;
        for (int a = 0; a < 3; ++a) {
            double centred = fmrIndex[a] - (kFmrGrid[a] - 1) / 2.0;
            if (a == flippedAxis) {
                centred = -centred;
            }
            millimetres[a] = centred * kFmrVoxel[a];
        }
        Vec3 vmr;
        for (int i = 0; i < 3; ++i) {
            const double q = r(i, 0) * millimetres[0] + r(i, 1) * millimetres[1] + r(i, 2) * millimetres[2] + r(i, 3);
            vmr[i] = q / kVmrVoxel[i] + (kVmrGrid[i] - 1) / 2.0;
        }
        return vmr;
    }

    // VMR voxel indices to FMR voxel indices, through the transposed rotation.
    Vec3 fmrFromVmr(const Vec3& vmrIndex) const {
        Vec3 q;
        for (int i = 0; i < 3; ++i) {
            q[i] = (vmrIndex[i] - (kVmrGrid[i] - 1) / 2.0) * kVmrVoxel[i] - r(i, 3);
        }
        Vec3 fmr;
        for (int a = 0; a < 3; ++a) {
            double centred = (r(0, a) * q[0] + r(1, a) * q[1] + r(2, a) * q[2]) / kFmrVoxel[a];
            if (a == flippedAxis) {
                centred = -centred;
            }
            fmr[a] = centred + (kFmrGrid[a] - 1) / 2.0;
        }
        return fmr;
    }
};

// True when x lies so close to a rounding boundary that single and double precision may differ.
bool nearTie(double x) { return std::fabs(x - std::floor(x) - 0.5) < 1e-3; }

struct ObliqueWorkspace {
    FakeHost host;
    FakeVmr& vmr;
    FakeFmr& fmr;
    Relation relation;

    explicit ObliqueWorkspace(const SliceOrder& order)
        : vmr(host.addVmr({kVmrGrid[0], kVmrGrid[1], kVmrGrid[2]})),
          fmr(host.addFmr({kFmrGrid[0], kFmrGrid[1], kFmrGrid[2]}, kFmrDataInt16, "oblique")) {
        vmr.header.setVoxelSize(float(kVmrVoxel[0]), float(kVmrVoxel[1]), float(kVmrVoxel[2]));
        fmr.header.setVoxelSize(float(kFmrVoxel[0]), float(kFmrVoxel[1]), float(kFmrVoxel[2]));
        fmr.position.setFirstSliceCentre(order.first);
        fmr.position.setLastSliceCentre(order.last);
        fmr.initialAlignment = relation.alignment;
        relation.flippedAxis = order.flippedAxis;
    }

    bool run(int choice) {
        host.answerPrompts({choice});
        return runAlignment(host.lookup());
    }
};

class ObliqueGeometry : public testing::FakeHostTest {};

TEST_F(ObliqueGeometry, BrightFmrVoxelLightsThePredictedVmrVoxels) {
    const int marker[3] = {8, 3, 5};
    for (const SliceOrder& order : kSliceOrders) {
        SCOPED_TRACE(order.name);
        ObliqueWorkspace w(order);
        w.fmr.intData[voxelIndex({kFmrGrid[0], kFmrGrid[1], kFmrGrid[2]}, marker[0], marker[1], marker[2])] = 1000;
        ASSERT_TRUE(w.run(1));

        int predicted = 0;
        int mismatches = 0;
        for (int z = 0; z < kVmrGrid[2]; ++z) {
            for (int y = 0; y < kVmrGrid[1]; ++y) {
                for (int x = 0; x < kVmrGrid[0]; ++x) {
                    const Vec3 f = w.relation.fmrFromVmr({double(x), double(y), double(z)});
                    if (nearTie(f[0]) || nearTie(f[1]) || nearTie(f[2])) {
                        continue;
                    }
                    const bool expectLit = std::floor(f[0] + 0.5) == marker[0] && std::floor(f[1] + 0.5) == marker[1] &&
                                           std::floor(f[2] + 0.5) == marker[2];
                    const unsigned char voxel = w.vmr.voxels[voxelIndex({kVmrGrid[0], kVmrGrid[1], kVmrGrid[2]}, x, y, z)];
                    predicted += expectLit ? 1 : 0;
                    if (voxel != (expectLit ? 225 : 0)) {
                        ++mismatches;
                    }
                }
            }
        }
        // One 3x3x4 mm FMR voxel covers about 30 VMR voxels of 1x1x1.2 mm.
        EXPECT_GT(predicted, 20);
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(ObliqueGeometry, BrightVmrVoxelLightsThePredictedFmrVoxel) {
    const int target[3] = {3, 7, 2};
    for (const SliceOrder& order : kSliceOrders) {
        SCOPED_TRACE(order.name);
        ObliqueWorkspace w(order);
        const Vec3 centre = w.relation.vmrFromFmr({double(target[0]), double(target[1]), double(target[2])});
        ASSERT_FALSE(nearTie(centre[0]) || nearTie(centre[1]) || nearTie(centre[2]));
        int bright[3];
        for (int a = 0; a < 3; ++a) {
            bright[a] = static_cast<int>(std::floor(centre[a] + 0.5));
            ASSERT_GE(bright[a], 0);
            ASSERT_LT(bright[a], kVmrGrid[a]);
        }
        w.vmr.voxels[voxelIndex({kVmrGrid[0], kVmrGrid[1], kVmrGrid[2]}, bright[0], bright[1], bright[2])] = 255;
        ASSERT_TRUE(w.run(2));

        ASSERT_EQ(w.host.saves().size(), 1u);
        const std::vector<std::int16_t>& saved = w.host.saves()[0].intData;
        const std::size_t lit =
            voxelIndex({kFmrGrid[0], kFmrGrid[1], kFmrGrid[2]}, target[0], target[1], target[2]);
        for (std::size_t i = 0; i < saved.size(); ++i) {
            ASSERT_EQ(saved[i], i == lit ? 765 : 0) << "FMR voxel " << i;
        }
    }
}

}  // namespace
}  // namespace orvane
