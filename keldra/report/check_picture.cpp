// Drawing check.png.
#include "keldra/report/check_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "keldra/picture/bitmap_font.h"
#include "keldra/picture/edge_levels.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/run_pictures.h"

namespace orvane::keldra {
namespace {

namespace pic = picture;

const pic::Rgb kArrowColour{0, 220, 255};
// Shifts of a few millimetres would be a few pixels long: the arrow is drawn longer.
constexpr double kArrowScale = 3.0;

void drawLine(pic::RgbImage& image, double x0, double y0, double x1, double y1, pic::Rgb colour) {
    const int steps = static_cast<int>(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)))) + 1;
    for (int s = 0; s <= steps; ++s) {
        const double t = static_cast<double>(s) / steps;
        const int x = static_cast<int>(std::lround(x0 + t * (x1 - x0)));
        const int y = static_cast<int>(std::lround(y0 + t * (y1 - y0)));
        // Two pixels wide, so the arrow stands out from the one-pixel edges.
        image.setPixel(x, y, colour);
        image.setPixel(x + 1, y, colour);
    }
}

// The shift as seen in a panel: its components along the panel's two screen axes, in pixels,
// from the panel's centre, with a head. Too short to see (under 2 pixels): nothing.
void drawShiftArrow(pic::RgbImage& image, const pic::PicturePlan& plan, const pic::PanelPlan& panel,
                    const Vector3d& shiftMm) {
    const std::optional<Affine> worldToVoxel = plan.grid.voxelToWorld.inverse();
    if (!worldToVoxel) {
        return;
    }
    const Vector3d voxels = worldToVoxel->apply(shiftMm) - worldToVoxel->apply({});
    const auto screen = [&](const pic::ScreenAxis& axis) {
        const double pixels =
            kArrowScale * voxels[axis.voxelAxis] * plan.grid.voxelSize(axis.voxelAxis) / plan.mmPerPixel;
        return axis.reversed ? -pixels : pixels;
    };
    const double dx = screen(panel.axes.horizontal);
    const double dy = screen(panel.axes.vertical);
    const double len = std::hypot(dx, dy);
    if (len < 2) {
        return;
    }
    const double x0 = panel.left + panel.width / 2.0, y0 = panel.top + panel.height / 2.0;
    const double x1 = x0 + dx, y1 = y0 + dy;
    drawLine(image, x0, y0, x1, y1, kArrowColour);
    const double head = std::min(6.0, len / 2);
    const double ux = dx / len, uy = dy / len;
    drawLine(image, x1, y1, x1 - head * (ux + 0.6 * uy), y1 - head * (uy - 0.6 * ux), kArrowColour);
    drawLine(image, x1, y1, x1 - head * (ux - 0.6 * uy), y1 - head * (uy + 0.6 * ux), kArrowColour);
}

// Copies `part` into `image` with its top-left corner at (left, top), row by row; `image` must
// hold it whole.
void copyInto(pic::RgbImage& image, const pic::RgbImage& part, int left, int top) {
    const std::size_t rowBytes = static_cast<std::size_t>(part.width()) * 3;
    for (int y = 0; y < part.height(); ++y) {
        const std::size_t at = (static_cast<std::size_t>(top + y) * static_cast<std::size_t>(image.width()) +
                                static_cast<std::size_t>(left)) * 3;
        std::memcpy(image.bytes().data() + at, part.bytes().data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }
}

}  // namespace

std::string checkPictureFileName(int functional) {
    return functional == 1 ? "check.png" : "fmr" + std::to_string(functional) + "_check.png";
}

pic::RgbImage checkPicture(const VmrDocument& anatomy, const FmrDocument& functional, const CheckPictureFacts& facts,
                           const pic::PictureOptions& options) {
    pic::PictureOptions halfOptions = options;
    halfOptions.slicesPerRow = 4;
    const pic::PictureVolume anatomyVolume = vmrPictureVolume(anatomy);
    const pic::PictureVolume atHeader = fmrPictureVolume(functional);
    pic::PictureVolume atBest = atHeader;
    atBest.grid.voxelToWorld = facts.bestFit * atHeader.grid.voxelToWorld;
    atBest.affineLabel = "placed by the best fit";

    const pic::PicturePlan plan = pic::planPicture(atHeader.grid, &atHeader, halfOptions, 1);
    pic::PictureLayers layers;
    layers.base = &atHeader;
    layers.window = pic::robustWindow(atHeader.values);
    layers.overlay = &anatomyVolume;
    // Both halves draw the anatomy's edges at the same levels.
    const std::vector<float> anatomyLevels = pic::edgeLevels(anatomyVolume);
    layers.overlayLevels = &anatomyLevels;
    layers.edgeLegend = "edges of the anatomy";
    layers.caption = {"as the headers place them; arrow: the shift, 3x"};
    pic::RgbImage left = pic::renderPicture(plan, layers, halfOptions);
    for (const pic::PanelPlan& panel : plan.panels) {
        drawShiftArrow(left, plan, panel, facts.shiftMm);
    }
    pic::PicturePlan bestPlan = plan;
    bestPlan.grid = atBest.grid;
    layers.base = &atBest;
    layers.caption = {facts.mirrored ? "at the best fit, mirrored left-right" : "at the best fit"};
    const pic::RgbImage right = pic::renderPicture(bestPlan, layers, halfOptions);

    // The two halves side by side under the check's own lines.
    const int lineHeight = pic::kTextLineHeight;
    const int top = pic::kPictureMargin + lineHeight * static_cast<int>(facts.caption.size());
    pic::RgbImage image(left.width() + right.width(), top + std::max(left.height(), right.height()));
    for (std::size_t i = 0; i < facts.caption.size(); ++i) {
        pic::drawText(image, pic::kPictureMargin, pic::kPictureMargin + lineHeight * static_cast<int>(i), facts.caption[i],
                      {255, 255, 255}, pic::kTextScale, false);
    }
    copyInto(image, left, 0, top);
    copyInto(image, right, left.width(), top);
    return image;
}

bool writeCheckPicture(const pic::RgbImage& image, const std::string& folder, const std::string& fileName,
                       const OutputPolicy& policy, std::string& path, std::string& error) {
    path = (std::filesystem::path(folder) / fileName).string();
    return writeOutputFile(
        folder, fileName, policy,
        [&image](const std::string& temporaryPath, std::string& writeError) {
            return pic::writePng(image, temporaryPath, writeError);
        },
        error);
}

}  // namespace orvane::keldra
