// Slice choice and panel layout.
#include "keldra/picture/picture_plan.h"

#include <algorithm>
#include <cmath>

#include "keldra/picture/edge_levels.h"

namespace orvane::keldra::picture {
namespace {

// The range of voxel indices along each axis of `grid` where `focus` shows its object,
// sampled every other voxel; false when it shows nothing there.
bool focusRange(const VolumeGrid& grid, const PictureVolume& focus, int lo[3], int hi[3]) {
    const auto worldToFocus = focus.grid.voxelToWorld.inverse();
    if (!worldToFocus) {
        return false;
    }
    const std::vector<float> levels = edgeLevels(focus.values);
    const float threshold = levels.empty() ? -INFINITY : levels.front();
    const Affine gridToFocus = *worldToFocus * grid.voxelToWorld;
    bool any = false;
    for (int z = 0; z < grid.nz; z += 2) {
        for (int y = 0; y < grid.ny; y += 2) {
            for (int x = 0; x < grid.nx; x += 2) {
                const Vector3d f = gridToFocus.apply({double(x), double(y), double(z)});
                const double fx = std::floor(f.x + 0.5), fy = std::floor(f.y + 0.5), fz = std::floor(f.z + 0.5);
                if (!(fx >= 0.0 && fy >= 0.0 && fz >= 0.0 && fx < focus.grid.nx && fy < focus.grid.ny && fz < focus.grid.nz)) {
                    continue;
                }
                if (!(focus.at(int(fx), int(fy), int(fz)) >= threshold)) {
                    continue;
                }
                const int at[3] = {x, y, z};
                for (int a = 0; a < 3; ++a) {
                    lo[a] = any ? std::min(lo[a], at[a]) : at[a];
                    hi[a] = any ? std::max(hi[a], at[a]) : at[a];
                }
                any = true;
            }
        }
    }
    return any;
}

// Pixels as fine as the finest voxels, enlarged by a whole factor when the grid is coarse so
// that a 64-voxel functional is not a thumbnail.
double millimetresPerPixel(const VolumeGrid& grid) {
    double finest = INFINITY;
    double widest = 0.0;
    for (int a = 0; a < 3; ++a) {
        finest = std::min(finest, grid.voxelSize(a));
        widest = std::max(widest, grid.size(a) * grid.voxelSize(a));
    }
    if (!(finest > 0.0)) {
        finest = 1.0;
    }
    const int zoom = std::max(1, static_cast<int>(std::floor(200.0 / (widest / finest))));
    return finest / zoom;
}

// One row of panels, of the given view, at the image's height `top`; returns the row's width.
int planRow(PicturePlan& plan, View view, Convention convention, int slicesPerRow, const int lo[3], const int hi[3],
            int top) {
    const VolumeGrid& grid = plan.grid;
    const ViewAxes axes = viewAxes(grid.voxelToWorld, view, convention);
    const int h = axes.horizontal.voxelAxis;
    const int v = axes.vertical.voxelAxis;
    const int panelWidth = std::max(1, static_cast<int>(std::lround(grid.size(h) * grid.voxelSize(h) / plan.mmPerPixel)));
    const int panelHeight = std::max(1, static_cast<int>(std::lround(grid.size(v) * grid.voxelSize(v) / plan.mmPerPixel)));
    const double first = lo[axes.sliceAxis];
    const double last = hi[axes.sliceAxis];
    // Panels run from the lowest world position to the highest, whichever way the grid stores
    // its slices.
    const bool descending = grid.voxelToWorld.column(axes.sliceAxis)[axes.normalWorldAxis] < 0.0;
    int left = kPictureMargin;
    for (int n = 0; n < slicesPerRow; ++n) {
        const int i = descending ? slicesPerRow - 1 - n : n;
        PanelPlan panel;
        panel.view = view;
        panel.axes = axes;
        const double at = first + (last - first) * (i + 0.5) / slicesPerRow;
        panel.slice = std::clamp(static_cast<int>(std::lround(at)), 0, grid.size(axes.sliceAxis) - 1);
        Vector3d centre{(grid.nx - 1) / 2.0, (grid.ny - 1) / 2.0, (grid.nz - 1) / 2.0};
        centre[axes.sliceAxis] = panel.slice;
        panel.positionMm = grid.voxelToWorld.apply(centre)[axes.normalWorldAxis];
        panel.left = left;
        panel.top = top;
        panel.width = panelWidth;
        panel.height = panelHeight;
        plan.panels.push_back(panel);
        left += panelWidth + kPanelGap;
    }
    return left - kPanelGap + kPictureMargin;
}

}  // namespace

PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, int slicesPerRow,
                        Convention convention, int captionLines) {
    PicturePlan plan;
    plan.grid = grid;
    plan.captionLines = captionLines;
    plan.mmPerPixel = millimetresPerPixel(grid);
    slicesPerRow = std::max(1, slicesPerRow);

    int lo[3] = {0, 0, 0};
    int hi[3] = {grid.nx - 1, grid.ny - 1, grid.nz - 1};
    if (focus == nullptr || !focusRange(grid, *focus, lo, hi)) {
        lo[0] = lo[1] = lo[2] = 0;
        hi[0] = grid.nx - 1;
        hi[1] = grid.ny - 1;
        hi[2] = grid.nz - 1;
    }

    int top = kPictureMargin + (captionLines + 1) * kTextLineHeight + kPanelGap;
    int width = 0;
    for (View view : {View::Axial, View::Coronal, View::Sagittal}) {
        width = std::max(width, planRow(plan, view, convention, slicesPerRow, lo, hi, top));
        top += plan.panels.back().height + kTextLineHeight + kPanelGap;
    }
    plan.width = width;
    plan.height = top - kPanelGap + kPictureMargin;
    return plan;
}

Vector3d panelPixelToVoxel(const PicturePlan& plan, const PanelPlan& panel, int u, int v) {
    const auto along = [&](const ScreenAxis& axis, int pixel) {
        const int n = plan.grid.size(axis.voxelAxis);
        const double c = (pixel + 0.5) * plan.mmPerPixel / plan.grid.voxelSize(axis.voxelAxis) - 0.5;
        return axis.reversed ? (n - 1) - c : c;
    };
    double coordinate[3] = {0.0, 0.0, 0.0};
    coordinate[panel.axes.horizontal.voxelAxis] = along(panel.axes.horizontal, u);
    coordinate[panel.axes.vertical.voxelAxis] = along(panel.axes.vertical, v);
    coordinate[panel.axes.sliceAxis] = panel.slice;
    return {coordinate[0], coordinate[1], coordinate[2]};
}

}  // namespace orvane::keldra::picture
