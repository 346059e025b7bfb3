// Drawing the checkerboard: the anatomy's picture is drawn whole by the plan, then the
// functional's tiles are painted over it, each pixel from the functional's grey at the anatomy
// voxel the pixel shows, and each panel's letters are drawn again on top. Letters and captions
// come out as if the picture had been drawn twice and the tiles taken alternately from each.
#include "keldra/picture/checkerboard_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace orvane::keldra::picture {
namespace {

// The functional's grey at the anatomy voxels of one panel's slice: the functional sampled
// (nearest neighbour) at the voxel's centre, and the grey of zero outside its grid or when it
// cannot be placed. The products of the map's elements with each voxel index are taken once
// per panel; each voxel's place adds them in the order Affine::apply does, so it is the same.
class FunctionalOnSlice {
public:
    FunctionalOnSlice(const PicturePlan& plan, const PanelPlan& panel, const PictureVolume& functional,
                      const std::optional<Affine>& gridToFunctional, const GreyWindow& window)
        : functional_(functional), window_(window), outside_(window.grey(0.0f)), placed_(gridToFunctional.has_value()),
          acrossAxis_(panel.axes.horizontal.voxelAxis), downAxis_(panel.axes.vertical.voxelAxis) {
        if (!placed_) {
            return;
        }
        const Affine& m = *gridToFunctional;
        for (int r = 0; r < 3; ++r) {
            shift_[r] = m.m[r][3];
            sliceTerm_[r] = m.m[r][panel.axes.sliceAxis] * double(panel.slice);
            for (int a = 0; a < plan.grid.size(acrossAxis_); ++a) {
                acrossTerms_[r].push_back(m.m[r][acrossAxis_] * double(a));
            }
            for (int d = 0; d < plan.grid.size(downAxis_); ++d) {
                downTerms_[r].push_back(m.m[r][downAxis_] * double(d));
            }
        }
    }

    std::uint8_t grey(int across, int down) const {
        if (!placed_) {
            return outside_;
        }
        double at[3];
        for (int r = 0; r < 3; ++r) {
            double term[3];
            term[acrossAxis_] = acrossTerms_[r][static_cast<std::size_t>(across)];
            term[downAxis_] = downTerms_[r][static_cast<std::size_t>(down)];
            term[3 - acrossAxis_ - downAxis_] = sliceTerm_[r];
            at[r] = term[0] + term[1] + term[2] + shift_[r];
        }
        const double x = std::floor(at[0] + 0.5), y = std::floor(at[1] + 0.5), z = std::floor(at[2] + 0.5);
        const VolumeGrid& f = functional_.grid;
        if (x >= 0 && y >= 0 && z >= 0 && x < f.nx && y < f.ny && z < f.nz) {
            return window_.grey(functional_.at(static_cast<int>(x), static_cast<int>(y), static_cast<int>(z)));
        }
        return outside_;
    }

private:
    const PictureVolume& functional_;
    const GreyWindow& window_;
    std::uint8_t outside_;
    bool placed_;
    int acrossAxis_;
    int downAxis_;
    double shift_[3] = {0.0, 0.0, 0.0};
    double sliceTerm_[3] = {0.0, 0.0, 0.0};
    std::vector<double> acrossTerms_[3];
    std::vector<double> downTerms_[3];
};

// Paints the functional's tiles of one panel: those whose tile row and column add up to an odd
// number. Neighbouring pixels that show the same voxel take its grey once, and a row of tiles'
// pixels that shows the same voxels as the row above (in the same row of tiles) is copied.
void drawFunctionalTiles(RgbImage& image, const PicturePlan& plan, const PanelPlan& panel, int tile,
                         const FunctionalOnSlice& functional) {
    const std::vector<int> across = panelVoxelIndices(plan, panel, true);
    const std::vector<int> down = panelVoxelIndices(plan, panel, false);
    const std::size_t imageRow = static_cast<std::size_t>(image.width()) * 3;
    std::vector<std::uint8_t>& bytes = image.bytes();
    for (int v = 0; v < panel.height; ++v) {
        const bool repeated = v > 0 && down[static_cast<std::size_t>(v)] == down[static_cast<std::size_t>(v - 1)] &&
                              v / tile == (v - 1) / tile;
        std::uint8_t* row = bytes.data() + static_cast<std::size_t>(panel.top + v) * imageRow;
        for (int u = (v / tile + 1) % 2 * tile; u < panel.width; u += 2 * tile) {
            const int end = std::min(u + tile, panel.width);
            std::uint8_t* out = row + static_cast<std::size_t>(panel.left + u) * 3;
            if (repeated) {
                std::memcpy(out, out - imageRow, static_cast<std::size_t>(end - u) * 3);
                continue;
            }
            std::uint8_t grey = 0;
            for (int x = u; x < end; ++x, out += 3) {
                if (x == u || across[static_cast<std::size_t>(x)] != across[static_cast<std::size_t>(x - 1)]) {
                    grey = functional.grey(across[static_cast<std::size_t>(x)], down[static_cast<std::size_t>(v)]);
                }
                out[0] = out[1] = out[2] = grey;
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
        const FunctionalOnSlice onSlice(plan, panel, functional, gridToFunctional, window);
        drawFunctionalTiles(image, plan, panel, tile, onSlice);
        drawPanelLabels(image, panel);
    }
    return image;
}

}  // namespace orvane::keldra::picture
