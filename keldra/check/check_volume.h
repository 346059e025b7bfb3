// What the alignment check measures on: one 3-D volume as real values on a voxel grid, and
// where that grid lies in the world. Samples may be NaN or infinite; the check leaves them out.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "keldra/geometry/affine.h"

namespace orvane::keldra::check {

struct Volume {
    std::array<int, 3> size{0, 0, 0};
    std::vector<float> samples;  // x fastest, then y, then z
    Affine voxelToWorld = Affine::identity();

    std::size_t voxelCount() const {
        return static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]) * static_cast<std::size_t>(size[2]);
    }
    std::size_t index(int i, int j, int k) const {
        return (static_cast<std::size_t>(k) * static_cast<std::size_t>(size[1]) + static_cast<std::size_t>(j)) *
                   static_cast<std::size_t>(size[0]) +
               static_cast<std::size_t>(i);
    }
    float at(int i, int j, int k) const { return samples[index(i, j, k)]; }
    // The world length of one voxel step along each voxel axis.
    std::array<double, 3> spacingMm() const;
    // The world position of the centre of the grid.
    Vector3d centre() const;
};

// Whether `volume` is usable at all: a positive size, as many samples as voxels, and a usable
// transform (finite and invertible).
bool isWellFormed(const Volume& volume);
bool isUsableTransform(const Affine& voxelToWorld);

}  // namespace orvane::keldra::check
