// Drawing a picture from a plan: the base volume in grey, and optionally over it, one pixel
// wide and opaque, edges in one colour and the outlines of up to two fields of view. The edges
// are either those of another volume placed in the base grid by the two affines, or those of a
// region written into the base grid itself (its outline and the contours of its values), drawn
// from a lightly smoothed image with short contours left out (panel_edges.h). The alignment
// picture puts what the plug-in projected on the anatomy; the reverse picture the anatomy's
// edges on the functional; before and after pictures have no overlay.
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/grey_window.h"
#include "keldra/picture/picture_plan.h"
#include "keldra/picture/picture_volume.h"
#include "keldra/picture/projected_region.h"
#include "keldra/picture/rgb_image.h"

namespace orvane::keldra::picture {

// Red edges by default; the colour-blind-safe choice draws them in yellow, which stays
// distinct from grey and from the blue outline for every common kind of colour blindness.
enum class EdgeColour { Red, ColourBlindSafe };

struct PictureOptions {
    int slicesPerRow = 5;
    Convention convention = Convention::Neurological;
    EdgeColour edgeColour = EdgeColour::Red;
};

struct PictureLayers {
    const PictureVolume* base = nullptr;
    GreyWindow window;
    const PictureVolume* overlay = nullptr;    // edges drawn where its levels change
    // The overlay's edgeLevels (edge_levels.h) when the caller already has them, for pictures
    // that draw the same overlay's edges; null to work them out.
    const std::vector<float>* overlayLevels = nullptr;
    // Instead of `overlay`: a region on the base grid, drawn as its outline and the edges of
    // its values inside it.
    const ProjectedRegion* projected = nullptr;
    const VolumeGrid* fieldOfView = nullptr;        // outline drawn where its box ends
    const VolumeGrid* secondFieldOfView = nullptr;  // the same, dashed
    // What the legend says the edges and the outlines show, after their colour's name; by
    // default "edges of" the overlay's name and "field of view".
    std::string edgeLegend;
    std::string fieldOfViewLegend;
    std::string secondFieldOfViewLegend;
    // What the legend says instead when neither an overlay nor a region is given (why there are
    // no edges).
    std::string absentEdgesNote;
    // The standard deviation, in millimetres, of the smoothing the edges are drawn from; 0
    // chooses edgeSmoothingMm(base's grid, overlay's grid), or edgeSmoothingMm(base's grid) for a
    // region.
    double edgeSmoothingMm = 0.0;
    // The lines shown above the legend, at most plan.captionLines of them. The legend starts on
    // the line after the last caption line shown, and wraps onto the lines the plan reserved
    // for it and for caption lines that were not used.
    std::vector<std::string> caption;
};

// The smoothing edges are drawn from, in millimetres: half the coarsest voxel of `grid` (the
// grid of the values the edges come from, or of the base they are drawn over), at least 1 mm.
// Drawn over a base much coarser than themselves (an anatomy's edges over a functional), three
// quarters of the base's coarsest voxel: finer detail cannot be judged against the base, and
// traced it hides the boundaries that can.
double edgeSmoothingMm(const VolumeGrid& grid);
double edgeSmoothingMm(const VolumeGrid& base, const VolumeGrid& overlay);

Rgb edgeRgb(EdgeColour colour);
Rgb outlineRgb();

// Draws every panel of the plan, the orientation letters in each, the slice positions under
// each row, the locators, the caption and a legend line.
RgbImage renderPicture(const PicturePlan& plan, const PictureLayers& layers, const PictureOptions& options);

// Caption line `line` (counted from 0) of a picture drawn by `plan`: how renderPicture draws
// each caption line, for a line whose text is known only after the rest was drawn (drawn then
// with an empty line in its place).
void drawCaptionLine(RgbImage& image, const PicturePlan& plan, int line, const std::string& text);

// A panel's orientation letters (drawn inside it) and its slice position (under it), in fixed
// colours: drawn again over the same panel, they leave the same pixels.
void drawPanelLabels(RgbImage& image, const PanelPlan& panel);

// planPicture of picture_plan.h with the options' slices per row and convention.
PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, const PictureOptions& options,
                        int captionLines, const VolumeGrid* fieldOfView = nullptr);

}  // namespace orvane::keldra::picture
