// The geometry of a picture: which slices of the base grid are shown, which part of each slice,
// where each panel sits in the image and which voxel each pixel shows. Pictures that share a
// plan (the alignment picture and the before and after pictures) line up pixel for pixel, so a
// viewer can flick between them; and since the slices and the part shown come from the focus
// volume alone (for the anatomical's pictures, the anatomical), two runs against one anatomical
// show the same slices too.
#pragma once

#include <vector>

#include "keldra/picture/picture_volume.h"
#include "keldra/picture/view_axes.h"

namespace orvane::keldra::picture {

struct PanelPlan {
    View view = View::Axial;
    ViewAxes axes;
    int slice = 0;           // index along axes.sliceAxis
    double positionMm = 0.0; // world coordinate of the slice along the view's normal, at the grid's centre
    int left = 0;            // panel's top-left corner in the image
    int top = 0;
    int width = 0;
    int height = 0;
};

// A small map at the end of a row, drawn when most of the field of view lies outside the
// panels: the world plane of the row's view, with the head and the field of view's outline
// projected onto it, so that a functional far from the head still shows where it is.
struct LocatorPlan {
    View view = View::Axial;
    ViewAxes axes;               // for the letters at its edges
    int horizontalWorldAxis = 0; // world axis along the screen's horizontal (0 x, 1 y, 2 z)
    int verticalWorldAxis = 1;
    int rightSign = 1;           // +1 when the world coordinate grows rightwards
    int downSign = -1;           // +1 when it grows downwards
    double centreHorizontalMm = 0.0;  // world coordinates at the locator's centre
    double centreVerticalMm = 0.0;
    double mmPerPixel = 1.0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct PicturePlan {
    VolumeGrid grid;          // the base volume's grid
    double mmPerPixel = 1.0;  // the same along both screen axes: pixels are square in millimetres
    // The voxels the panels show along each voxel axis, first and last index: the focus's
    // object with a margin, or the whole grid.
    int shownFirst[3] = {0, 0, 0};
    int shownLast[3] = {0, 0, 0};
    int captionLines = 0;
    int width = 0;
    int height = 0;
    std::vector<PanelPlan> panels;      // row by row: axial, coronal, sagittal
    std::vector<LocatorPlan> locators;  // one per row, or none
};

// Layout constants shared by planning and drawing.
constexpr int kPictureMargin = 8;
constexpr int kPanelGap = 6;
constexpr int kTextScale = 2;
constexpr int kTextLineHeight = 20;
// Panels show at least this many pixels per millimetre, each voxel as a whole block of pixels
// along its finest axis, unless a panel would then grow beyond kWidestPanel pixels.
constexpr double kPixelsPerMillimetre = 2.0;
constexpr int kWidestPanel = 560;
// Room for text: a picture is at least this wide (a line of about 100 characters, such as the
// check's verdict line), and its legend may take two lines.
constexpr int kNarrowestPicture = 1200;
constexpr int kLegendLines = 2;
// Room left around the focus's object in each panel.
constexpr double kShownMarginMm = 8.0;

// Plans up to `slicesPerRow` panels per view (the sagittal view an even number, so that no
// slice lies on the midline). The slices lie at whole millimetres spread evenly
// over the part of `grid` where `focus` shows its object (above its first edge level, see
// edge_levels.h), one voxel plane each and never the same plane twice, so a thin grid gets
// fewer panels; the panels show that part of the grid with a margin. Without a focus, or when
// it shows nothing inside the grid, the whole grid is used. When `fieldOfView` is given and
// less than half of it lies inside the part shown, each row ends in a locator. Leaves room for
// `captionLines` lines of caption and kLegendLines of legend above the panels, and a position
// label under each row.
PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, int slicesPerRow, Convention convention,
                        int captionLines, const VolumeGrid* fieldOfView = nullptr);

// Continuous voxel coordinates of the centre of pixel (u, v) of a panel, u rightwards and v
// downwards from the panel's corner. Rounding them gives the voxel the pixel shows.
Vector3d panelPixelToVoxel(const PicturePlan& plan, const PanelPlan& panel, double u, double v);

// Per pixel along one screen axis of a panel (across when `horizontal`, else down), the index
// along that axis's voxel axis of the voxel the pixel shows, kept inside the grid.
std::vector<int> panelVoxelIndices(const PicturePlan& plan, const PanelPlan& panel, bool horizontal);

}  // namespace orvane::keldra::picture
