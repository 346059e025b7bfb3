// Sampling, smoothing and levelling a panel's edge source.
#include "keldra/picture/panel_edges.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "keldra/picture/edge_levels.h"
#include "keldra/picture/field_smoothing.h"
#include "keldra/picture/short_contours.h"

namespace orvane::keldra::picture {
namespace {

// The lattice the source is sampled on: a millimetre apart, or half the smoothing's standard
// deviation when that is more (a smoothed image has nothing finer), rounded to whole pixels.
constexpr double kLatticeMm = 1.0;

// The smoothed source on the lattice: the weighted values and the weights, with a margin of
// samples around the panel so that the smoothing sees beyond its border.
struct Lattice {
    int step = 1;     // pixels from one sample to the next
    int margin = 0;   // samples before the panel's first pixel
    int width = 0;
    int height = 0;
    std::vector<float> weighted;
    std::vector<float> weight;
};

// The voxels on either side of a continuous coordinate along one axis that carry weight, as
// offsets into the values.
struct AxisTaps {
    std::size_t offset[2] = {0, 0};
    double weight[2] = {0.0, 0.0};
    int count = 0;
};

inline AxisTaps tapsAlong(double coordinate, int size, std::size_t stride) {
    AxisTaps taps;
    const double below = std::floor(coordinate);
    const double fraction = coordinate - below;
    if (!(below >= -1.0 && below < size)) {
        return taps;
    }
    const int first = static_cast<int>(below);
    if (fraction < 1.0 && first >= 0) {
        taps.offset[taps.count] = static_cast<std::size_t>(first) * stride;
        taps.weight[taps.count++] = 1.0 - fraction;
    }
    if (fraction > 0.0 && first + 1 < size) {
        taps.offset[taps.count] = static_cast<std::size_t>(first + 1) * stride;
        taps.weight[taps.count++] = fraction;
    }
    return taps;
}

// The trilinear sum of weighted values and of weights around continuous coordinate (x, y, z)
// of `grid`, over the voxels `valueOf` gives a value for (it returns false for the others).
template <typename ValueOf>
void sampleTrilinear(const VolumeGrid& grid, double x, double y, double z, ValueOf valueOf, float& weighted,
                     float& weight) {
    const AxisTaps tx = tapsAlong(x, grid.nx, 1);
    const AxisTaps ty = tapsAlong(y, grid.ny, static_cast<std::size_t>(grid.nx));
    // A plane (one voxel thick) is sampled at its own depth.
    const AxisTaps tz = grid.nz == 1 ? AxisTaps{{0, 0}, {1.0, 0.0}, 1}
                                     : tapsAlong(z, grid.nz, static_cast<std::size_t>(grid.nx) * static_cast<std::size_t>(grid.ny));
    double sum = 0.0;
    double total = 0.0;
    if (tx.count == 2 && ty.count == 2 && tz.count == 2) {
        // Inside the grid, away from its faces: all eight voxels are read first, so that their
        // loads overlap, then summed in the order below.
        float values[8];
        bool valid[8];
        for (int n = 0; n < 8; ++n) {
            valid[n] = valueOf(tz.offset[n >> 2] + ty.offset[n >> 1 & 1] + tx.offset[n & 1], values[n]);
        }
        for (int n = 0; n < 8; ++n) {
            if (valid[n]) {
                const double w = tz.weight[n >> 2] * ty.weight[n >> 1 & 1] * tx.weight[n & 1];
                sum += w * values[n];
                total += w;
            }
        }
        weighted = static_cast<float>(sum);
        weight = static_cast<float>(total);
        return;
    }
    for (int k = 0; k < tz.count; ++k) {
        for (int j = 0; j < ty.count; ++j) {
            for (int i = 0; i < tx.count; ++i) {
                float value = 0.0f;
                if (valueOf(tz.offset[k] + ty.offset[j] + tx.offset[i], value)) {
                    const double w = tz.weight[k] * ty.weight[j] * tx.weight[i];
                    sum += w * value;
                    total += w;
                }
            }
        }
    }
    weighted = static_cast<float>(sum);
    weight = static_cast<float>(total);
}

// How many lattice points ahead the voxels a sample will read are asked for: an overlay's
// voxels along an oblique plane are far apart in memory, and waiting for each in turn costs
// more than the sums.
constexpr int kFetchAhead = 8;

// Fills the lattice from the source with `valueOf` (see sampleTrilinear); `bytes`, when the
// source is a volume of bytes, is loaded a few points ahead.
template <typename ValueOf>
void fillLattice(Lattice& lattice, const VolumeGrid& grid, const Vector3d& origin, const Vector3d& perI,
                 const Vector3d& perJ, ValueOf valueOf, const std::uint8_t* bytes = nullptr) {
    const std::size_t row = static_cast<std::size_t>(grid.nx);
    const std::size_t plane = row * static_cast<std::size_t>(grid.ny);
    std::size_t here = 0;
    for (int j = 0; j < lattice.height; ++j) {
        const double rowX = origin.x + j * perJ.x;
        const double rowY = origin.y + j * perJ.y;
        const double rowZ = origin.z + j * perJ.z;
        for (int i = 0; i < lattice.width; ++i, ++here) {
            if (bytes != nullptr) {
                // The eight voxels around the point kFetchAhead further on. (Written out here: a
                // function of its own that only asks for loads counts as doing nothing, and the
                // compiler drops its calls.)
                const int ahead = i + kFetchAhead;
                const double fx = std::floor(rowX + ahead * perI.x), fy = std::floor(rowY + ahead * perI.y),
                             fz = std::floor(rowZ + ahead * perI.z);
                if (fx >= 0.0 && fy >= 0.0 && fz >= 0.0 && fx < grid.nx - 1 && fy < grid.ny - 1 && fz < grid.nz - 1) {
                    const std::uint8_t* at = bytes + grid.index(static_cast<int>(fx), static_cast<int>(fy), static_cast<int>(fz));
                    __builtin_prefetch(at);
                    __builtin_prefetch(at + row);
                    __builtin_prefetch(at + plane);
                    __builtin_prefetch(at + plane + row);
                }
            }
            sampleTrilinear(grid, rowX + i * perI.x, rowY + i * perI.y, rowZ + i * perI.z, valueOf,
                            lattice.weighted[here], lattice.weight[here]);
        }
    }
}

// fillLattice for a plane (one voxel thick) whose axes run along the lattice's: every point of
// a lattice column has the same taps across, every point of a row the same taps down, so each
// is worked out once. The sums and weights are those of sampleTrilinear, term for term (the
// plane's one tap through its depth weighs exactly 1).
void fillPlaneLattice(Lattice& lattice, const VolumeGrid& plane, const std::vector<float>& values,
                      const Vector3d& origin, const Vector3d& perI, const Vector3d& perJ) {
    std::vector<AxisTaps> across(static_cast<std::size_t>(lattice.width));
    for (int i = 0; i < lattice.width; ++i) {
        across[static_cast<std::size_t>(i)] = tapsAlong(origin.x + i * perI.x, plane.nx, 1);
    }
    std::size_t here = 0;
    for (int j = 0; j < lattice.height; ++j) {
        const AxisTaps ty = tapsAlong(origin.y + j * perJ.y, plane.ny, static_cast<std::size_t>(plane.nx));
        for (int i = 0; i < lattice.width; ++i, ++here) {
            const AxisTaps& tx = across[static_cast<std::size_t>(i)];
            double sum = 0.0;
            double total = 0.0;
            for (int b = 0; b < ty.count; ++b) {
                for (int a = 0; a < tx.count; ++a) {
                    const float value = values[ty.offset[b] + tx.offset[a]];
                    if (std::isfinite(value)) {
                        const double w = ty.weight[b] * tx.weight[a];
                        sum += w * value;
                        total += w;
                    }
                }
            }
            lattice.weighted[here] = static_cast<float>(sum);
            lattice.weight[here] = static_cast<float>(total);
        }
    }
}

// The values a region holds on a panel's slice, across and down the panel's screen axes (in
// voxel order), NaN where nothing was written.
struct SlicePlane {
    VolumeGrid grid;  // across x down x 1
    int firstAcross = 0;
    int firstDown = 0;
    std::vector<float> values;
};

SlicePlane writtenPlane(const PicturePlan& plan, const PanelPlan& panel, const ProjectedRegion& region, int margin) {
    const VolumeGrid& grid = plan.grid;
    const int across = panel.axes.horizontal.voxelAxis;
    const int down = panel.axes.vertical.voxelAxis;
    SlicePlane plane;
    plane.firstAcross = std::max(0, plan.shownFirst[across] - margin);
    plane.firstDown = std::max(0, plan.shownFirst[down] - margin);
    plane.grid.nx = std::min(grid.size(across) - 1, plan.shownLast[across] + margin) - plane.firstAcross + 1;
    plane.grid.ny = std::min(grid.size(down) - 1, plan.shownLast[down] + margin) - plane.firstDown + 1;
    plane.grid.nz = 1;
    plane.values.assign(plane.grid.voxelCount(), std::nanf(""));
    const std::size_t strides[3] = {1, static_cast<std::size_t>(grid.nx),
                                    static_cast<std::size_t>(grid.nx) * static_cast<std::size_t>(grid.ny)};
    const std::size_t slice = static_cast<std::size_t>(panel.slice) * strides[panel.axes.sliceAxis];
    const std::uint8_t* was = region.before->bytes;
    const std::uint8_t* is = region.after->bytes;
    std::size_t here = 0;
    for (int d = 0; d < plane.grid.ny; ++d) {
        const std::size_t row = slice + static_cast<std::size_t>(plane.firstDown + d) * strides[down];
        for (int a = 0; a < plane.grid.nx; ++a, ++here) {
            const std::size_t index = row + static_cast<std::size_t>(plane.firstAcross + a) * strides[across];
            if (was != nullptr && is != nullptr) {
                if (was[index] != is[index]) {
                    plane.values[here] = is[index];
                }
            } else if (region.written(index)) {
                plane.values[here] = region.after->value(index);
            }
        }
    }
    return plane;
}

// Samples the source at every lattice point and smooths it.
Lattice sampleLattice(const PicturePlan& plan, const PanelPlan& panel, const EdgeSource& source) {
    Lattice lattice;
    const double spacingMm = std::max(kLatticeMm, source.smoothingMm / 2.0);
    lattice.step = std::max(1, static_cast<int>(std::lround(spacingMm / plan.mmPerPixel)));
    const double sigma = source.smoothingMm / (lattice.step * plan.mmPerPixel);
    lattice.margin = static_cast<int>(std::ceil(3.0 * sigma)) + 1;
    lattice.width = (panel.width - 1) / lattice.step + 2 + 2 * lattice.margin;
    lattice.height = (panel.height - 1) / lattice.step + 2 + 2 * lattice.margin;
    const std::size_t count = static_cast<std::size_t>(lattice.width) * static_cast<std::size_t>(lattice.height);
    lattice.weighted.assign(count, 0.0f);
    lattice.weight.assign(count, 0.0f);

    // Lattice point (i, j) lies at pixel ((i - margin) * step, (j - margin) * step); its place
    // in the source's grid is affine in (i, j).
    const VolumeGrid& sourceGrid = source.region != nullptr ? plan.grid : source.overlay->grid;
    Affine baseToSource = Affine::identity();
    if (source.overlay != nullptr) {
        const auto worldToSource = source.overlay->grid.voxelToWorld.inverse();
        if (!worldToSource) {
            return lattice;
        }
        baseToSource = *worldToSource * plan.grid.voxelToWorld;
    }
    const auto at = [&](double i, double j) {
        return baseToSource.apply(panelPixelToVoxel(plan, panel, (i - lattice.margin) * lattice.step,
                                                    (j - lattice.margin) * lattice.step));
    };
    const Vector3d origin = at(0.0, 0.0);
    const Vector3d perI = at(1.0, 0.0) - origin;
    const Vector3d perJ = at(0.0, 1.0) - origin;

    if (source.overlay != nullptr) {
        const PictureVolume& overlay = *source.overlay;
        if (overlay.bytes != nullptr) {
            fillLattice(lattice, sourceGrid, origin, perI, perJ, [&](std::size_t index, float& value) {
                value = overlay.bytes[index];
                return true;
            }, overlay.bytes);
        } else {
            fillLattice(lattice, sourceGrid, origin, perI, perJ, [&](std::size_t index, float& value) {
                value = overlay.values[index];
                return std::isfinite(value);
            });
        }
    } else {
        // The region lies on the drawn slice itself: read that slice once, as far as the lattice
        // reaches, into a compact plane (which keeps the reads in order), and sample the plane.
        const int margin = static_cast<int>(std::ceil(lattice.margin * lattice.step * plan.mmPerPixel /
                                                      std::min(sourceGrid.voxelSize(panel.axes.horizontal.voxelAxis),
                                                               sourceGrid.voxelSize(panel.axes.vertical.voxelAxis)))) + 1;
        const SlicePlane plane = writtenPlane(plan, panel, *source.region, margin);
        const auto inPlane = [&](const Vector3d& c) {
            return Vector3d{c[panel.axes.horizontal.voxelAxis] - plane.firstAcross, c[panel.axes.vertical.voxelAxis] - plane.firstDown, 0.0};
        };
        const Vector3d planeOrigin = inPlane(origin);
        const Vector3d planePerI = inPlane(origin + perI) - planeOrigin;
        const Vector3d planePerJ = inPlane(origin + perJ) - planeOrigin;
        if (planePerI.y == 0.0 && planePerJ.x == 0.0) {
            fillPlaneLattice(lattice, plane.grid, plane.values, planeOrigin, planePerI, planePerJ);
        } else {
            fillLattice(lattice, plane.grid, planeOrigin, planePerI, planePerJ, [&](std::size_t index, float& value) {
                value = plane.values[index];
                return std::isfinite(value);
            });
        }
    }
    smoothField(lattice.weighted, lattice.width, lattice.height, sigma);
    smoothField(lattice.weight, lattice.width, lattice.height, sigma);
    return lattice;
}

// Where a pixel falls between lattice points along one screen axis.
struct Between {
    int first = 0;
    float fraction = 0.0f;
};

std::vector<Between> betweenPoints(int pixels, const Lattice& lattice) {
    std::vector<Between> table(static_cast<std::size_t>(pixels));
    for (int p = 0; p < pixels; ++p) {
        const double position = static_cast<double>(p) / lattice.step + lattice.margin;
        table[static_cast<std::size_t>(p)].first = static_cast<int>(std::floor(position));
        table[static_cast<std::size_t>(p)].fraction = static_cast<float>(position - std::floor(position));
    }
    return table;
}

// The level of a smoothed sample: for an overlay -1 where it has no values, for a region 0
// outside it. There are at most three levels (edge_levels.h).
std::int8_t levelOfSample(const EdgeSource& source, float weighted, float weight) {
    const bool region = source.region != nullptr;
    if (!(weight >= 0.5f)) {
        return region ? 0 : -1;
    }
    return static_cast<std::int8_t>((region ? 1 : 0) + levelOf(source.levels, weighted / weight));
}

// The pixels of a panel row that lie between the same two columns of lattice points.
struct PixelRun {
    int first = 0;  // the lattice column on their left
    int from = 0;   // the pixels, from <= u < to
    int to = 0;
};

std::vector<PixelRun> pixelRuns(const std::vector<Between>& across) {
    std::vector<PixelRun> runs;
    for (int u = 0; u < static_cast<int>(across.size()); ++u) {
        const int first = across[static_cast<std::size_t>(u)].first;
        if (runs.empty() || runs.back().first != first) {
            runs.push_back({first, u, u});
        }
        runs.back().to = u + 1;
    }
    return runs;
}

// Per lattice cell (named by its top-left point), the level its four corners share, or
// kMixedCell when they differ.
constexpr std::int8_t kMixedCell = -128;

std::vector<std::int8_t> cellLevels(const EdgeSource& source, const Lattice& lattice) {
    std::vector<std::int8_t> points(lattice.weight.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = levelOfSample(source, lattice.weighted[i], lattice.weight[i]);
    }
    const std::size_t row = static_cast<std::size_t>(lattice.width);
    std::vector<std::int8_t> cells(points.size(), kMixedCell);
    for (std::size_t i = 0; i + row + 1 < points.size(); ++i) {
        const std::int8_t corner = points[i];
        if (corner == points[i + 1] && corner == points[i + row] && corner == points[i + row + 1]) {
            cells[i] = corner;
        }
    }
    return cells;
}

// The level of every pixel, in rows of panel.width + 2 with a border of one pixel all round at
// level -1 (no values), so that every pixel of the panel has four neighbours. Where the four
// lattice points around a pixel share a level, so does the pixel; elsewhere (near a contour) it
// is taken from the bilinear interpolation of the smoothed samples, which is what makes the
// contours smooth at the pixels' scale.
std::vector<std::int8_t> pixelLevels(const PanelPlan& panel, const EdgeSource& source, const Lattice& lattice) {
    const std::vector<Between> across = betweenPoints(panel.width, lattice);
    const std::vector<Between> down = betweenPoints(panel.height, lattice);
    const std::vector<PixelRun> runs = pixelRuns(across);
    const std::vector<std::int8_t> cells = cellLevels(source, lattice);
    const std::size_t paddedRow = static_cast<std::size_t>(panel.width) + 2;
    std::vector<std::int8_t> levels(paddedRow * (static_cast<std::size_t>(panel.height) + 2), -1);
    const std::size_t row = static_cast<std::size_t>(lattice.width);
    bool blended = true;  // whether the row above took a pixel from the interpolation
    for (int v = 0; v < panel.height; ++v) {
        const Between& b = down[static_cast<std::size_t>(v)];
        std::int8_t* out = levels.data() + static_cast<std::size_t>(v + 1) * paddedRow + 1;
        // Between the same lattice rows and with no pixel interpolated, a row is the one above.
        if (!blended && b.first == down[static_cast<std::size_t>(v - 1)].first) {
            std::copy(out - paddedRow, out - paddedRow + panel.width, out);
            continue;
        }
        blended = false;
        const std::size_t top = static_cast<std::size_t>(b.first) * row;
        for (const PixelRun& run : runs) {
            const std::size_t i00 = top + static_cast<std::size_t>(run.first);
            if (cells[i00] != kMixedCell) {
                std::fill(out + run.from, out + run.to, cells[i00]);
                continue;
            }
            blended = true;
            for (int u = run.from; u < run.to; ++u) {
                const float fraction = across[static_cast<std::size_t>(u)].fraction;
                const auto blend = [&](const std::vector<float>& f) {
                    const float upper = f[i00] + fraction * (f[i00 + 1] - f[i00]);
                    const float lower = f[i00 + row] + fraction * (f[i00 + row + 1] - f[i00 + row]);
                    return upper + b.fraction * (lower - upper);
                };
                out[u] = levelOfSample(source, blend(lattice.weighted), blend(lattice.weight));
            }
        }
    }
    return levels;
}

}  // namespace

std::vector<std::uint8_t> panelEdges(const PicturePlan& plan, const PanelPlan& panel, const EdgeSource& source) {
    const std::size_t count = static_cast<std::size_t>(panel.width) * static_cast<std::size_t>(panel.height);
    std::vector<std::uint8_t> edges(count, 0);
    if ((source.overlay == nullptr) == (source.region == nullptr) || count == 0) {
        return edges;
    }
    const Lattice lattice = sampleLattice(plan, panel, source);
    const std::vector<std::int8_t> levels = pixelLevels(panel, source, lattice);
    // An edge on the brighter side of each level: a 4-neighbour that lies on a lower level (the
    // border's -1 is no level).
    const int w = panel.width;
    const int h = panel.height;
    const std::ptrdiff_t paddedRow = w + 2;
    const auto lower = [](std::int8_t there, std::int8_t level) { return (there >= 0) & (there < level); };
    const auto word = [](const std::int8_t* at) {
        std::uint64_t bytes;
        std::memcpy(&bytes, at, sizeof bytes);
        return bytes;
    };
    for (int v = 0; v < h; ++v) {
        const std::int8_t* at = levels.data() + (v + 1) * paddedRow + 1;
        std::uint8_t* out = edges.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(w);
        int u = 0;
        for (; u < w; ++u, ++at) {
            // Eight pixels whose four neighbours each lie on their own level hold no edge: most
            // of a panel, away from the contours. (The reads stay inside the border's bytes.)
            if (u % 8 == 0 && u + 8 <= w) {
                const std::uint64_t here = word(at);
                if (word(at - 1) == here && word(at + 1) == here && word(at - paddedRow) == here &&
                    word(at + paddedRow) == here) {
                    u += 7;
                    at += 7;
                    continue;
                }
            }
            const std::int8_t level = *at;
            out[u] = static_cast<std::uint8_t>(lower(at[-1], level) | lower(at[1], level) | lower(at[-paddedRow], level) |
                                               lower(at[paddedRow], level));
        }
    }
    dropShortContours(edges, w, h, static_cast<int>(std::ceil(kShortestContourMm / plan.mmPerPixel)));
    return edges;
}

}  // namespace orvane::keldra::picture
