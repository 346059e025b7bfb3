// keldra's affine type: composition order, the two inverses, rotations' handedness and the
// orientation letters. Every room builds on these, so a wrong direction here is a flip or a
// shift everywhere.
#include "keldra/geometry/affine.h"

#include <gtest/gtest.h>

#include "keldra/geometry/orientation.h"

namespace orvane::keldra::testing {
namespace {

void expectNear(const Vector3d& actual, const Vector3d& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// An oblique grid with a flipped first axis and unequal voxel sizes, as scanners write them.
Affine obliqueVoxelToWorld() {
    return Affine::translation({-90.5, 12.25, -40}) * Affine::rotation(14, -5, 7) * Affine::scaling(-3, 3, 3.5);
}

TEST(Affine, ComposesRightToLeftAndRotatesRightHanded) {
    const Affine shift = Affine::translation({10, 0, 0});
    const Affine twice = Affine::scaling(2, 2, 2);
    expectNear((shift * twice).apply({1, 1, 1}), {12, 2, 2});
    expectNear((twice * shift).apply({1, 1, 1}), {22, 2, 2});
    // A quarter turn about z takes x to y, about x takes y to z, about y takes z to x.
    expectNear(Affine::rotation(0, 0, 90).apply({1, 0, 0}), {0, 1, 0});
    expectNear(Affine::rotation(90, 0, 0).apply({0, 1, 0}), {0, 0, 1});
    expectNear(Affine::rotation(0, 90, 0).apply({0, 0, 1}), {1, 0, 0});
    // About x first: (x then z) takes y to z, and z stays.
    expectNear(Affine::rotation(90, 0, 90).apply({0, 1, 0}), {0, 0, 1});
    expectNear(obliqueVoxelToWorld().column(2), Affine::rotation(14, -5, 7).apply({0, 0, 3.5}));
}

TEST(Affine, InversesUndoTheMapAndRefuseASingularOne) {
    const Affine voxelToWorld = obliqueVoxelToWorld();
    const std::optional<Affine> worldToVoxel = voxelToWorld.inverse();
    ASSERT_TRUE(worldToVoxel.has_value());
    EXPECT_LT(maxElementDifference(*worldToVoxel * voxelToWorld, Affine::identity()), 1e-12);
    expectNear(worldToVoxel->apply(voxelToWorld.apply({3, -2, 17.5})), {3, -2, 17.5});

    const Affine rigid = Affine::translation({4, -7, 1.5}) * Affine::rotation(-30, 12, 100);
    EXPECT_LT(maxElementDifference(rigid.rigidInverse(), rigid.inverse().value()), 1e-12);

    Affine flat = voxelToWorld;
    flat.setColumn(2, voxelToWorld.column(0) + voxelToWorld.column(1));
    EXPECT_FALSE(flat.inverse().has_value());
}

TEST(OrientationLetters, NameTheDominantWorldDirectionOfEachAxis) {
    const struct {
        Vector3d direction;
        char letter;
    } cases[] = {
        {{1, 0, 0}, 'R'},    {{-1, 0, 0}, 'L'},   {{0, 2, 0}, 'A'},      {{0, -2, 0}, 'P'},
        {{0, 0, 3}, 'S'},    {{0, 0, -3}, 'I'},   {{0.3, -0.9, 0.2}, 'P'}, {{0.5, 0.2, -0.6}, 'I'},
        {{-1, 1, 1}, 'L'},   {{0, -1, 1}, 'P'},   {{0, 0, 0}, 'R'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orientationLetter(c.direction), c.letter)
            << c.direction.x << ", " << c.direction.y << ", " << c.direction.z;
    }
    // Flipped x, the tilt small: still read as L, A, S.
    EXPECT_EQ(orientationLetters(obliqueVoxelToWorld()), "LAS");
    // Voxel axes stored as y, z, x (a sagittal acquisition).
    Affine sagittal;
    sagittal.setColumn(0, {0, -1, 0});
    sagittal.setColumn(1, {0, 0, 1});
    sagittal.setColumn(2, {1, 0, 0});
    sagittal.m[3][3] = 1;
    EXPECT_EQ(orientationLetters(sagittal), "PSR");
}

}  // namespace
}  // namespace orvane::keldra::testing
