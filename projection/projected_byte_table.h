// The byte each FMR voxel would put into the VMR, worked out once per FMR voxel instead of once
// per VMR voxel that lands on it.
#pragma once

#include <cstddef>
#include <vector>

#include "projection/voxel_grid.h"

namespace orvane {

// Projected bytes lie in 20..225, so 0 can stand for "not above the threshold, write nothing".
constexpr unsigned char kNothingProjected = 0;
// Bytes past the last voxel, so that a four-byte load at any voxel's entry stays in the table.
constexpr std::size_t kProjectedByteTablePadding = 3;

// projectedVmrByte of every voxel of an FMR buffer, kNothingProjected where it gives nothing.
class ProjectedByteTable {
public:
    explicit ProjectedByteTable(VolumeView<const float> fmr);

    unsigned char operator[](std::size_t voxel) const { return bytes_[voxel]; }
    // Keeps the table in step with a voxel of the buffer that has just been given a value
    // whose entry is `byte`.
    void set(std::size_t voxel, unsigned char byte) { bytes_[voxel] = byte; }

    const unsigned char* data() const { return bytes_.data(); }

private:
    std::vector<unsigned char> bytes_;
};

}  // namespace orvane
