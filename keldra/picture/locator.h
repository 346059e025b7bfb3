// Drawing a locator (picture_plan.h): the head of the base volume as a grey silhouette
// projected along the view's normal, the outline of the part of the base grid the panels show,
// and the outlines of the fields of view, each projected onto the view's world plane. Its
// letters and label are drawn as a panel's are.
#pragma once

#include <vector>

#include "keldra/picture/picture_plan.h"
#include "keldra/picture/rgb_image.h"

namespace orvane::keldra::picture {

struct LocatorOutline {
    const VolumeGrid* grid = nullptr;
    Rgb colour;
    bool dashed = false;
};

// `headLevel` is the value above which the base shows its object.
void drawLocator(RgbImage& image, const PicturePlan& plan, const LocatorPlan& locator, const PictureVolume& base,
                 float headLevel, const std::vector<LocatorOutline>& outlines);

}  // namespace orvane::keldra::picture
