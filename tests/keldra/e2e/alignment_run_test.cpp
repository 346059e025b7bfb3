// The module run by the built keldra on generated NIfTI files whose relation is known: what
// each mapping writes must land exactly where the two files' transforms say it should.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

struct Grid {
    int n[3];
    double voxel[3];
    Affine voxelToWorld;

    std::size_t size() const { return static_cast<std::size_t>(n[0]) * n[1] * n[2]; }
    std::size_t index(int x, int y, int z) const { return x + static_cast<std::size_t>(n[0]) * (y + static_cast<std::size_t>(n[1]) * z); }
};

// A grid whose centre voxel lies at world point `centre`.
Grid placedGrid(int nx, int ny, int nz, const double voxel[3], double ax, double ay, bool flipX, bool descending,
                const Vector3d& centre) {
    Grid g{{nx, ny, nz}, {voxel[0], voxel[1], voxel[2]}, obliqueAffine(ax, ay, voxel, {0, 0, 0}, flipX, descending)};
    Vector3d offset = centre - g.voxelToWorld.apply({(nx - 1) / 2.0, (ny - 1) / 2.0, (nz - 1) / 2.0});
    g.voxelToWorld = Affine::translation(offset) * g.voxelToWorld;
    return g;
}

TestImage imageOf(const Grid& g, int datatype, int volumes, double fill) {
    TestImage image;
    image.nx = g.n[0];
    image.ny = g.n[1];
    image.nz = g.n[2];
    image.nt = volumes;
    for (int i = 0; i < 3; ++i) image.voxelSize[i] = g.voxel[i];
    image.datatype = datatype;
    image.sform = g.voxelToWorld;
    image.values.assign(image.size(), fill);
    return image;
}

// Where voxel (x, y, z) of `from` falls in the voxel coordinates of `to`, and the nearest
// voxel, unless the point is within `margin` of a rounding boundary on any axis (then the
// nearest voxel is not determined by the relation alone, so the voxel is not judged).
struct Nearest {
    bool decided = false;
    bool inside = false;
    int i[3] = {0, 0, 0};
};
Nearest nearestVoxel(const Grid& from, const Grid& to, int x, int y, int z) {
    const Affine worldToVoxel = to.voxelToWorld.inverse().value_or(Affine{});
    Vector3d p = worldToVoxel.apply(from.voxelToWorld.apply({double(x), double(y), double(z)}));
    double c[3] = {p.x, p.y, p.z};
    Nearest result;
    result.inside = true;
    for (int a = 0; a < 3; ++a) {
        double fraction = c[a] - std::floor(c[a]);
        if (std::fabs(fraction - 0.5) < 0.02) {
            return result;
        }
        result.i[a] = static_cast<int>(std::floor(c[a] + 0.5));
        result.inside = result.inside && result.i[a] >= 0 && result.i[a] < to.n[a];
    }
    result.decided = true;
    return result;
}

struct Geometry {
    const char* name;
    bool flipX;
    bool descending;
};

void PrintTo(const Geometry& g, std::ostream* os) { *os << g.name; }

class AlignmentRun : public ::testing::TestWithParam<Geometry> {
protected:
    void SetUp() override {
        const double anatomicalVoxel[3] = {1.2, 1.2, 1.2};
        const double functionalVoxel[3] = {3, 3, 3.5};
        vmr = placedGrid(48, 48, 40, anatomicalVoxel, 0, 0, false, false, {0.4, -0.3, 0.2});
        fmr = placedGrid(14, 12, 9, functionalVoxel, 12, -8, GetParam().flipX, GetParam().descending,
                         {0.37, -0.61, 1.29});
    }

    ProcessResult run(const std::vector<std::string>& arguments) { return runKeldra(arguments, folder.path()); }

    ScratchFolder folder;
    Grid vmr, fmr;
    // Interior FMR voxels that carry markers.
    const int markers[6][3] = {{3, 3, 2}, {10, 4, 3}, {6, 8, 4}, {7, 6, 6}, {4, 9, 5}, {11, 2, 2}};
};

TEST_P(AlignmentRun, FmrToVmrLightsThePredictedAnatomicalVoxels) {
    TestImage functional = imageOf(fmr, DT_INT16, 2, 0);
    for (const auto& m : markers) functional.values[fmr.index(m[0], m[1], m[2])] = 1000;
    writeTestImage(folder.file("bold.nii.gz"), functional);
    writeTestImage(folder.file("anat.nii.gz"), imageOf(vmr, DT_UINT8, 1, 10));

    ProcessResult r = run({"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "1", "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Finished."), std::string::npos);
    ReadImage result = readTestImage(folder.file("out/vmr.nii.gz"));
    ASSERT_EQ(result.values.size(), vmr.size());
    EXPECT_LT(maxElementDifference(result.sform, vmr.voxelToWorld), 1e-4);

    int judged = 0, lit = 0;
    for (int z = 0; z < vmr.n[2]; ++z)
        for (int y = 0; y < vmr.n[1]; ++y)
            for (int x = 0; x < vmr.n[0]; ++x) {
                Nearest n = nearestVoxel(vmr, fmr, x, y, z);
                if (!n.decided) continue;
                bool marker = false;
                for (const auto& m : markers) marker = marker || (n.inside && m[0] == n.i[0] && m[1] == n.i[1] && m[2] == n.i[2]);
                double value = result.values[vmr.index(x, y, z)];
                ++judged;
                lit += marker;
                ASSERT_EQ(value, marker ? 225 : 10) << "VMR voxel " << x << "," << y << "," << z;
            }
    EXPECT_GT(judged, static_cast<int>(vmr.size() * 3 / 4));
    EXPECT_GT(lit, 6 * 10);  // each FMR voxel covers about 18 VMR voxels
}

TEST_P(AlignmentRun, VmrToFmrPutsTheAnatomysMarkersAtThePredictedFunctionalVoxels) {
    TestImage anatomical = imageOf(vmr, DT_UINT8, 1, 10);
    int markersPlaced = 0;
    for (const auto& m : markers) {
        Nearest n = nearestVoxel(fmr, vmr, m[0], m[1], m[2]);
        if (n.decided && n.inside) {
            anatomical.values[vmr.index(n.i[0], n.i[1], n.i[2])] = 200;
            ++markersPlaced;
        }
    }
    ASSERT_GE(markersPlaced, 4);
    writeTestImage(folder.file("anat.nii.gz"), anatomical);
    TestImage functional = imageOf(fmr, DT_INT16, 2, 0);
    functional.values[0] = 500;  // a first volume that is not constant
    for (std::size_t i = fmr.size(); i < functional.values.size(); ++i) functional.values[i] = double(i % 50);
    writeTestImage(folder.file("bold.nii.gz"), functional);

    ProcessResult r = run({"run", "anat.nii.gz", "bold.nii.gz", "--mapping", "2", "--out", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    ReadImage saved = readTestImage(folder.file("out/bold_VMR.nii.gz"));
    ASSERT_EQ(saved.nt, 2);
    ASSERT_EQ(saved.datatype, DT_INT16);
    EXPECT_EQ(saved.slope, 1);
    EXPECT_EQ(saved.intercept, 0);
    EXPECT_LT(maxElementDifference(saved.sform, fmr.voxelToWorld), 1e-4);
    int markersFound = 0;
    for (int z = 0; z < fmr.n[2]; ++z)
        for (int y = 0; y < fmr.n[1]; ++y)
            for (int x = 0; x < fmr.n[0]; ++x) {
                Nearest n = nearestVoxel(fmr, vmr, x, y, z);
                if (!n.decided || !n.inside) continue;
                double expected = 3 * anatomical.values[vmr.index(n.i[0], n.i[1], n.i[2])];
                markersFound += expected == 600;
                ASSERT_EQ(saved.values[fmr.index(x, y, z)], expected) << "FMR voxel " << x << "," << y << "," << z;
            }
    EXPECT_EQ(markersFound, markersPlaced);
    for (std::size_t i = fmr.size(); i < saved.values.size(); ++i) {
        ASSERT_EQ(saved.values[i], functional.values[i]) << "later volumes are kept";
    }
}

INSTANTIATE_TEST_SUITE_P(Geometries, AlignmentRun,
                         ::testing::Values(Geometry{"ascending", false, false},
                                           Geometry{"descending_flipped", true, true}),
                         [](const ::testing::TestParamInfo<Geometry>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane::keldra::testing
