// Drawing the checkerboard: the picture is drawn twice by the same plan, once of the anatomy and
// once of the functional resampled onto the slices the panels show, and the tiles are taken
// alternately from each. Both drawings carry the same letters, positions and caption, so they
// survive the merge untouched.
#include "keldra/picture/checkerboard_picture.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace orvane::keldra::picture {
namespace {

// The functional sampled (nearest neighbour) at the centres of the anatomy's voxels on the
// slices the plan shows; zero elsewhere and outside the functional's grid.
PictureVolume functionalOnPanels(const PicturePlan& plan, const PictureVolume& functional) {
    PictureVolume onGrid;
    onGrid.grid = plan.grid;
    onGrid.values.assign(plan.grid.voxelCount(), 0.0f);
    onGrid.name = functional.name;
    onGrid.affineLabel = functional.affineLabel;
    const std::optional<Affine> worldToFunctional = functional.grid.voxelToWorld.inverse();
    if (!worldToFunctional || functional.values.size() < functional.grid.voxelCount()) {
        return onGrid;
    }
    const Affine gridToFunctional = *worldToFunctional * plan.grid.voxelToWorld;
    const VolumeGrid& f = functional.grid;
    for (const PanelPlan& panel : plan.panels) {
        const int a = panel.axes.horizontal.voxelAxis;
        const int b = panel.axes.vertical.voxelAxis;
        int voxel[3] = {0, 0, 0};
        voxel[panel.axes.sliceAxis] = panel.slice;
        for (voxel[b] = 0; voxel[b] < plan.grid.size(b); ++voxel[b]) {
            for (voxel[a] = 0; voxel[a] < plan.grid.size(a); ++voxel[a]) {
                const Vector3d at = gridToFunctional.apply({double(voxel[0]), double(voxel[1]), double(voxel[2])});
                const double x = std::floor(at.x + 0.5), y = std::floor(at.y + 0.5), z = std::floor(at.z + 0.5);
                if (x >= 0 && y >= 0 && z >= 0 && x < f.nx && y < f.ny && z < f.nz) {
                    onGrid.values[plan.grid.index(voxel[0], voxel[1], voxel[2])] =
                        functional.at(static_cast<int>(x), static_cast<int>(y), static_cast<int>(z));
                }
            }
        }
    }
    return onGrid;
}

}  // namespace

int checkerboardTilePixels(const PicturePlan& plan, const VolumeGrid& functional) {
    double largest = 0;
    for (int axis = 0; axis < 3; ++axis) {
        largest = std::max(largest, functional.voxelSize(axis));
    }
    const double tileMm = std::clamp(4.0 * largest, 8.0, 24.0);
    return std::max(4, static_cast<int>(std::lround(tileMm / plan.mmPerPixel)));
}

RgbImage renderCheckerboard(const PicturePlan& plan, const PictureVolume& anatomy, const PictureVolume& functional,
                            const std::vector<std::string>& caption, const PictureOptions& options) {
    PictureLayers layers;
    layers.base = &anatomy;
    layers.window = robustWindow(anatomy);
    layers.caption = caption;
    RgbImage image = renderPicture(plan, layers, options);

    const PictureVolume placed = functionalOnPanels(plan, functional);
    layers.base = &placed;
    layers.window = robustWindow(functional);
    const RgbImage functionalImage = renderPicture(plan, layers, options);

    const int tile = checkerboardTilePixels(plan, functional.grid);
    for (const PanelPlan& panel : plan.panels) {
        for (int v = 0; v < panel.height; ++v) {
            for (int u = 0; u < panel.width; ++u) {
                if ((u / tile + v / tile) % 2 == 1) {
                    image.setPixel(panel.left + u, panel.top + v, functionalImage.pixel(panel.left + u, panel.top + v));
                }
            }
        }
    }
    return image;
}

}  // namespace orvane::keldra::picture
