// The geometry of a picture: which slices of the base grid are shown, where each panel sits in
// the image and which voxel each pixel shows. Pictures that share a plan (the alignment picture
// and the before and after pictures) line up pixel for pixel, so a viewer can flick between them.
#pragma once

#include <vector>

#include "keldra/picture/picture_volume.h"
#include "keldra/picture/view_axes.h"

namespace orvane::keldra::picture {

struct PanelPlan {
    View view = View::Axial;
    ViewAxes axes;
    int slice = 0;           // index along axes.sliceAxis
    double positionMm = 0.0; // world coordinate of the slice along the view's normal
    int left = 0;            // panel's top-left corner in the image
    int top = 0;
    int width = 0;
    int height = 0;
};

struct PicturePlan {
    VolumeGrid grid;          // the base volume's grid
    double mmPerPixel = 1.0;  // the same along both screen axes: pixels are square in millimetres
    int captionLines = 0;
    int width = 0;
    int height = 0;
    std::vector<PanelPlan> panels;  // row by row: axial, coronal, sagittal
};

// Layout constants shared by planning and drawing.
constexpr int kPictureMargin = 8;
constexpr int kPanelGap = 6;
constexpr int kTextScale = 2;
constexpr int kTextLineHeight = 20;

// Plans `slicesPerRow` panels per view, spread evenly over the part of `grid` where `focus`
// shows its object: inside its field of view and above its first edge level (see
// edge_levels.h), so that no panel is wasted on air. Without a focus, or when it shows nothing
// inside the grid, the slices spread over the whole grid. Leaves room for `captionLines` lines
// of caption and a legend line above the panels, and a position label under each row.
PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, int slicesPerRow,
                        Convention convention, int captionLines);

// Continuous voxel coordinates of the centre of pixel (u, v) of a panel, u rightwards and v
// downwards from the panel's corner. Rounding them gives the voxel the pixel shows.
Vector3d panelPixelToVoxel(const PicturePlan& plan, const PanelPlan& panel, int u, int v);

}  // namespace orvane::keldra::picture
