// The checkerboard: tiles sized from the functional's voxels, anatomy tiles identical to the
// anatomy drawn alone, functional tiles showing the functional where the affines place it and
// black outside its field of view.
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

}  // namespace
}  // namespace orvane::keldra::picture
