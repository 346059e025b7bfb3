// The host's initial alignment: handed to the module's own matrix assembly, it must reproduce
// the true mapping between the two grids, whatever their orientation, flips and slice order.
#include <gtest/gtest.h>

#include <cstring>

#include "geometry/slice_order_flip.h"
#include "geometry/vmr_to_fmr_matrix.h"
#include "keldra/workspace/initial_alignment.h"
#include "keldra/workspace/position_record.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra {
namespace {

using testing::obliqueAffine;

struct GridCase {
    const char* name;
    int grid[3];
    double voxelSize[3];
    double rotateX, rotateY;
    Vector3d translation;
    bool flipX, flipZ;
};

DocumentGeometry geometryOf(const GridCase& c) {
    DocumentGeometry g;
    for (int i = 0; i < 3; ++i) {
        g.grid[i] = c.grid[i];
        g.voxelSize[i] = static_cast<float>(c.voxelSize[i]);
    }
    g.voxelToWorld = obliqueAffine(c.rotateX, c.rotateY, c.voxelSize, c.translation, c.flipX, c.flipZ);
    return g;
}

// A sagittal stack: slices advance along world x.
DocumentGeometry sagittal(bool towardsLeft) {
    GridCase c{"sagittal", {20, 24, 12}, {2.5, 2.5, 3.0}, 0, 0, {0, 0, 0}, false, false};
    DocumentGeometry g = geometryOf(c);
    Affine w = Affine::identity();
    w.setColumn(0, {0, 2.5, 0});
    w.setColumn(1, {0, 0, 2.5});
    w.setColumn(2, {towardsLeft ? -3.0 : 3.0, 0, 0});
    g.voxelToWorld = Affine::translation({12.3, -4.1, 7.7}) * w;
    return g;
}

Matrix4 toMatrix4(const float m[16]) {
    Matrix4 r;
    std::memcpy(r.m, m, sizeof r.m);
    return r;
}

// The module's assembled VMR-to-FMR matrix for the host's records and initial alignment.
Matrix4 moduleMatrix(const DocumentGeometry& fmr, const DocumentGeometry& vmr, const float initialAlignment[16]) {
    PositionHeader fmrPosition{};
    writePositionRecord(fmr, fmrPosition);
    FmrHeader fmrHeader{};
    fmrHeader.setDimX(fmr.grid[0]);
    fmrHeader.setDimY(fmr.grid[1]);
    fmrHeader.setSlices(fmr.grid[2]);
    fmrHeader.setVoxelSize(fmr.voxelSize[0], fmr.voxelSize[1], fmr.voxelSize[2]);
    VmrHeader vmrHeader{};
    vmrHeader.setDims(vmr.grid[0], vmr.grid[1], vmr.grid[2]);
    vmrHeader.setVoxelSize(vmr.voxelSize[0], vmr.voxelSize[1], vmr.voxelSize[2]);
    Matrix4 past;
    identityMatrix(past);
    return computeVmrToFmrMatrix(fmrHeader, fmrPosition, vmrHeader, past, toMatrix4(initialAlignment),
                                 [](const std::string&) {});
}

// T computed straight from the two voxel-to-world transforms, in double precision.
Affine trueMapping(const DocumentGeometry& fmr, const DocumentGeometry& vmr) {
    const std::optional<Affine> worldToFmr = fmr.voxelToWorld.inverse();
    EXPECT_TRUE(worldToFmr.has_value());
    auto centre = [](const DocumentGeometry& g, double sign) {
        return Affine::translation({sign * (g.grid[0] - 1) / 2, sign * (g.grid[1] - 1) / 2, sign * (g.grid[2] - 1) / 2});
    };
    return centre(fmr, -1) * worldToFmr.value_or(Affine{}) * vmr.voxelToWorld * centre(vmr, 1);
}

void expectAssembledMatrixIsTrueMapping(const DocumentGeometry& fmr, const DocumentGeometry& vmr) {
    PositionHeader fmrPosition{}, vmrPosition{};
    writePositionRecord(fmr, fmrPosition);
    writePositionRecord(vmr, vmrPosition);
    float initialAlignment[16];
    std::string error;
    ASSERT_TRUE(computeInitialAlignment(fmrPosition, vmrPosition, initialAlignment, error)) << error;
    Matrix4 assembled = moduleMatrix(fmr, vmr, initialAlignment);
    Affine expected = trueMapping(fmr, vmr);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(assembled.at(r, c), expected.m[r][c], 1e-4) << "element [" << r << "][" << c << "]";
        }
    }
}

TEST(InitialAlignment, ModuleAssemblyReproducesTheTrueMappingForEveryGeometry) {
    const GridCase anatomicals[] = {
        {"axial anatomical", {64, 64, 48}, {1, 1, 1}, 0, 0, {-31.5, -40.25, -20}, false, false},
        {"oblique anisotropic anatomical", {50, 60, 40}, {1.0, 1.1, 1.3}, -6, 9, {10.3, -7.9, 4.4}, true, false},
    };
    const GridCase functionals[] = {
        {"axial ascending", {16, 16, 10}, {3, 3, 3.5}, 0, 0, {-22.5, -22.5, -15.75}, false, false},
        {"oblique ascending", {18, 14, 9}, {3, 3, 4}, 14, -9, {-20.37, -18.61, -12.93}, false, false},
        {"oblique descending", {18, 14, 9}, {3, 3, 4}, -11, 7, {-20.37, 18.61, 12.93}, false, true},
        {"oblique, left-right flipped storage", {18, 14, 9}, {3.2, 3.2, 4}, 17, 12, {25.1, -18.6, -10.2}, true, false},
        {"flipped and descending", {15, 15, 8}, {2.5, 2.5, 3}, 20, -15, {2.2, -0.4, 9.9}, true, true},
        {"tilted towards coronal", {16, 16, 10}, {3, 3, 3}, 80, 0, {0.6, 0.3, -0.2}, false, false},
    };
    for (const GridCase& anatomical : anatomicals) {
        for (const GridCase& functional : functionals) {
            SCOPED_TRACE(std::string(functional.name) + " against " + anatomical.name);
            expectAssembledMatrixIsTrueMapping(geometryOf(functional), geometryOf(anatomical));
        }
        SCOPED_TRACE(std::string("sagittal stacks against ") + anatomical.name);
        expectAssembledMatrixIsTrueMapping(sagittal(true), geometryOf(anatomical));
        expectAssembledMatrixIsTrueMapping(sagittal(false), geometryOf(anatomical));
    }
}

TEST(InitialAlignment, SliceOrderFlipFollowsTheModulesRule) {
    const Point3 cases[][2] = {
        {{0, 0, -30}, {0, 0, 30}},  {{0, 0, 30}, {0, 0, -30}},  {{40, 0, 0}, {-40, 0, 0}},
        {{-40, 0, 0}, {40, 0, 0}},  {{10, 10, 0}, {0, 0, 0}},   {{0, -20, 5}, {0, 0, 0}},
        {{1, -20, 0.5f}, {0, 0, 0}}, {{5, 0, -5}, {0, 0, 0}},   {{-3, 1, 7}, {4, 2, -9}},
    };
    for (const auto& c : cases) {
        PositionHeader record{};
        record.setFirstSliceCentre(c[0]);
        record.setLastSliceCentre(c[1]);
        Matrix4 expected = orvane::sliceOrderFlip(record);
        SliceOrderFlip flip = sliceOrderFlip(c[0], c[1]);
        EXPECT_EQ(flip.x, expected.at(0, 0)) << c[0].x << "," << c[0].y << "," << c[0].z;
        EXPECT_EQ(flip.y, expected.at(1, 1));
        EXPECT_EQ(flip.z, expected.at(2, 2)) << c[0].x << "," << c[0].y << "," << c[0].z;
    }
}

TEST(PositionRecord, CarriesTheGridInTheHostsBytesAndTheCentresWhereTheModuleReadsThem) {
    GridCase c{"oblique", {18, 14, 9}, {3, 3, 4}, 14, -9, {-20.37, -18.61, -12.93}, true, false};
    DocumentGeometry g = geometryOf(c);
    PositionHeader record{};
    writePositionRecord(g, record);
    std::int32_t i32;
    float f32;
    EXPECT_EQ(std::memcmp(record.bytes, "KDP1", 4), 0);
    std::memcpy(&i32, record.bytes + 4, 4);
    EXPECT_EQ(i32, -1);  // a left-right flipped grid
    std::memcpy(&i32, record.bytes + 40, 4);
    EXPECT_EQ(i32, 9);
    std::memcpy(&f32, record.bytes + 52, 4);
    EXPECT_EQ(f32, 4.0f);
    Vector3d first = sliceCentre(g, 0), last = sliceCentre(g, 8);
    EXPECT_FLOAT_EQ(record.firstSliceCentre().z, static_cast<float>(first.z));
    EXPECT_FLOAT_EQ(record.lastSliceCentre().x, static_cast<float>(last.x));

    RecordedGrid back;
    std::string error;
    ASSERT_TRUE(readPositionRecord(record, back, error)) << error;
    EXPECT_LT(maxElementDifference(back.voxelToWorld, g.voxelToWorld), 1e-4);
}

TEST(PositionRecord, RefusesRecordsItDidNotWriteOrThatContradictThemselves) {
    DocumentGeometry g = sagittal(true);
    PositionHeader record{};
    writePositionRecord(g, record);
    RecordedGrid back;
    std::string error;

    PositionHeader foreign{};
    EXPECT_FALSE(readPositionRecord(foreign, back, error));

    PositionHeader moved = record;
    Point3 last = moved.lastSliceCentre();
    last.z += 2.0f;
    moved.setLastSliceCentre(last);
    EXPECT_FALSE(readPositionRecord(moved, back, error));
    EXPECT_NE(error.find("contradict"), std::string::npos);

    float ia[16];
    EXPECT_FALSE(computeInitialAlignment(foreign, record, ia, error));
}

}  // namespace
}  // namespace orvane::keldra
