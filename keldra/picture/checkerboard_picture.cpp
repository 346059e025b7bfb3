// Drawing the checkerboard: the anatomy's picture is drawn whole by the plan, then the
// functional's tiles are painted over it, each pixel from the functional's grey at the anatomy
// voxel the pixel shows, and each panel's letters are drawn again on top. Letters and captions
// come out as if the picture had been drawn twice and the tiles taken alternately from each.
#include "keldra/picture/checkerboard_picture.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace orvane::keldra::picture {
namespace {

// The functional's grey at the voxels of a panel's slice that the panel shows: the functional
// sampled (nearest neighbour) at the centre of each anatomy voxel, zero outside its grid.
struct PanelGreys {
    int firstAcross = 0;
    int firstDown = 0;
    int across = 0;
    std::vector<std::uint8_t> grey;

    std::uint8_t at(int a, int b) const {
        return grey[static_cast<std::size_t>(b - firstDown) * static_cast<std::size_t>(across) +
                    static_cast<std::size_t>(a - firstAcross)];
    }
};

PanelGreys functionalGreys(const PanelPlan& panel, const std::vector<int>& acrossIndices,
                           const std::vector<int>& downIndices, const PictureVolume& functional,
                           const std::optional<Affine>& gridToFunctional, const GreyWindow& window) {
    PanelGreys greys;
    const auto [acrossLow, acrossHigh] = std::minmax_element(acrossIndices.begin(), acrossIndices.end());
    const auto [downLow, downHigh] = std::minmax_element(downIndices.begin(), downIndices.end());
    greys.firstAcross = *acrossLow;
    greys.firstDown = *downLow;
    greys.across = *acrossHigh - *acrossLow + 1;
    const int down = *downHigh - *downLow + 1;
    greys.grey.assign(static_cast<std::size_t>(greys.across) * static_cast<std::size_t>(down), window.grey(0.0f));
    if (!gridToFunctional) {
        return greys;
    }
    const VolumeGrid& f = functional.grid;
    int voxel[3] = {0, 0, 0};
    voxel[panel.axes.sliceAxis] = panel.slice;
    int& a = voxel[panel.axes.horizontal.voxelAxis];
    int& b = voxel[panel.axes.vertical.voxelAxis];
    std::uint8_t* out = greys.grey.data();
    for (b = greys.firstDown; b <= *downHigh; ++b) {
        for (a = greys.firstAcross; a <= *acrossHigh; ++a, ++out) {
            const Vector3d at = gridToFunctional->apply({double(voxel[0]), double(voxel[1]), double(voxel[2])});
            const double x = std::floor(at.x + 0.5), y = std::floor(at.y + 0.5), z = std::floor(at.z + 0.5);
            if (x >= 0 && y >= 0 && z >= 0 && x < f.nx && y < f.ny && z < f.nz) {
                *out = window.grey(functional.at(static_cast<int>(x), static_cast<int>(y), static_cast<int>(z)));
            }
        }
    }
    return greys;
}

// Paints the functional's tiles of one panel: those whose tile row and column add up to an odd
// number.
void drawFunctionalTiles(RgbImage& image, const PicturePlan& plan, const PanelPlan& panel, int tile,
                         const PictureVolume& functional, const std::optional<Affine>& gridToFunctional,
                         const GreyWindow& window) {
    if (panel.width <= 0 || panel.height <= 0) {
        return;
    }
    const std::vector<int> across = panelVoxelIndices(plan, panel, true);
    const std::vector<int> down = panelVoxelIndices(plan, panel, false);
    const PanelGreys greys = functionalGreys(panel, across, down, functional, gridToFunctional, window);
    std::vector<std::uint8_t>& bytes = image.bytes();
    for (int v = 0; v < panel.height; ++v) {
        const int y = panel.top + v;
        if (y < 0 || y >= image.height()) {
            continue;
        }
        const int row = down[static_cast<std::size_t>(v)];
        for (int u = (v / tile + 1) % 2 * tile; u < panel.width; u += 2 * tile) {
            const int x0 = std::max(panel.left + u, 0);
            const int x1 = std::min({panel.left + u + tile, panel.left + panel.width, image.width()});
            std::uint8_t* out = bytes.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width()) +
                                                static_cast<std::size_t>(x0)) * 3;
            for (int x = x0; x < x1; ++x, out += 3) {
                out[0] = out[1] = out[2] = greys.at(across[static_cast<std::size_t>(x - panel.left)], row);
            }
        }
    }
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

    // No placement, or too few values: the functional's tiles show it as zero everywhere.
    std::optional<Affine> gridToFunctional;
    const std::optional<Affine> worldToFunctional = functional.grid.voxelToWorld.inverse();
    if (worldToFunctional && functional.values.size() >= functional.grid.voxelCount()) {
        gridToFunctional = *worldToFunctional * plan.grid.voxelToWorld;
    }
    const GreyWindow window = robustWindow(functional);
    const int tile = checkerboardTilePixels(plan, functional.grid);
    for (const PanelPlan& panel : plan.panels) {
        drawFunctionalTiles(image, plan, panel, tile, functional, gridToFunctional, window);
        drawPanelLabels(image, panel);
    }
    return image;
}

}  // namespace orvane::keldra::picture
