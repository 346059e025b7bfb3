// Drawing checkerboard.png from the documents.
#include "keldra/report/checkerboard_picture.h"

#include <cmath>

#include "keldra/picture/checkerboard_picture.h"
#include "keldra/report/run_pictures.h"

namespace orvane::keldra {

std::string checkerboardPictureFileName(int functional) {
    return functional == 1 ? "checkerboard.png" : "fmr" + std::to_string(functional) + "_checkerboard.png";
}

picture::RgbImage checkerboardPicture(const VmrDocument& anatomy, const FmrDocument& functional,
                                      const std::string& checkCaption, const picture::PictureOptions& options) {
    const picture::PictureVolume anatomyVolume = vmrPictureVolume(anatomy);
    const picture::PictureVolume functionalVolume = fmrPictureVolume(functional);
    const picture::PicturePlan plan = anatomicalPicturePlan(anatomyVolume, functionalVolume, options, 1);
    const int tile = picture::checkerboardTilePixels(plan, functionalVolume.grid);
    const long tileMm = std::lround(tile * plan.mmPerPixel);
    const std::vector<std::string> caption = {
        "checkerboard: anatomy " + anatomyVolume.name + ": " + anatomyVolume.affineLabel + "   functional, volume 1, " +
            functionalVolume.name + ": " + functionalVolume.affineLabel,
        "tiles of " + std::to_string(tileMm) +
            " mm alternate the anatomy and the functional placed by the affines; black: outside its field of view",
        checkCaption};
    return picture::renderCheckerboard(plan, anatomyVolume, functionalVolume, caption, options);
}

}  // namespace orvane::keldra
