// The host's use of the scanner position record. The module reads only the first and last
// slice centres (bytes 8..31); the other 56 bytes are the host's, and this host fills them so
// that a record alone tells where its document's grid lies in the world:
//
//   offset  size  type        content
//        0     4  char[4]     tag "KDP1": the record was written by this host in this layout
//        4     4  int32       handedness: +1 when the slice axis is row x column, -1 when it is
//                             the opposite (a flipped grid)
//        8    12  float32 x3  centre of the first slice, world mm (the module reads it)
//       20    12  float32 x3  centre of the last slice, world mm (the module reads it)
//       32    12  int32 x3    grid size nx, ny, nz
//       44    12  float32 x3  voxel size along x, y, z, mm
//       56    12  float32 x3  row direction cosines: the world direction of growing x
//       68    12  float32 x3  column direction cosines: the world direction of growing y
//
// All little-endian. The slice direction follows from the two cosines and the handedness; the
// grid origin from the first slice centre.
#pragma once

#include <cstddef>
#include <string>

#include "host/records.h"
#include "keldra/workspace/document_geometry.h"

namespace orvane::keldra {

namespace position_layout {
constexpr std::size_t kTagOffset = 0;
constexpr std::size_t kHandednessOffset = 4;
constexpr std::size_t kGridOffset = 32;
constexpr std::size_t kVoxelSizeOffset = 44;
constexpr std::size_t kRowDirectionOffset = 56;
constexpr std::size_t kColumnDirectionOffset = 68;
constexpr std::size_t kEnd = 80;
constexpr char kTag[4] = {'K', 'D', 'P', '1'};

static_assert(kHandednessOffset + 4 == PositionHeader::kFirstSliceCentreOffset, "host bytes end where the centres begin");
static_assert(PositionHeader::kLastSliceCentreOffset + 12 == kGridOffset, "host bytes resume after the last centre");
static_assert(kGridOffset + 12 == kVoxelSizeOffset && kVoxelSizeOffset + 12 == kRowDirectionOffset &&
                  kRowDirectionOffset + 12 == kColumnDirectionOffset,
              "fields are packed");
static_assert(kColumnDirectionOffset + 12 == kEnd && kEnd == PositionHeader::kSize, "the layout fills the record");
}  // namespace position_layout

// Fills every byte of `record` from the document's geometry.
void writePositionRecord(const DocumentGeometry& geometry, PositionHeader& record);

// What a record says about its grid, as far as it can be known from the record alone: the
// grid, the voxel sizes and the voxel-to-world transform, rebuilt in double precision.
struct RecordedGrid {
    int grid[3] = {0, 0, 0};
    float voxelSize[3] = {0, 0, 0};
    Affine voxelToWorld = Affine::identity();
};

// Rebuilds the grid a record describes. Refuses, with a reason, a record that this host did
// not write or whose fields contradict each other.
bool readPositionRecord(const PositionHeader& record, RecordedGrid& grid, std::string& error);

}  // namespace orvane::keldra
