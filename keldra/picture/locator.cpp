// Projecting volumes and boxes onto a locator.
#include "keldra/picture/locator.h"

#include <algorithm>
#include <cmath>

#include "keldra/picture/line_drawing.h"

namespace orvane::keldra::picture {
namespace {

constexpr Rgb kLocatorBackground{24, 24, 24};
constexpr Rgb kHeadGrey{120, 120, 120};
constexpr Rgb kShownOutline{230, 230, 230};

// Pixel coordinates (relative to the image) of a world point on the locator.
struct LocatorPoint {
    double u = 0.0;
    double v = 0.0;
};

LocatorPoint project(const LocatorPlan& locator, const Vector3d& world) {
    return {locator.left + locator.width / 2.0 +
                locator.rightSign * (world[locator.horizontalWorldAxis] - locator.centreHorizontalMm) / locator.mmPerPixel,
            locator.top + locator.height / 2.0 +
                locator.downSign * (world[locator.verticalWorldAxis] - locator.centreVerticalMm) / locator.mmPerPixel};
}

bool insideLocator(const LocatorPlan& locator, int u, int v) {
    return u >= locator.left && v >= locator.top && u < locator.left + locator.width && v < locator.top + locator.height;
}

// The twelve edges of the box from voxel `first` to `last` (outer faces), projected.
void drawBox(RgbImage& image, const LocatorPlan& locator, const VolumeGrid& grid, const int first[3],
             const int last[3], Rgb colour, bool dashed) {
    LocatorPoint corners[8];
    for (int c = 0; c < 8; ++c) {
        corners[c] = project(locator, grid.voxelToWorld.apply({(c & 1) ? last[0] + 0.5 : first[0] - 0.5,
                                                               (c & 2) ? last[1] + 0.5 : first[1] - 0.5,
                                                               (c & 4) ? last[2] + 0.5 : first[2] - 0.5}));
    }
    for (int c = 0; c < 8; ++c) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if ((c & bit) == 0) {
                drawLine(image, corners[c].u, corners[c].v, corners[c | bit].u, corners[c | bit].v, colour, dashed);
            }
        }
    }
}

}  // namespace

void drawLocator(RgbImage& image, const PicturePlan& plan, const LocatorPlan& locator, const PictureVolume& base,
                 float headLevel, const std::vector<LocatorOutline>& outlines) {
    for (int v = locator.top; v < locator.top + locator.height; ++v) {
        for (int u = locator.left; u < locator.left + locator.width; ++u) {
            image.setPixel(u, v, kLocatorBackground);
        }
    }
    // The head: every other voxel at least, each drawn as a dot as wide as the step it stands for.
    const VolumeGrid& grid = base.grid;
    int stride[3];
    double dot = 1.0;
    for (int a = 0; a < 3; ++a) {
        stride[a] = std::max(2, static_cast<int>(std::floor(locator.mmPerPixel / grid.voxelSize(a))));
        dot = std::max(dot, stride[a] * grid.voxelSize(a) / locator.mmPerPixel);
    }
    const int dotSize = static_cast<int>(std::ceil(dot));
    for (int z = 0; z < grid.nz; z += stride[2]) {
        for (int y = 0; y < grid.ny; y += stride[1]) {
            const Vector3d rowStart = grid.voxelToWorld.apply({0.0, double(y), double(z)});
            const Vector3d step = grid.voxelToWorld.apply({double(stride[0]), double(y), double(z)}) - rowStart;
            for (int x = 0; x < grid.nx; x += stride[0]) {
                if (!(base.at(x, y, z) >= headLevel)) {
                    continue;
                }
                const LocatorPoint p = project(locator, rowStart + double(x / stride[0]) * step);
                const int u0 = static_cast<int>(std::floor(p.u - dotSize / 2.0));
                const int v0 = static_cast<int>(std::floor(p.v - dotSize / 2.0));
                for (int v = v0; v < v0 + dotSize; ++v) {
                    for (int u = u0; u < u0 + dotSize; ++u) {
                        if (insideLocator(locator, u, v)) {
                            image.setPixel(u, v, kHeadGrey);
                        }
                    }
                }
            }
        }
    }
    drawBox(image, locator, plan.grid, plan.shownFirst, plan.shownLast, kShownOutline, false);
    for (const LocatorOutline& outline : outlines) {
        if (outline.grid == nullptr) {
            continue;
        }
        const int first[3] = {0, 0, 0};
        const int last[3] = {outline.grid->nx - 1, outline.grid->ny - 1, outline.grid->nz - 1};
        drawBox(image, locator, *outline.grid, first, last, outline.colour, outline.dashed);
    }
}

}  // namespace orvane::keldra::picture
