// Slice choice and panel layout.
#include "keldra/picture/picture_plan.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "keldra/geometry/box_overlap.h"
#include "keldra/picture/edge_levels.h"

namespace orvane::keldra::picture {
namespace {

// Every third voxel along each axis is enough to find where an object lies.
constexpr int kFocusStride = 3;

// A plane of the grid belongs to the object when it holds at least this share of the samples
// above the threshold that the fullest plane along the same axis holds: scattered noise above
// the threshold does not stretch the object to the whole grid.
constexpr double kObjectPlaneShare = 0.05;

// Whether every element lies within 1e-9 of the identity's (false for NaN).
bool nearlyIdentity(const Affine& a) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!(std::fabs(a.m[i][j] - (i == j ? 1.0 : 0.0)) < 1e-9)) {
                return false;
            }
        }
    }
    return true;
}

// Per plane of `grid` along each axis, how many of the samples (every kFocusStride-th voxel
// along each axis, placed in `focus` by `gridToFocus`, nearest neighbour) lie at or above
// `threshold`.
using PlaneCounts = std::array<std::vector<long>, 3>;

PlaneCounts countObjectSamples(const VolumeGrid& grid, const PictureVolume& focus, const Affine& gridToFocus,
                               float threshold) {
    PlaneCounts counts = {std::vector<long>(static_cast<std::size_t>(grid.nx)),
                          std::vector<long>(static_cast<std::size_t>(grid.ny)),
                          std::vector<long>(static_cast<std::size_t>(grid.nz))};
    const auto count = [&counts](int x, int y, int z) {
        ++counts[0][static_cast<std::size_t>(x)];
        ++counts[1][static_cast<std::size_t>(y)];
        ++counts[2][static_cast<std::size_t>(z)];
    };
    // The focus on its own grid (an anatomical's pictures): each sample is the voxel itself. The
    // general way below finds the same voxels: a map this close to the identity moves no sample
    // by as much as a thousandth of a voxel, far from the half that rounding would notice.
    if (nearlyIdentity(gridToFocus)) {
        for (int z = 0; z < grid.nz && z < focus.grid.nz; z += kFocusStride) {
            for (int y = 0; y < grid.ny && y < focus.grid.ny; y += kFocusStride) {
                for (int x = 0; x < grid.nx && x < focus.grid.nx; x += kFocusStride) {
                    if (focus.at(x, y, z) >= threshold) {
                        count(x, y, z);
                    }
                }
            }
        }
        return counts;
    }
    for (int z = 0; z < grid.nz; z += kFocusStride) {
        for (int y = 0; y < grid.ny; y += kFocusStride) {
            const Vector3d rowStart = gridToFocus.apply({0.0, double(y), double(z)});
            const Vector3d step = gridToFocus.apply({double(kFocusStride), double(y), double(z)}) - rowStart;
            for (int x = 0; x < grid.nx; x += kFocusStride) {
                const Vector3d f = rowStart + (double(x / kFocusStride)) * step;
                const double fx = std::floor(f.x + 0.5), fy = std::floor(f.y + 0.5), fz = std::floor(f.z + 0.5);
                if (!(fx >= 0.0 && fy >= 0.0 && fz >= 0.0 && fx < focus.grid.nx && fy < focus.grid.ny &&
                      fz < focus.grid.nz)) {
                    continue;
                }
                if (focus.at(int(fx), int(fy), int(fz)) >= threshold) {
                    count(x, y, z);
                }
            }
        }
    }
    return counts;
}

// The box of voxels of `grid` (first and last index per axis) where `focus` shows its object;
// false when it shows nothing there.
bool objectBox(const VolumeGrid& grid, const PictureVolume& focus, int first[3], int last[3]) {
    const auto worldToFocus = focus.grid.voxelToWorld.inverse();
    if (!worldToFocus) {
        return false;
    }
    const std::vector<float> levels = edgeLevels(focus);
    const float threshold = levels.empty() ? -INFINITY : levels.front();
    const PlaneCounts counts = countObjectSamples(grid, focus, *worldToFocus * grid.voxelToWorld, threshold);
    for (int a = 0; a < 3; ++a) {
        const long fullest = *std::max_element(counts[a].begin(), counts[a].end());
        if (fullest == 0) {
            return false;
        }
        const double least = kObjectPlaneShare * static_cast<double>(fullest);
        first[a] = -1;
        for (int i = 0; i < grid.size(a); ++i) {
            if (static_cast<double>(counts[a][static_cast<std::size_t>(i)]) >= least) {
                first[a] = first[a] < 0 ? i : first[a];
                last[a] = i;
            }
        }
        // The sampling may have stepped over up to two planes beyond each side of the object.
        first[a] = std::max(0, first[a] - (kFocusStride - 1));
        last[a] = std::min(grid.size(a) - 1, last[a] + (kFocusStride - 1));
    }
    return true;
}

// Whole blocks of pixels per voxel along the finest axis, at least kPixelsPerMillimetre, fewer
// when the widest panel would grow beyond kWidestPanel pixels.
double millimetresPerPixel(const VolumeGrid& grid, const int first[3], const int last[3]) {
    double finest = INFINITY;
    double widest = 0.0;
    for (int a = 0; a < 3; ++a) {
        finest = std::min(finest, grid.voxelSize(a));
        widest = std::max(widest, (last[a] - first[a] + 1) * grid.voxelSize(a));
    }
    if (!(finest > 0.0) || !std::isfinite(finest)) {
        return 1.0 / kPixelsPerMillimetre;
    }
    int zoom = std::max(1, static_cast<int>(std::ceil(finest * kPixelsPerMillimetre - 1e-9)));
    while (zoom > 1 && widest / (finest / zoom) > kWidestPanel) {
        --zoom;
    }
    return finest / zoom;
}

// World position along the view's normal of slice `slice`, at the grid's centre.
double slicePosition(const VolumeGrid& grid, const ViewAxes& axes, double slice) {
    Vector3d centre{(grid.nx - 1) / 2.0, (grid.ny - 1) / 2.0, (grid.nz - 1) / 2.0};
    centre[axes.sliceAxis] = slice;
    return grid.voxelToWorld.apply(centre)[axes.normalWorldAxis];
}

// Up to `count` slices between `first` and `last` (voxel planes), at whole millimetres spread
// evenly over the object, each plane once, ordered from the lowest world position.
std::vector<int> chooseSlices(const VolumeGrid& grid, const ViewAxes& axes, int first, int last, int count) {
    count = std::max(1, std::min(count, last - first + 1));
    const double at0 = slicePosition(grid, axes, 0.0);
    const double perSlice = slicePosition(grid, axes, 1.0) - at0;
    const double low = std::min(slicePosition(grid, axes, first), slicePosition(grid, axes, last));
    const double high = std::max(slicePosition(grid, axes, first), slicePosition(grid, axes, last));
    std::vector<int> slices;
    for (int i = 0; i < count; ++i) {
        const double wanted = std::round(low + (high - low) * (i + 0.5) / count);
        const int slice = perSlice != 0.0 ? static_cast<int>(std::lround((wanted - at0) / perSlice)) : first;
        const int clamped = std::clamp(slice, first, last);
        if (std::find(slices.begin(), slices.end(), clamped) == slices.end()) {
            slices.push_back(clamped);
        }
    }
    return slices;
}

// The eight corners of a grid's voxel box (outer faces of the end voxels) in world millimetres.
void boxCorners(const VolumeGrid& grid, const int first[3], const int last[3], Vector3d corners[8]) {
    for (int c = 0; c < 8; ++c) {
        corners[c] = grid.voxelToWorld.apply({(c & 1) ? last[0] + 0.5 : first[0] - 0.5,
                                              (c & 2) ? last[1] + 0.5 : first[1] - 0.5,
                                              (c & 4) ? last[2] + 0.5 : first[2] - 0.5});
    }
}

// A locator of the row's height that holds the part shown and the whole field of view.
LocatorPlan planLocator(const PicturePlan& plan, View view, Convention convention, const VolumeGrid& fieldOfView,
                        int left, int top, int height) {
    LocatorPlan locator;
    locator.view = view;
    locator.axes = viewAxes(Affine::identity(), view, convention);
    locator.horizontalWorldAxis = view == View::Sagittal ? 1 : 0;
    locator.verticalWorldAxis = view == View::Axial ? 1 : 2;
    locator.rightSign = view == View::Sagittal ? -1 : (convention == Convention::Neurological ? 1 : -1);
    locator.downSign = -1;
    Vector3d corners[16];
    boxCorners(plan.grid, plan.shownFirst, plan.shownLast, corners);
    const int fieldFirst[3] = {0, 0, 0};
    const int fieldLast[3] = {fieldOfView.nx - 1, fieldOfView.ny - 1, fieldOfView.nz - 1};
    boxCorners(fieldOfView, fieldFirst, fieldLast, corners + 8);
    double low[2] = {INFINITY, INFINITY};
    double high[2] = {-INFINITY, -INFINITY};
    for (const Vector3d& c : corners) {
        const double along[2] = {c[locator.horizontalWorldAxis], c[locator.verticalWorldAxis]};
        for (int k = 0; k < 2; ++k) {
            low[k] = std::min(low[k], along[k]);
            high[k] = std::max(high[k], along[k]);
        }
    }
    locator.centreHorizontalMm = (low[0] + high[0]) / 2.0;
    locator.centreVerticalMm = (low[1] + high[1]) / 2.0;
    locator.height = height;
    // As wide as the content's shape asks for, between half and twice the height.
    const double spanH = std::max(1.0, high[0] - low[0]);
    const double spanV = std::max(1.0, high[1] - low[1]);
    locator.width = std::clamp(static_cast<int>(std::lround(height * spanH / spanV)), height / 2, 2 * height);
    // A tenth of the room on each side for the letters.
    locator.mmPerPixel = std::max(spanH / (0.8 * locator.width), spanV / (0.8 * locator.height));
    if (!std::isfinite(locator.mmPerPixel) || locator.mmPerPixel <= 0.0) {
        locator.mmPerPixel = 1.0;
    }
    locator.left = left;
    locator.top = top;
    return locator;
}

// One row of panels of the given view at the image's height `top`; returns the row's width.
int planRow(PicturePlan& plan, View view, Convention convention, int slicesPerRow, const int objectFirst[3],
            const int objectLast[3], int top) {
    const VolumeGrid& grid = plan.grid;
    const ViewAxes axes = viewAxes(grid.voxelToWorld, view, convention);
    const int h = axes.horizontal.voxelAxis;
    const int v = axes.vertical.voxelAxis;
    const auto pixels = [&](int axis) {
        return std::max(1, static_cast<int>(std::lround((plan.shownLast[axis] - plan.shownFirst[axis] + 1) *
                                                        grid.voxelSize(axis) / plan.mmPerPixel)));
    };
    const int panelWidth = pixels(h);
    const int panelHeight = pixels(v);
    // An even number of sagittal slices keeps them off the midline, where the fissure between
    // the hemispheres runs through the plane and every functional voxel mixes both sides.
    const int count = view == View::Sagittal && slicesPerRow > 1 ? slicesPerRow / 2 * 2 : slicesPerRow;
    std::vector<int> slices = chooseSlices(grid, axes, objectFirst[axes.sliceAxis], objectLast[axes.sliceAxis], count);
    std::sort(slices.begin(), slices.end(), [&](int a, int b) {
        return slicePosition(grid, axes, a) < slicePosition(grid, axes, b);
    });
    int left = kPictureMargin;
    for (int slice : slices) {
        PanelPlan panel;
        panel.view = view;
        panel.axes = axes;
        panel.slice = slice;
        panel.positionMm = slicePosition(grid, axes, slice);
        panel.left = left;
        panel.top = top;
        panel.width = panelWidth;
        panel.height = panelHeight;
        plan.panels.push_back(panel);
        left += panelWidth + kPanelGap;
    }
    return left;
}

}  // namespace

PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, int slicesPerRow, Convention convention,
                        int captionLines, const VolumeGrid* fieldOfView) {
    PicturePlan plan;
    plan.grid = grid;
    plan.captionLines = captionLines;
    slicesPerRow = std::max(1, slicesPerRow);

    int objectFirst[3] = {0, 0, 0};
    int objectLast[3] = {grid.nx - 1, grid.ny - 1, grid.nz - 1};
    const bool found = focus != nullptr && objectBox(grid, *focus, objectFirst, objectLast);
    for (int a = 0; a < 3; ++a) {
        if (!found) {
            objectFirst[a] = 0;
            objectLast[a] = grid.size(a) - 1;
        }
        const int margin = found ? static_cast<int>(std::ceil(kShownMarginMm / grid.voxelSize(a))) : 0;
        plan.shownFirst[a] = std::max(0, objectFirst[a] - margin);
        plan.shownLast[a] = std::min(grid.size(a) - 1, objectLast[a] + margin);
    }
    plan.mmPerPixel = millimetresPerPixel(grid, plan.shownFirst, plan.shownLast);
    VoxelBox shown;
    shown.voxelToWorld = grid.voxelToWorld;
    std::copy(plan.shownFirst, plan.shownFirst + 3, shown.first);
    std::copy(plan.shownLast, plan.shownLast + 3, shown.last);
    const bool locate =
        fieldOfView != nullptr &&
        shareInside(wholeGrid(fieldOfView->voxelToWorld, fieldOfView->nx, fieldOfView->ny, fieldOfView->nz), shown) < 0.5;

    int top = kPictureMargin + (captionLines + kLegendLines) * kTextLineHeight + kPanelGap;
    int width = 0;
    for (View view : {View::Axial, View::Coronal, View::Sagittal}) {
        int left = planRow(plan, view, convention, slicesPerRow, objectFirst, objectLast, top);
        const int rowHeight = plan.panels.back().height;
        if (locate) {
            plan.locators.push_back(planLocator(plan, view, convention, *fieldOfView, left, top, rowHeight));
            left += plan.locators.back().width + kPanelGap;
        }
        width = std::max(width, left - kPanelGap + kPictureMargin);
        top += rowHeight + kTextLineHeight + kPanelGap;
    }
    plan.width = std::max(width, kNarrowestPicture);
    plan.height = top - kPanelGap + kPictureMargin;
    return plan;
}

Vector3d panelPixelToVoxel(const PicturePlan& plan, const PanelPlan& panel, double u, double v) {
    const auto along = [&](const ScreenAxis& axis, double pixel) {
        const int a = axis.voxelAxis;
        const double voxels = (pixel + 0.5) * plan.mmPerPixel / plan.grid.voxelSize(a);
        return axis.reversed ? plan.shownLast[a] + 0.5 - voxels : plan.shownFirst[a] - 0.5 + voxels;
    };
    double coordinate[3] = {0.0, 0.0, 0.0};
    coordinate[panel.axes.horizontal.voxelAxis] = along(panel.axes.horizontal, u);
    coordinate[panel.axes.vertical.voxelAxis] = along(panel.axes.vertical, v);
    coordinate[panel.axes.sliceAxis] = panel.slice;
    return {coordinate[0], coordinate[1], coordinate[2]};
}

std::vector<int> panelVoxelIndices(const PicturePlan& plan, const PanelPlan& panel, bool horizontal) {
    const ScreenAxis& axis = horizontal ? panel.axes.horizontal : panel.axes.vertical;
    const int pixels = horizontal ? panel.width : panel.height;
    const int size = plan.grid.size(axis.voxelAxis);
    std::vector<int> indices(static_cast<std::size_t>(std::max(0, pixels)));
    for (int p = 0; p < pixels; ++p) {
        const Vector3d voxel = horizontal ? panelPixelToVoxel(plan, panel, p, 0) : panelPixelToVoxel(plan, panel, 0, p);
        indices[static_cast<std::size_t>(p)] = std::clamp(static_cast<int>(std::floor(voxel[axis.voxelAxis] + 0.5)), 0, size - 1);
    }
    return indices;
}

}  // namespace orvane::keldra::picture
