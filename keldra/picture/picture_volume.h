// The plain inputs of keldra's pictures: a voxel grid with its voxel-to-world affine, a volume
// of values on such a grid, and a series of volumes (a functional run). keldra fills these
// from its documents; the synthetic sample produces them directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keldra/geometry/affine.h"

namespace orvane::keldra::picture {

struct VolumeGrid {
    int nx = 0;
    int ny = 0;
    int nz = 0;
    Affine voxelToWorld = Affine::identity();

    int size(int axis) const { return axis == 0 ? nx : axis == 1 ? ny : nz; }
    std::size_t voxelCount() const {
        return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) * static_cast<std::size_t>(nz);
    }
    std::size_t index(int x, int y, int z) const {
        return static_cast<std::size_t>(x) +
               static_cast<std::size_t>(nx) * (static_cast<std::size_t>(y) + static_cast<std::size_t>(ny) * static_cast<std::size_t>(z));
    }
    // Millimetres per voxel along a voxel axis.
    double voxelSize(int axis) const { return length(voxelToWorld.column(axis)); }
};

// Values indexed x + nx * (y + ny * z), either held in `values` or, for an anatomical's bytes
// that are not worth copying, borrowed through `bytes` (then `values` is empty, and whoever
// fills the volume keeps the bytes alive for as long as it is drawn). `name` is what the
// picture calls the volume (usually its file name) and `affineLabel` which of the file's
// affines placed it, e.g. "sform (code 1)".
struct PictureVolume {
    VolumeGrid grid;
    std::vector<float> values;
    const std::uint8_t* bytes = nullptr;
    std::string name;
    std::string affineLabel;

    std::size_t count() const { return bytes != nullptr ? grid.voxelCount() : values.size(); }
    float value(std::size_t i) const { return bytes != nullptr ? static_cast<float>(bytes[i]) : values[i]; }
    float at(int x, int y, int z) const { return value(grid.index(x, y, z)); }
};

// The finite values of a volume, all of them when there are at most `largest`, otherwise taken
// at an even stride through the volume so that about `largest` remain: enough for histograms
// and percentiles, at a fraction of a pass over a large anatomical.
std::vector<float> sampledValues(const PictureVolume& volume, std::size_t largest = std::size_t{1} << 18);

// The stride sampledValues takes through `count` values.
std::size_t sampleStride(std::size_t count, std::size_t largest = std::size_t{1} << 18);

// A functional run: several volumes on one grid.
struct VolumeSeries {
    VolumeGrid grid;
    std::vector<std::vector<float>> volumes;
    std::string name;
    std::string affineLabel;

    PictureVolume volume(std::size_t t) const {
        PictureVolume v;
        v.grid = grid;
        v.values = volumes.at(t);
        v.name = name;
        v.affineLabel = affineLabel;
        return v;
    }
};

}  // namespace orvane::keldra::picture
