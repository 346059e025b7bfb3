// Rendering panels, overlays, locators and text into one image.
#include "keldra/picture/alignment_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "keldra/picture/bitmap_font.h"
#include "keldra/picture/edge_levels.h"
#include "keldra/picture/locator.h"
#include "keldra/picture/panel_edges.h"

namespace orvane::keldra::picture {
namespace {

constexpr Rgb kLetterColour{255, 255, 255};
constexpr Rgb kTextColour{220, 220, 220};

char axisName(int worldAxis) {
    return worldAxis == 0 ? 'x' : worldAxis == 1 ? 'y' : 'z';
}

std::string conventionText(Convention convention) {
    return convention == Convention::Neurological ? "neurological: left on the left"
                                                  : "radiological: left on the right";
}

std::size_t strideOf(const VolumeGrid& grid, int axis) {
    return axis == 0 ? 1
           : axis == 1 ? static_cast<std::size_t>(grid.nx)
                       : static_cast<std::size_t>(grid.nx) * static_cast<std::size_t>(grid.ny);
}

// Per pixel along one screen axis, the offset in the base's values of the voxel it shows.
std::vector<std::size_t> voxelOffsets(const PicturePlan& plan, const PanelPlan& panel, bool horizontal) {
    const ScreenAxis& axis = horizontal ? panel.axes.horizontal : panel.axes.vertical;
    const std::vector<int> indices = panelVoxelIndices(plan, panel, horizontal);
    std::vector<std::size_t> offsets(indices.size());
    for (std::size_t p = 0; p < indices.size(); ++p) {
        offsets[p] = static_cast<std::size_t>(indices[p]) * strideOf(plan.grid, axis.voxelAxis);
    }
    return offsets;
}

// The base in grey, nearest neighbour. Neighbouring pixels that show the same voxel take its
// grey once, and a row of pixels that shows the same voxels as the row above is copied.
void drawBase(RgbImage& image, const PicturePlan& plan, const PanelPlan& panel, const PictureLayers& layers) {
    const std::vector<std::size_t> across = voxelOffsets(plan, panel, true);
    const std::vector<std::size_t> down = voxelOffsets(plan, panel, false);
    const std::size_t slice = static_cast<std::size_t>(panel.slice) * strideOf(plan.grid, panel.axes.sliceAxis);
    const PictureVolume& base = *layers.base;
    std::array<std::uint8_t, 256> byteGrey{};
    if (base.bytes != nullptr) {
        for (int b = 0; b < 256; ++b) {
            byteGrey[static_cast<std::size_t>(b)] = layers.window.grey(static_cast<float>(b));
        }
    }
    const std::size_t imageRow = static_cast<std::size_t>(image.width()) * 3;
    const std::size_t panelRow = static_cast<std::size_t>(panel.width) * 3;
    std::vector<std::uint8_t>& bytes = image.bytes();
    for (int v = 0; v < panel.height; ++v) {
        std::uint8_t* out = bytes.data() + static_cast<std::size_t>(panel.top + v) * imageRow +
                            static_cast<std::size_t>(panel.left) * 3;
        if (v > 0 && down[static_cast<std::size_t>(v)] == down[static_cast<std::size_t>(v - 1)]) {
            std::memcpy(out, out - imageRow, panelRow);
            continue;
        }
        const std::size_t row = slice + down[static_cast<std::size_t>(v)];
        std::uint8_t grey = 0;
        for (int u = 0; u < panel.width; ++u, out += 3) {
            const std::size_t voxel = row + across[static_cast<std::size_t>(u)];
            if (u == 0 || across[static_cast<std::size_t>(u)] != across[static_cast<std::size_t>(u - 1)]) {
                grey = base.bytes != nullptr ? byteGrey[base.bytes[voxel]] : layers.window.grey(base.values[voxel]);
            }
            out[0] = out[1] = out[2] = grey;
        }
    }
}

// The pixels of one panel row that lie inside a field of view: from `first` up to `last`
// (exclusive), empty when first >= last.
struct InsideRun {
    int first = 0;
    int last = 0;

    bool holds(int u) const { return u >= first && u < last; }
};

// Per row of the panel, the run of pixels inside a field of view's voxel box.
std::vector<InsideRun> insideField(const PicturePlan& plan, const PanelPlan& panel, const VolumeGrid& field) {
    std::vector<InsideRun> runs(static_cast<std::size_t>(panel.height));
    const auto worldToField = field.voxelToWorld.inverse();
    if (!worldToField) {
        return runs;
    }
    const Affine baseToField = *worldToField * plan.grid.voxelToWorld;
    const Vector3d origin = baseToField.apply(panelPixelToVoxel(plan, panel, 0, 0));
    const Vector3d perU = baseToField.apply(panelPixelToVoxel(plan, panel, 1, 0)) - origin;
    const Vector3d perV = baseToField.apply(panelPixelToVoxel(plan, panel, 0, 1)) - origin;
    for (int v = 0; v < panel.height; ++v) {
        const Vector3d start = origin + double(v) * perV;
        // Along a row, each coordinate is affine in u, so the pixels inside form one run.
        double from = 0.0;
        double to = panel.width;  // the run is from <= u < to
        for (int a = 0; a < 3; ++a) {
            const double low = -0.5;
            const double high = field.size(a) - 0.5;
            if (perU[a] == 0.0) {
                if (!(start[a] >= low && start[a] < high)) {
                    to = from;
                }
                continue;
            }
            double enter = (low - start[a]) / perU[a];
            double leave = (high - start[a]) / perU[a];
            if (enter > leave) {
                std::swap(enter, leave);
            }
            from = std::max(from, std::ceil(enter));
            to = std::min(to, std::ceil(leave));
        }
        // The run's ends are worked out in floating point; the pixels at its ends are checked
        // again. Each coordinate, as computed, is monotonic in u, so the pixels that pass the
        // check form one run too, and only its ends need finding.
        const auto inside = [&](int u) {
            const Vector3d f = start + double(u) * perU;
            return f.x >= -0.5 && f.y >= -0.5 && f.z >= -0.5 && f.x < field.nx - 0.5 && f.y < field.ny - 0.5 &&
                   f.z < field.nz - 0.5;
        };
        InsideRun& run = runs[static_cast<std::size_t>(v)];
        run.first = from < to ? static_cast<int>(from) : 0;
        run.last = from < to ? static_cast<int>(to) : 0;
        while (run.first < run.last && !inside(run.first)) {
            ++run.first;
        }
        while (run.last > run.first && !inside(run.last - 1)) {
            --run.last;
        }
    }
    return runs;
}

// Draws the outline of a field of view on the inside of its box: pixels inside with a
// 4-neighbour outside; dashed outlines leave every other run of four pixels out.
void drawFieldOutline(RgbImage& image, const PicturePlan& plan, const PanelPlan& panel, const VolumeGrid& field,
                      bool dashed) {
    const std::vector<InsideRun> runs = insideField(plan, panel, field);
    const int w = panel.width;
    const int h = panel.height;
    const InsideRun none;
    for (int v = 0; v < h; ++v) {
        const InsideRun& run = runs[static_cast<std::size_t>(v)];
        const InsideRun& above = v > 0 ? runs[static_cast<std::size_t>(v - 1)] : none;
        const InsideRun& below = v + 1 < h ? runs[static_cast<std::size_t>(v + 1)] : none;
        for (int u = run.first; u < run.last; ++u) {
            const bool border = (u == run.first && u > 0) || (u == run.last - 1 && u + 1 < w) ||
                                (v > 0 && !above.holds(u)) || (v + 1 < h && !below.holds(u));
            if (border && (!dashed || ((u + v) / 4) % 2 == 0)) {
                image.setPixel(panel.left + u, panel.top + v, outlineRgb());
            }
        }
    }
}

void drawEdges(RgbImage& image, const PanelPlan& panel, const std::vector<std::uint8_t>& edges, Rgb colour) {
    std::size_t here = 0;
    for (int v = 0; v < panel.height; ++v) {
        for (int u = 0; u < panel.width; ++u, ++here) {
            if (edges[here] != 0) {
                image.setPixel(panel.left + u, panel.top + v, colour);
            }
        }
    }
}

// A slice position in millimetres, without decimals when it is a whole number.
std::string positionText(char axis, double mm) {
    char label[48];
    const double whole = std::round(mm);
    if (std::fabs(mm - whole) < 0.05) {
        std::snprintf(label, sizeof label, "%c %+.0f mm", axis, whole == 0.0 ? 0.0 : whole);
    } else {
        std::snprintf(label, sizeof label, "%c %+.1f mm", axis, mm);
    }
    return label;
}

// The orientation letters at the middle of each edge of a panel, and a label under it.
void drawPanelLetters(RgbImage& image, const ViewAxes& axes, int left, int top, int width, int height,
                      const std::string& label) {
    const int letterWidth = textWidth("M", kTextScale);
    const int letterHeight = textHeight(kTextScale);
    const int middleX = left + (width - letterWidth) / 2;
    const int middleY = top + (height - letterHeight) / 2;
    drawText(image, left + 3, middleY, std::string(1, axes.leftLetter), kLetterColour, kTextScale, true);
    drawText(image, left + width - 3 - letterWidth, middleY, std::string(1, axes.rightLetter), kLetterColour,
             kTextScale, true);
    drawText(image, middleX, top + 3, std::string(1, axes.topLetter), kLetterColour, kTextScale, true);
    drawText(image, middleX, top + height - 3 - letterHeight, std::string(1, axes.bottomLetter), kLetterColour,
             kTextScale, true);
    const int labelWidth = textWidth(label, kTextScale);
    drawText(image, left + (width - labelWidth) / 2, top + height + 4, label, kTextColour, kTextScale, false);
}

// What the edges are drawn from, prepared once per picture.
std::optional<EdgeSource> edgeSourceOf(const PictureLayers& layers) {
    EdgeSource source;
    const ProjectedRegion* region = layers.projected;
    if (region != nullptr && region->before != nullptr && region->after != nullptr &&
        region->before->count() == layers.base->count() && region->after->count() == layers.base->count()) {
        source.region = region;
        source.levels = region->levels;
    } else if (layers.overlay != nullptr) {
        source.overlay = layers.overlay;
        source.levels = layers.overlayLevels != nullptr ? *layers.overlayLevels : edgeLevels(*layers.overlay);
    } else {
        return std::nullopt;
    }
    source.smoothingMm = layers.edgeSmoothingMm > 0.0   ? layers.edgeSmoothingMm
                         : source.overlay != nullptr ? edgeSmoothingMm(layers.base->grid, source.overlay->grid)
                                                     : edgeSmoothingMm(layers.base->grid);
    return source;
}

// The legend's items: what the edges and the outlines show, in their colours, and the convention.
std::vector<std::pair<std::string, Rgb>> legendItems(const PictureLayers& layers, bool edges,
                                                     const PictureOptions& options) {
    std::vector<std::pair<std::string, Rgb>> legend;
    if (edges) {
        const std::string what = !layers.edgeLegend.empty()     ? layers.edgeLegend
                                 : layers.projected != nullptr ? std::string("edges of the region written")
                                                               : "edges of " + layers.overlay->name;
        legend.emplace_back((options.edgeColour == EdgeColour::Red ? "red: " : "yellow: ") + what,
                            edgeRgb(options.edgeColour));
    } else if (!layers.absentEdgesNote.empty()) {
        legend.emplace_back(layers.absentEdgesNote, edgeRgb(options.edgeColour));
    }
    if (layers.fieldOfView != nullptr) {
        legend.emplace_back("blue: " + (layers.fieldOfViewLegend.empty() ? std::string("field of view")
                                                                          : layers.fieldOfViewLegend),
                            outlineRgb());
    }
    if (layers.secondFieldOfView != nullptr) {
        legend.emplace_back("dashed blue: " + (layers.secondFieldOfViewLegend.empty() ? std::string("field of view")
                                                                                       : layers.secondFieldOfViewLegend),
                            outlineRgb());
    }
    legend.emplace_back(conventionText(options.convention), kTextColour);
    return legend;
}

// The scale a text is drawn at from `x`: the usual one, or half of it when the text would run
// past the picture's right margin at the usual size (a long file name in a small picture).
int fittingScale(const PicturePlan& plan, int x, const std::string& text) {
    return x + textWidth(text, kTextScale) <= plan.width - kPictureMargin ? kTextScale : 1;
}

}  // namespace

void drawCaptionLine(RgbImage& image, const PicturePlan& plan, int line, const std::string& text) {
    drawText(image, kPictureMargin, kPictureMargin + line * kTextLineHeight, text, kTextColour,
             fittingScale(plan, kPictureMargin, text), false);
}

namespace {

// The caption lines the plan has room for, then the legend: items run left to right four spaces
// apart, and move to the next reserved line when the picture is too narrow for them. Text too
// wide for the picture is drawn smaller rather than cut off.
void drawCaptionAndLegend(RgbImage& image, const PicturePlan& plan, const std::vector<std::string>& caption,
                          const std::vector<std::pair<std::string, Rgb>>& legend) {
    const int shownCaption = std::min(plan.captionLines, static_cast<int>(caption.size()));
    for (int line = 0; line < shownCaption; ++line) {
        drawCaptionLine(image, plan, line, caption[static_cast<std::size_t>(line)]);
    }
    const int lastLine = plan.captionLines + kLegendLines - 1;
    int line = shownCaption;
    int x = kPictureMargin;
    const int gap = 4 * kGlyphAdvance * kTextScale;
    for (const auto& [text, colour] : legend) {
        if (x > kPictureMargin && x + textWidth(text, kTextScale) > plan.width - kPictureMargin && line < lastLine) {
            ++line;
            x = kPictureMargin;
        }
        const int scale = fittingScale(plan, x, text);
        drawText(image, x, kPictureMargin + line * kTextLineHeight, text, colour, scale, false);
        x += textWidth(text, scale) + gap;
    }
}

void drawLocators(RgbImage& image, const PicturePlan& plan, const PictureLayers& layers) {
    if (plan.locators.empty()) {
        return;
    }
    const std::vector<float> levels = edgeLevels(*layers.base);
    const float headLevel = levels.empty() ? -INFINITY : levels.front();
    const std::vector<LocatorOutline> outlines = {{layers.fieldOfView, outlineRgb(), false},
                                                  {layers.secondFieldOfView, outlineRgb(), true}};
    for (const LocatorPlan& locator : plan.locators) {
        drawLocator(image, plan, locator, *layers.base, headLevel, outlines);
        drawPanelLetters(image, locator.axes, locator.left, locator.top, locator.width, locator.height, "where it lies");
    }
}

}  // namespace

namespace {

double coarsestVoxel(const VolumeGrid& grid) {
    return std::max({grid.voxelSize(0), grid.voxelSize(1), grid.voxelSize(2)});
}

double finestVoxel(const VolumeGrid& grid) {
    return std::min({grid.voxelSize(0), grid.voxelSize(1), grid.voxelSize(2)});
}

}  // namespace

double edgeSmoothingMm(const VolumeGrid& grid) { return std::max(1.0, 0.5 * coarsestVoxel(grid)); }

double edgeSmoothingMm(const VolumeGrid& base, const VolumeGrid& overlay) {
    if (2.0 * finestVoxel(overlay) < coarsestVoxel(base)) {
        return std::max(1.0, 0.75 * coarsestVoxel(base));
    }
    return std::max(edgeSmoothingMm(base), edgeSmoothingMm(overlay));
}

Rgb edgeRgb(EdgeColour colour) {
    return colour == EdgeColour::Red ? Rgb{255, 0, 0} : Rgb{255, 230, 0};
}

Rgb outlineRgb() {
    return {0, 140, 255};
}

PicturePlan planPicture(const VolumeGrid& grid, const PictureVolume* focus, const PictureOptions& options,
                        int captionLines, const VolumeGrid* fieldOfView) {
    return planPicture(grid, focus, options.slicesPerRow, options.convention, captionLines, fieldOfView);
}

void drawPanelLabels(RgbImage& image, const PanelPlan& panel) {
    drawPanelLetters(image, panel.axes, panel.left, panel.top, panel.width, panel.height,
                     positionText(axisName(panel.axes.normalWorldAxis), panel.positionMm));
}

RgbImage renderPicture(const PicturePlan& plan, const PictureLayers& layers, const PictureOptions& options) {
    RgbImage image(plan.width, plan.height);
    if (layers.base == nullptr || layers.base->count() != plan.grid.voxelCount()) {
        return image;
    }
    const std::optional<EdgeSource> edges = edgeSourceOf(layers);
    for (const PanelPlan& panel : plan.panels) {
        drawBase(image, plan, panel, layers);
        if (layers.secondFieldOfView != nullptr) {
            drawFieldOutline(image, plan, panel, *layers.secondFieldOfView, true);
        }
        if (layers.fieldOfView != nullptr) {
            drawFieldOutline(image, plan, panel, *layers.fieldOfView, false);
        }
        if (edges) {
            drawEdges(image, panel, panelEdges(plan, panel, *edges), edgeRgb(options.edgeColour));
        }
        drawPanelLabels(image, panel);
    }
    drawLocators(image, plan, layers);
    drawCaptionAndLegend(image, plan, layers.caption, legendItems(layers, edges.has_value(), options));
    return image;
}

}  // namespace orvane::keldra::picture
