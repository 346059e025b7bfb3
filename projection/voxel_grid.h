// Voxel grids as the projections see them: three extents, a flat array indexed
// x + dimX * (y + dimY * z) with 64-bit arithmetic, and centred voxel coordinates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvane {

struct GridSize {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
};

// The number of voxels of a grid, when every extent is positive and the array of voxels of
// `bytesPerVoxel` bytes each is addressable; nothing for an empty, negative or oversized grid.
std::optional<std::size_t> checkedVoxelCount(const GridSize& size, std::size_t bytesPerVoxel);

// A voxel array that belongs to someone else, with its grid. T is const for a source.
template <typename T>
struct VolumeView {
    T* voxels = nullptr;
    GridSize size;
};

// Index of voxel (x, y, z) in the flat array; never wraps for a grid checkedVoxelCount accepts.
inline std::size_t voxelIndex(const GridSize& size, std::int32_t x, std::int32_t y, std::int32_t z) {
    return static_cast<std::size_t>(x) +
           static_cast<std::size_t>(size.x) *
               (static_cast<std::size_t>(y) + static_cast<std::size_t>(size.y) * static_cast<std::size_t>(z));
}

// (n - 1) / 2 in single precision: the offset between a voxel index and its centred coordinate.
inline float centreOffset(std::int32_t extent) { return static_cast<float>(extent - 1) / 2.0f; }

// The centre offsets of a grid along x, y and z.
struct GridCentre {
    float x;
    float y;
    float z;
};

inline GridCentre gridCentre(const GridSize& size) {
    return {centreOffset(size.x), centreOffset(size.y), centreOffset(size.z)};
}

}  // namespace orvane
