// Drawing a picture from a plan: the base volume in grey, and optionally over it, one pixel
// wide and opaque, the edges of another volume as they fall in the base grid and the outline of
// a field of view. The alignment picture puts the functional's edges on the anatomy; the reverse
// picture the anatomy's edges on the functional; before and after pictures have no overlay.
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/grey_window.h"
#include "keldra/picture/picture_plan.h"
#include "keldra/picture/picture_volume.h"
#include "keldra/picture/rgb_image.h"

namespace orvane::picture {

// Red edges by default; the colour-blind-safe choice draws them in yellow, which stays
// distinct from grey and from the blue outline for every common kind of colour blindness.
enum class EdgeColour { Red, ColourBlindSafe };

struct PictureOptions {
    int slicesPerRow = 7;
    Convention convention = Convention::Neurological;
    EdgeColour edgeColour = EdgeColour::Red;
};

struct PictureLayers {
    const PictureVolume* base = nullptr;
    GreyWindow window;
    const PictureVolume* overlay = nullptr;    // edges drawn where its levels change
    const VolumeGrid* fieldOfView = nullptr;   // outline drawn where its box ends
    std::vector<std::string> caption;          // at most plan.captionLines lines are shown
};

Rgb edgeRgb(EdgeColour colour);
Rgb outlineRgb();

// Draws every panel of the plan, the orientation letters in each, the slice positions under
// each row, the caption and a legend line.
RgbImage renderPicture(const PicturePlan& plan, const PictureLayers& layers, const PictureOptions& options);

PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, const PictureOptions& options,
                        int captionLines);

}  // namespace orvane::picture
