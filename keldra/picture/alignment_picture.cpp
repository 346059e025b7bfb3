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

// What is drawn over the base, prepared once per picture: the region written into the base
// grid or the overlay's grid, their edge levels, and the maps from world millimetres into the
// overlay's and the field of view's voxels.
struct Overlays {
    const ProjectedRegion* projected = nullptr;
    const PictureVolume* overlay = nullptr;
    std::vector<float> levels;
    std::optional<Affine> worldToOverlay;
    std::optional<Affine> worldToView;
};

// Per pixel of a panel, row by row.
struct PanelLayers {
    std::vector<int> level;        // -1 outside the overlay's grid
    std::vector<char> inView;      // inside the field of view
};

Overlays prepareOverlays(const PicturePlan& plan, const PictureLayers& layers) {
    Overlays overlays;
    // A region drawn on the base grid must cover it voxel for voxel.
    const ProjectedRegion* projected = layers.projected;
    const std::size_t baseVoxels = layers.base->values.size();
    if (projected != nullptr && (projected->inside.size() != baseVoxels || projected->values.size() != baseVoxels ||
                                 plan.grid.voxelCount() != baseVoxels)) {
        projected = nullptr;
    }
    if (projected != nullptr) {
        overlays.projected = projected;
        overlays.levels = edgeLevels(valuesInside(*projected));
    } else if (layers.overlay != nullptr) {
        overlays.overlay = layers.overlay;
        overlays.worldToOverlay = layers.overlay->grid.voxelToWorld.inverse();
        overlays.levels = edgeLevels(layers.overlay->values);
    }
    if (layers.fieldOfView != nullptr) {
        overlays.worldToView = layers.fieldOfView->voxelToWorld.inverse();
    }
    return overlays;
}

// Draws the base in grey and samples, at each pixel, the overlays' level and whether the pixel
// lies in the field of view.
PanelLayers drawBase(RgbImage& image, const PicturePlan& plan, const PanelPlan& panel, const PictureLayers& layers,
                     const Overlays& overlays) {
    const VolumeGrid& grid = plan.grid;
    const std::size_t count = static_cast<std::size_t>(panel.width) * static_cast<std::size_t>(panel.height);
    PanelLayers sampled{std::vector<int>(count, -1), std::vector<char>(count, 0)};
    for (int v = 0; v < panel.height; ++v) {
        for (int u = 0; u < panel.width; ++u) {
            const Vector3d voxel = panelPixelToVoxel(plan, panel, u, v);
            const std::size_t shown = grid.index(nearestIndex(voxel.x, grid.nx), nearestIndex(voxel.y, grid.ny),
                                                 nearestIndex(voxel.z, grid.nz));
            const std::uint8_t grey = layers.window.grey(layers.base->values[shown]);
            image.setPixel(panel.left + u, panel.top + v, {grey, grey, grey});
            const std::size_t here = static_cast<std::size_t>(v) * static_cast<std::size_t>(panel.width) + static_cast<std::size_t>(u);
            if (overlays.projected != nullptr) {
                // Outside the region is level 0, so its outline is an edge like any other.
                sampled.level[here] = overlays.projected->inside[shown] != 0
                                          ? 1 + levelOf(overlays.levels, overlays.projected->values[shown])
                                          : 0;
            }
            if (!overlays.worldToOverlay && !overlays.worldToView) {
                continue;
            }
            const Vector3d world = grid.voxelToWorld.apply(voxel);
            if (overlays.worldToOverlay) {
                if (const auto index = voxelAt(overlays.overlay->grid, overlays.worldToOverlay->apply(world))) {
                    sampled.level[here] = levelOf(overlays.levels, overlays.overlay->values[*index]);
                }
            }
            if (overlays.worldToView) {
                sampled.inView[here] = voxelAt(*layers.fieldOfView, overlays.worldToView->apply(world)).has_value();
            }
        }
    }
    return sampled;
}

// A pixel is on an edge when a 4-neighbour in the panel lies on the other side: the outline on
// the inside of the field of view, the edges on the brighter side of each level.
void drawEdges(RgbImage& image, const PanelPlan& panel, const PanelLayers& sampled, EdgeColour edgeColour) {
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
                outline = outline || (sampled.inView[here] && !sampled.inView[there]);
                edge = edge || (sampled.level[there] >= 0 && sampled.level[there] < sampled.level[here]);
            }
            if (edge) {
                image.setPixel(panel.left + u, panel.top + v, edgeRgb(edgeColour));
            } else if (outline) {
                image.setPixel(panel.left + u, panel.top + v, outlineRgb());
            }
        }
    }
}

// The orientation letters at the middle of each panel edge, and the slice position under it.
void drawPanelLabels(RgbImage& image, const PanelPlan& panel) {
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

// The legend's items: what the edges and the outline show, in their colours, and the convention.
std::vector<std::pair<std::string, Rgb>> legendItems(const PictureLayers& layers, const Overlays& overlays,
                                                     const PictureOptions& options) {
    std::vector<std::pair<std::string, Rgb>> legend;
    if (overlays.projected != nullptr || layers.overlay != nullptr) {
        const std::string what = !layers.edgeLegend.empty()       ? layers.edgeLegend
                                 : overlays.projected != nullptr ? std::string("edges of the region written")
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
    return legend;
}

// The caption lines the plan has room for, then the legend: items run left to right four spaces
// apart, and move to the next reserved line when the picture is too narrow for them.
void drawCaptionAndLegend(RgbImage& image, const PicturePlan& plan, const std::vector<std::string>& caption,
                          const std::vector<std::pair<std::string, Rgb>>& legend) {
    const int shownCaption = std::min(plan.captionLines, static_cast<int>(caption.size()));
    for (int line = 0; line < shownCaption; ++line) {
        drawText(image, kPictureMargin, kPictureMargin + line * kTextLineHeight,
                 caption[static_cast<std::size_t>(line)], kTextColour, kTextScale, false);
    }
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
    const Overlays overlays = prepareOverlays(plan, layers);
    for (const PanelPlan& panel : plan.panels) {
        drawEdges(image, panel, drawBase(image, plan, panel, layers, overlays), options.edgeColour);
        drawPanelLabels(image, panel);
    }
    drawCaptionAndLegend(image, plan, layers.caption, legendItems(layers, overlays, options));
    return image;
}

}  // namespace orvane::keldra::picture
