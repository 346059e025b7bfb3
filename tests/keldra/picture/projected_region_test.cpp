// The region a run wrote: its picture draws the region's outline and inner edges, and nothing
// where a write of an unchanged value left holes.
#include "keldra/picture/projected_region.h"

#include <gtest/gtest.h>

#include <cmath>

#include "keldra/picture/alignment_picture.h"

namespace orvane::keldra::picture {
namespace {

VolumeGrid cubeGrid(int n, const Affine& voxelToWorld = Affine::identity()) {
    VolumeGrid grid;
    grid.nx = grid.ny = grid.nz = n;
    grid.voxelToWorld = voxelToWorld;
    return grid;
}

TEST(ProjectedRegion, PictureDrawsTheWrittenShapeAndNotTheHolesInIt) {
    // The "run" wrote a ball (a shell of 150 around a core of 210) over a base of 100 that, at
    // every seventh voxel, already held the value written there: those voxels look unchanged.
    PictureVolume before;
    before.grid = cubeGrid(80, Affine::translation({-40.0, -40.0, -40.0}));
    before.values.assign(before.grid.voxelCount(), 100.0f);
    PictureVolume after = before;
    const Vector3d centre{6.2, -4.7, 3.1};
    const double radius = 15.0;
    const double coreRadius = 7.0;
    long holes = 0;
    for (int z = 0; z < 80; ++z) {
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                const Vector3d w = before.grid.voxelToWorld.apply({double(x), double(y), double(z)});
                const double d = length({w.x - centre.x, w.y - centre.y, w.z - centre.z});
                const std::size_t i = before.grid.index(x, y, z);
                if (d >= radius) {
                    continue;
                }
                after.values[i] = d < coreRadius ? 210.0f : 150.0f;
                if (i % 7 == 0) {
                    before.values[i] = after.values[i];
                    ++holes;
                }
            }
        }
    }
    ASSERT_GT(holes, 1000);
    const ProjectedRegion region = projectedRegion(before, after);

    const PictureOptions options;
    const PicturePlan plan = planPicture(before.grid, &after, options, 1);
    PictureLayers layers;
    layers.base = &before;
    layers.window = {0.0f, 200.0f};
    layers.projected = &region;
    const RgbImage image = renderPicture(plan, layers, options);

    // Every edge pixel lies on the ball's surface or the core's, within the half diagonal of a
    // voxel and one voxel more for the smoothing the edges are drawn from.
    const double tolerance = std::sqrt(3.0) / 2.0 + 1.0;
    int panelsThroughCore = 0;
    for (const PanelPlan& panel : plan.panels) {
        int edges = 0;
        for (int v = 20; v < panel.height - 20; ++v) {
            for (int u = 20; u < panel.width - 20; ++u) {
                if (image.pixel(panel.left + u, panel.top + v) != edgeRgb(options.edgeColour)) {
                    continue;
                }
                ++edges;
                const Vector3d w = plan.grid.voxelToWorld.apply(panelPixelToVoxel(plan, panel, u, v));
                const double d = length({w.x - centre.x, w.y - centre.y, w.z - centre.z});
                EXPECT_TRUE(std::fabs(d - radius) < tolerance || std::fabs(d - coreRadius) < tolerance)
                    << "edge " << d << " mm from the centre, panel slice " << panel.slice;
            }
        }
        const Vector3d planeCentre = plan.grid.voxelToWorld.apply(panelPixelToVoxel(plan, panel, 0, 0));
        const double offset = std::fabs(panel.axes.normalWorldAxis == 0   ? planeCentre.x - centre.x
                                        : panel.axes.normalWorldAxis == 1 ? planeCentre.y - centre.y
                                                                          : planeCentre.z - centre.z);
        if (offset < coreRadius - 3.0) {
            ++panelsThroughCore;
            EXPECT_GT(edges, 60) << "panel slice " << panel.slice;
        }
    }
    EXPECT_GE(panelsThroughCore, 3);
}

}  // namespace
}  // namespace orvane::keldra::picture
