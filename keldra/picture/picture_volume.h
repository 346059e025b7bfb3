// The plain inputs of keldra's pictures: a voxel grid with its voxel-to-world affine, a volume
// of values on such a grid, and a series of volumes (a functional run). keldra fills these
// from its documents; the synthetic sample produces them directly.
#pragma once

#include <cstddef>
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

// Values indexed x + nx * (y + ny * z). `name` is what the picture calls the volume (usually
// its file name) and `affineLabel` which of the file's affines placed it, e.g. "sform (code 1)".
struct PictureVolume {
    VolumeGrid grid;
    std::vector<float> values;
    std::string name;
    std::string affineLabel;

    float at(int x, int y, int z) const { return values[grid.index(x, y, z)]; }
};

// A functional run: several volumes on one grid.
struct VolumeSeries {
    VolumeGrid grid;
    std::vector<std::vector<float>> volumes;
    std::string name;
    std::string affineLabel;

    PictureVolume volume(std::size_t t) const { return {grid, volumes.at(t), name, affineLabel}; }
};

}  // namespace orvane::keldra::picture
