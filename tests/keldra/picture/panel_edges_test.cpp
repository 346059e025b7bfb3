// Edges drawn from a lightly smoothed image: a noisy functional leaves no short contours in the
// picture, while the outline of what it shows stays.
#include "keldra/picture/panel_edges.h"

#include <gtest/gtest.h>

#include <cmath>

#include "keldra/picture/alignment_picture.h"
#include "keldra/picture/short_contours.h"

namespace orvane::keldra::picture {
namespace {

// A repeatable noise value in -1..1 for voxel i.
double noiseAt(std::size_t i) {
    std::uint64_t x = i * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return static_cast<double>(x % 20001) / 10000.0 - 1.0;
}

// Sizes of the groups of `colour` pixels in a panel that touch through their eight neighbours.
std::vector<int> groupSizes(const RgbImage& image, const PanelPlan& panel, Rgb colour) {
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(panel.width) * panel.height, 0);
    std::vector<int> sizes;
    for (int v0 = 0; v0 < panel.height; ++v0) {
        for (int u0 = 0; u0 < panel.width; ++u0) {
            if (seen[v0 * panel.width + u0] || image.pixel(panel.left + u0, panel.top + v0) != colour) {
                continue;
            }
            int size = 0;
            std::vector<std::pair<int, int>> pending = {{u0, v0}};
            seen[v0 * panel.width + u0] = 1;
            while (!pending.empty()) {
                const auto [u, v] = pending.back();
                pending.pop_back();
                ++size;
                for (int dv = -1; dv <= 1; ++dv) {
                    for (int du = -1; du <= 1; ++du) {
                        const int nu = u + du, nv = v + dv;
                        if (nu >= 0 && nv >= 0 && nu < panel.width && nv < panel.height && !seen[nv * panel.width + nu] &&
                            image.pixel(panel.left + nu, panel.top + nv) == colour) {
                            seen[nv * panel.width + nu] = 1;
                            pending.push_back({nu, nv});
                        }
                    }
                }
            }
            sizes.push_back(size);
        }
    }
    return sizes;
}

TEST(PanelEdges, ANoisyFunctionalLeavesNoShortContoursButItsOutline) {
    // A head of 1000 in a 3 mm functional with noise of up to a third of that everywhere,
    // drawn over a plain anatomy: the noise alone would trace hundreds of small loops.
    PictureVolume base;
    base.grid.nx = base.grid.ny = base.grid.nz = 100;
    base.grid.voxelToWorld = Affine::translation({-50.0, -50.0, -50.0});
    base.values.assign(base.grid.voxelCount(), 100.0f);
    PictureVolume functional;
    functional.grid.nx = functional.grid.ny = functional.grid.nz = 32;
    functional.grid.voxelToWorld =
        Affine::translation({-46.5, -46.5, -46.5}) * (Affine::rotation(7.0, -5.0, 3.0) * Affine::scaling(3.0, 3.0, 3.0));
    functional.values.resize(functional.grid.voxelCount());
    for (int z = 0; z < 32; ++z) {
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const std::size_t i = functional.grid.index(x, y, z);
                const Vector3d w = functional.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                functional.values[i] = static_cast<float>((length(w) < 30.0 ? 1000.0 : 50.0) + 330.0 * noiseAt(i));
            }
        }
    }
    const PictureOptions options;
    const PicturePlan plan = planPicture(base.grid, &base, options, 1);
    PictureLayers layers;
    layers.base = &base;
    layers.window = {0.0f, 200.0f};
    layers.overlay = &functional;
    const RgbImage image = renderPicture(plan, layers, options);

    // No contour of less than a few millimetres (the pixels of a contour measure its length).
    const int shortest = static_cast<int>(std::ceil(10.0 / plan.mmPerPixel));
    int panelsWithTheOutline = 0;
    for (const PanelPlan& panel : plan.panels) {
        int red = 0;
        for (int size : groupSizes(image, panel, edgeRgb(options.edgeColour))) {
            EXPECT_GE(size, shortest) << "panel at " << panel.left << "," << panel.top;
            red += size;
        }
        // A plane that cuts the head well inside shows its outline: a ring of at least 15 mm radius.
        const Vector3d centre = plan.grid.voxelToWorld.apply(panelPixelToVoxel(plan, panel, panel.width / 2.0, panel.height / 2.0));
        if (std::fabs(centre[panel.axes.normalWorldAxis]) < 20.0) {
            ++panelsWithTheOutline;
            EXPECT_GT(red * plan.mmPerPixel, 2.0 * 3.14159 * 15.0) << "panel at " << panel.left << "," << panel.top;
        }
    }
    EXPECT_GE(panelsWithTheOutline, 6);
}

TEST(ShortContours, GroupsBelowTheLengthGoAndTouchingGroupsCountAsOne) {
    // A 3-pixel dot, a diagonal line of 6 and an L of 4 + 3 that touch at a corner.
    const int w = 12, h = 6;
    std::vector<std::uint8_t> edges(w * h, 0);
    for (int x = 0; x < 3; ++x) edges[0 * w + x] = 1;
    for (int i = 0; i < 6; ++i) edges[i * w + 4 + i] = 1;
    for (int y = 2; y < 6; ++y) edges[y * w + 0] = 1;
    for (int x = 1; x < 4; ++x) edges[5 * w + x] = 1;
    dropShortContours(edges, w, h, 6);
    EXPECT_EQ(edges[0 * w + 1], 0) << "the dot goes";
    EXPECT_EQ(edges[3 * w + 7], 1) << "the diagonal stays";
    EXPECT_EQ(edges[5 * w + 3], 1) << "the L stays as one group of seven";
    EXPECT_EQ(edges[2 * w + 0], 1);
}

}  // namespace
}  // namespace orvane::keldra::picture
