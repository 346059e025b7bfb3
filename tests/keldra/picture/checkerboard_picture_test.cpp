// The checkerboard: tiles sized from the functional's voxels, anatomy tiles identical to the
// anatomy drawn alone, functional tiles showing the functional where the affines place it and
// black outside its field of view; and the tiles painted over the anatomy's picture are what
// drawing the functional whole on the panels' slices and taking every other tile gives.
#include "keldra/picture/checkerboard_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace orvane::keldra::picture {
namespace {

TEST(CheckerboardPicture, TilesAlternateBetweenTheAnatomyAndThePlacedFunctional) {
    // A 90 mm anatomy striped in two values (black and white once windowed), its bytes borrowed
    // as keldra's anatomy is, and a 48 mm functional of 4 mm voxels in its middle, of one value
    // that windows to mid-grey.
    PictureVolume anatomy;
    anatomy.grid.nx = anatomy.grid.ny = anatomy.grid.nz = 90;
    anatomy.grid.voxelToWorld = Affine::translation({-44.5, -44.5, -44.5});
    std::vector<std::uint8_t> stripes(anatomy.grid.voxelCount());
    for (std::size_t i = 0; i < stripes.size(); ++i) {
        stripes[i] = i % 2 == 0 ? 50 : 56;
    }
    anatomy.bytes = stripes.data();
    PictureVolume functional;
    functional.grid.nx = functional.grid.ny = functional.grid.nz = 12;
    functional.grid.voxelToWorld = Affine::translation({-22.0, -22.0, -22.0}) * Affine::scaling(4.0, 4.0, 4.0);
    functional.values.assign(functional.grid.voxelCount(), 1000.0f);
    functional.values[0] = 0.0f;
    functional.values[1] = 2000.0f;

    const PictureOptions options;
    // Planned as keldra plans it: around the anatomy's object (here all of it).
    const PicturePlan plan = planPicture(anatomy.grid, &anatomy, options, 1);
    const int tile = checkerboardTilePixels(plan, functional.grid);
    EXPECT_EQ(tile, static_cast<int>(std::lround(16.0 / plan.mmPerPixel)));  // four 4 mm voxels

    const std::vector<std::string> caption = {"checkerboard"};
    const RgbImage board = renderCheckerboard(plan, anatomy, functional, caption, options);
    PictureLayers alone;
    alone.base = &anatomy;
    alone.window = robustWindow(anatomy);
    ASSERT_LT(alone.window.low, alone.window.high - 1.0f) << "the stripes should window to black and white";
    alone.caption = caption;
    const RgbImage anatomyOnly = renderPicture(plan, alone, options);
    ASSERT_EQ(board.bytes().size(), anatomyOnly.bytes().size());

    const Rgb grey = {128, 128, 128};
    long functionalPixels = 0;
    long blackOutside = 0;
    for (const PanelPlan& panel : plan.panels) {
        for (int v = 0; v < panel.height; ++v) {
            for (int u = 0; u < panel.width; ++u) {
                const Rgb shown = board.pixel(panel.left + u, panel.top + v);
                if ((u / tile + v / tile) % 2 == 0) {
                    ASSERT_EQ(shown, anatomyOnly.pixel(panel.left + u, panel.top + v)) << u << ", " << v;
                    continue;
                }
                const Vector3d world = plan.grid.voxelToWorld.apply(panelPixelToVoxel(plan, panel, u, v));
                const bool inside = std::fabs(world.x) < 23.5 && std::fabs(world.y) < 23.5 && std::fabs(world.z) < 23.5;
                const bool deepInside = std::fabs(world.x) < 20 && std::fabs(world.y) < 20 && std::fabs(world.z) < 20;
                const bool farOutside = std::fabs(world.x) > 26 || std::fabs(world.y) > 26 || std::fabs(world.z) > 26;
                // Away from the letters in the middle of each panel edge.
                if (u < 20 || v < 20 || u >= panel.width - 20 || v >= panel.height - 20) {
                    continue;
                }
                if (deepInside) {
                    EXPECT_LE(std::abs(shown.r - grey.r), 1) << u << ", " << v;
                    functionalPixels += 1;
                } else if (farOutside && !inside) {
                    EXPECT_EQ(shown, Rgb{}) << u << ", " << v;
                    blackOutside += 1;
                }
            }
        }
    }
    EXPECT_GT(functionalPixels, 1000);
    EXPECT_GT(blackOutside, 100);
}

// The functional placed on the anatomy's grid by the affines, nearest neighbour at each voxel's
// centre, zero outside its grid: what the checkerboard's functional tiles show.
PictureVolume placedOnGrid(const VolumeGrid& grid, const PictureVolume& functional) {
    PictureVolume placed;
    placed.grid = grid;
    placed.values.assign(grid.voxelCount(), 0.0f);
    const Affine toFunctional = *functional.grid.voxelToWorld.inverse() * grid.voxelToWorld;
    const VolumeGrid& f = functional.grid;
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x) {
                const Vector3d at = toFunctional.apply({double(x), double(y), double(z)});
                const double fx = std::floor(at.x + 0.5), fy = std::floor(at.y + 0.5), fz = std::floor(at.z + 0.5);
                if (fx >= 0 && fy >= 0 && fz >= 0 && fx < f.nx && fy < f.ny && fz < f.nz) {
                    placed.values[grid.index(x, y, z)] = functional.at(int(fx), int(fy), int(fz));
                }
            }
        }
    }
    return placed;
}

TEST(CheckerboardPicture, PaintedTilesAreTheFunctionalDrawnWholeTakenEveryOtherTile) {
    // An oblique functional partly outside a small anatomy, with negative values (so that zero,
    // outside it, is not black) and a NaN; tiles that do not divide the panels, so that some
    // are cut by a panel's edge, and the letters drawn over both kinds of tile.
    PictureVolume anatomy;
    anatomy.grid.nx = 60;
    anatomy.grid.ny = 50;
    anatomy.grid.nz = 40;
    anatomy.grid.voxelToWorld = Affine::translation({-29.5, -24.5, -19.5});
    std::vector<std::uint8_t> bytes(anatomy.grid.voxelCount());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 37) % 251);
    }
    anatomy.bytes = bytes.data();
    PictureVolume functional;
    functional.grid.nx = 16;
    functional.grid.ny = 14;
    functional.grid.nz = 12;
    functional.grid.voxelToWorld = Affine::translation({12.0, -6.0, 4.0}) * Affine::rotation(14.0, -9.0, 21.0) *
                                   Affine::scaling(3.0, 3.0, 3.5) * Affine::translation({-7.5, -6.5, -5.5});
    functional.values.resize(functional.grid.voxelCount());
    for (std::size_t i = 0; i < functional.values.size(); ++i) {
        functional.values[i] = static_cast<float>((i * 53) % 97) - 30.0f;
    }
    functional.values[100] = std::nanf("");

    const PictureOptions options;
    const PicturePlan plan = planPicture(anatomy.grid, &anatomy, options, 1, &functional.grid);
    const std::vector<std::string> caption = {"checkerboard"};
    PictureLayers layers;
    layers.base = &anatomy;
    layers.window = robustWindow(anatomy);
    layers.caption = caption;
    const RgbImage anatomyImage = renderPicture(plan, layers, options);
    const PictureVolume placed = placedOnGrid(plan.grid, functional);
    layers.base = &placed;
    layers.window = robustWindow(functional);
    ASSERT_GT(layers.window.grey(0.0f), 0) << "zero outside the functional should not be black here";
    const RgbImage functionalImage = renderPicture(plan, layers, options);
    RgbImage want = anatomyImage;
    const int tile = checkerboardTilePixels(plan, functional.grid);
    long cutTiles = 0;
    for (const PanelPlan& panel : plan.panels) {
        cutTiles += panel.width % tile != 0 || panel.height % tile != 0 ? 1 : 0;
        for (int v = 0; v < panel.height; ++v) {
            for (int u = 0; u < panel.width; ++u) {
                if ((u / tile + v / tile) % 2 == 1) {
                    want.setPixel(panel.left + u, panel.top + v, functionalImage.pixel(panel.left + u, panel.top + v));
                }
            }
        }
    }
    ASSERT_GT(cutTiles, 0);
    ASSERT_NE(want.bytes(), anatomyImage.bytes());

    const RgbImage board = renderCheckerboard(plan, anatomy, functional, caption, options);
    ASSERT_EQ(board.width(), want.width());
    ASSERT_EQ(board.height(), want.height());
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            ASSERT_EQ(board.pixel(x, y), want.pixel(x, y)) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace orvane::keldra::picture
