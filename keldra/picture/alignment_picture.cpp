// Rendering panels, overlays and text into one image.
#include "keldra/picture/alignment_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "keldra/picture/bitmap_font.h"
#include "keldra/picture/edge_levels.h"

namespace orvane::keldra::picture {
namespace {

constexpr Rgb kLetterColour{255, 255, 255};
constexpr Rgb kTextColour{220, 220, 220};

int nearestIndex(double coordinate, int size) {
    return std::clamp(static_cast<int>(std::floor(coordinate + 0.5)), 0, size - 1);
}

// The index of the voxel whose extent holds the point, or nothing outside the grid.
std::optional<std::size_t> voxelAt(const VolumeGrid& grid, const Vector3d& voxel) {
    const double x = std::floor(voxel.x + 0.5);
    const double y = std::floor(voxel.y + 0.5);
    const double z = std::floor(voxel.z + 0.5);
    if (!(x >= 0.0 && y >= 0.0 && z >= 0.0 && x < grid.nx && y < grid.ny && z < grid.nz)) {
        return std::nullopt;
    }
    return grid.index(static_cast<int>(x), static_cast<int>(y), static_cast<int>(z));
}

char axisName(int worldAxis) {
    return worldAxis == 0 ? 'x' : worldAxis == 1 ? 'y' : 'z';
}

std::string conventionText(Convention convention) {
    return convention == Convention::Neurological ? "neurological: left on the left"
                                                  : "radiological: left on the right";
}

struct PanelLayers {
    std::vector<int> level;        // -1 outside the overlay's grid
    std::vector<char> inView;      // inside the field of view
};

void drawPanel(RgbImage& image, const PicturePlan& plan, const PanelPlan& panel, const PictureLayers& layers,
               const ProjectedRegion* projected, const std::vector<float>& levels,
               const std::optional<Affine>& worldToOverlay,
               const std::optional<Affine>& worldToView, const PictureOptions& options) {
    const VolumeGrid& grid = plan.grid;
    const std::size_t count = static_cast<std::size_t>(panel.width) * static_cast<std::size_t>(panel.height);
    PanelLayers panelLayers{std::vector<int>(count, -1), std::vector<char>(count, 0)};
    for (int v = 0; v < panel.height; ++v) {
        for (int u = 0; u < panel.width; ++u) {
            const Vector3d voxel = panelPixelToVoxel(plan, panel, u, v);
            const std::size_t shown = grid.index(nearestIndex(voxel.x, grid.nx), nearestIndex(voxel.y, grid.ny),
                                                 nearestIndex(voxel.z, grid.nz));
            const std::uint8_t grey = layers.window.grey(layers.base->values[shown]);
            image.setPixel(panel.left + u, panel.top + v, {grey, grey, grey});
            const std::size_t here = static_cast<std::size_t>(v) * static_cast<std::size_t>(panel.width) + static_cast<std::size_t>(u);
            if (projected != nullptr) {
                // Outside the region is level 0, so its outline is an edge like any other.
                panelLayers.level[here] = projected->inside[shown] != 0 ? 1 + levelOf(levels, projected->values[shown]) : 0;
            }
            if (!worldToOverlay && !worldToView) {
                continue;
            }
            const Vector3d world = grid.voxelToWorld.apply(voxel);
            if (worldToOverlay) {
                if (const auto index = voxelAt(layers.overlay->grid, worldToOverlay->apply(world))) {
                    panelLayers.level[here] = levelOf(levels, layers.overlay->values[*index]);
                }
            }
            if (worldToView) {
                panelLayers.inView[here] = voxelAt(*layers.fieldOfView, worldToView->apply(world)).has_value();
            }
        }
    }
    // A pixel is on an edge when a 4-neighbour in the panel lies on the other side: the
    // outline on the inside of the field of view, the edges on the brighter side of each level.
    const int du[4] = {1, -1, 0, 0};
    const int dv[4] = {0, 0, 1, -1};
    for (int v = 0; v < panel.height; ++v) {
        for (int u = 0; u < panel.width; ++u) {
            const std::size_t here = static_cast<std::size_t>(v) * static_cast<std::size_t>(panel.width) + static_cast<std::size_t>(u);
            bool outline = false;
            bool edge = false;
            for (int n = 0; n < 4; ++n) {
                const int nu = u + du[n];
                const int nv = v + dv[n];
                if (nu < 0 || nv < 0 || nu >= panel.width || nv >= panel.height) {
                    continue;
                }
                const std::size_t there = static_cast<std::size_t>(nv) * static_cast<std::size_t>(panel.width) + static_cast<std::size_t>(nu);
                outline = outline || (panelLayers.inView[here] && !panelLayers.inView[there]);
                edge = edge || (panelLayers.level[there] >= 0 && panelLayers.level[there] < panelLayers.level[here]);
            }
            if (edge) {
                image.setPixel(panel.left + u, panel.top + v, edgeRgb(options.edgeColour));
            } else if (outline) {
                image.setPixel(panel.left + u, panel.top + v, outlineRgb());
            }
        }
    }

    const int letterWidth = textWidth("M", kTextScale);
    const int letterHeight = textHeight(kTextScale);
    const int middleX = panel.left + (panel.width - letterWidth) / 2;
    const int middleY = panel.top + (panel.height - letterHeight) / 2;
    drawText(image, panel.left + 3, middleY, std::string(1, panel.axes.leftLetter), kLetterColour, kTextScale, true);
    drawText(image, panel.left + panel.width - 3 - letterWidth, middleY, std::string(1, panel.axes.rightLetter),
             kLetterColour, kTextScale, true);
    drawText(image, middleX, panel.top + 3, std::string(1, panel.axes.topLetter), kLetterColour, kTextScale, true);
    drawText(image, middleX, panel.top + panel.height - 3 - letterHeight, std::string(1, panel.axes.bottomLetter),
             kLetterColour, kTextScale, true);

    char label[48];
    std::snprintf(label, sizeof label, "%c %+.1f mm", axisName(panel.axes.normalWorldAxis), panel.positionMm);
    const int labelWidth = textWidth(label, kTextScale);
    drawText(image, panel.left + (panel.width - labelWidth) / 2, panel.top + panel.height + 4, label, kTextColour,
             kTextScale, false);
}

}  // namespace

Rgb edgeRgb(EdgeColour colour) {
    return colour == EdgeColour::Red ? Rgb{255, 0, 0} : Rgb{255, 230, 0};
}

Rgb outlineRgb() {
    return {0, 140, 255};
}

PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, const PictureOptions& options,
                        int captionLines) {
    return planPicture(grid, focus, options.slicesPerRow, options.convention, captionLines);
}

RgbImage renderPicture(const PicturePlan& plan, const PictureLayers& layers, const PictureOptions& options) {
    RgbImage image(plan.width, plan.height);
    if (layers.base == nullptr) {
        return image;
    }
    std::vector<float> levels;
    std::optional<Affine> worldToOverlay;
    // A region drawn on the base grid must cover it voxel for voxel.
    const ProjectedRegion* projected = layers.projected;
    const std::size_t baseVoxels = layers.base->values.size();
    if (projected != nullptr && (projected->inside.size() != baseVoxels || projected->values.size() != baseVoxels ||
                                 plan.grid.voxelCount() != baseVoxels)) {
        projected = nullptr;
    }
    if (projected != nullptr) {
        levels = edgeLevels(valuesInside(*projected));
    } else if (layers.overlay != nullptr) {
        worldToOverlay = layers.overlay->grid.voxelToWorld.inverse();
        levels = edgeLevels(layers.overlay->values);
    }
    std::optional<Affine> worldToView;
    if (layers.fieldOfView != nullptr) {
        worldToView = layers.fieldOfView->voxelToWorld.inverse();
    }
    for (const PanelPlan& panel : plan.panels) {
        drawPanel(image, plan, panel, layers, projected, levels, worldToOverlay, worldToView, options);
    }

    const int shownCaption = std::min(plan.captionLines, static_cast<int>(layers.caption.size()));
    for (int line = 0; line < shownCaption; ++line) {
        drawText(image, kPictureMargin, kPictureMargin + line * kTextLineHeight,
                 layers.caption[static_cast<std::size_t>(line)], kTextColour, kTextScale, false);
    }
    std::vector<std::pair<std::string, Rgb>> legend;
    if (projected != nullptr || layers.overlay != nullptr) {
        const std::string what = !layers.edgeLegend.empty() ? layers.edgeLegend
                                 : projected != nullptr     ? std::string("edges of the region written")
                                                            : "edges of " + layers.overlay->name;
        legend.emplace_back((options.edgeColour == EdgeColour::Red ? "red: " : "yellow: ") + what,
                            edgeRgb(options.edgeColour));
    }
    if (layers.fieldOfView != nullptr) {
        legend.emplace_back("blue: " + (layers.fieldOfViewLegend.empty() ? std::string("field of view")
                                                                          : layers.fieldOfViewLegend),
                            outlineRgb());
    }
    legend.emplace_back(conventionText(options.convention), kTextColour);
    // Items run left to right four spaces apart, and move to the next reserved line when the
    // picture is too narrow for them.
    const int lastLine = plan.captionLines;
    int line = shownCaption;
    int x = kPictureMargin;
    const int gap = 4 * kGlyphAdvance * kTextScale;
    for (const auto& [text, colour] : legend) {
        const int width = textWidth(text, kTextScale);
        if (x > kPictureMargin && x + width > plan.width - kPictureMargin && line < lastLine) {
            ++line;
            x = kPictureMargin;
        }
        drawText(image, x, kPictureMargin + line * kTextLineHeight, text, colour, kTextScale, false);
        x += width + gap;
    }
    return image;
}

}  // namespace orvane::keldra::picture
