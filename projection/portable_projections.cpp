// Row-by-row projections in plain C++.
#include "projection/portable_projections.h"

#include "projection/intensity_rules.h"
#include "projection/projected_byte_table.h"
#include "projection/row_span.h"

namespace orvane::portable {

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr) {
    const ProjectedByteTable bytes(fmr);
    const RowMapper mapper(vmrVoxelToFmrVoxel, vmr.size, fmr.size);
    forEachRowInside(mapper, [&](std::int32_t y, std::int32_t z, const RowMapping& row, RowSpan span) {
        unsigned char* vmrRow = vmr.voxels + voxelIndex(vmr.size, 0, y, z);
        for (std::int32_t x = span.begin; x < span.end; ++x) {
            const unsigned char byte = bytes[mapper.sourceIndex(row, x)];
            if (byte != kNothingProjected) {
                vmrRow[x] = byte;
            }
        }
    });
}

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr) {
    const RowMapper mapper(fmrVoxelToVmrVoxel, fmr.size, vmr.size);
    forEachRowInside(mapper, [&](std::int32_t y, std::int32_t z, const RowMapping& row, RowSpan span) {
        float* fmrRow = fmr.voxels + voxelIndex(fmr.size, 0, y, z);
        for (std::int32_t x = span.begin; x < span.end; ++x) {
            fmrRow[x] = fmrValueOfVmrByte(vmr.voxels[mapper.sourceIndex(row, x)]);
        }
    });
}

void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr) {
    ProjectedByteTable bytes1({fmr1.voxels, fmr1.size});
    const ProjectedByteTable bytes2(fmr2);
    const RowMapper mapper1(vmrVoxelToFmr1Voxel, vmr.size, fmr1.size);
    const RowMapper mapper2(vmrVoxelToFmr2Voxel, vmr.size, fmr2.size);
    // Voxels outside FMR 1 are left alone, so only FMR 1's inside runs are walked; within one,
    // FMR 2 counts only on its own inside run.
    forEachRowInside(mapper1, [&](std::int32_t y, std::int32_t z, const RowMapping& row1, RowSpan span1) {
        const RowMapping row2 = mapper2.row(y, z);
        const RowSpan span2 = mapper2.insideSpan(row2);
        unsigned char* vmrRow = vmr.voxels + voxelIndex(vmr.size, 0, y, z);
        for (std::int32_t x = span1.begin; x < span1.end; ++x) {
            const std::size_t fmr1Index = mapper1.sourceIndex(row1, x);
            if (x >= span2.begin && x < span2.end) {
                const std::size_t fmr2Index = mapper2.sourceIndex(row2, x);
                const unsigned char byte2 = bytes2[fmr2Index];
                if (byte2 != kNothingProjected) {
                    // FMR 2 overwrites whatever FMR 1 gave this voxel, and feeds FMR 1.
                    vmrRow[x] = byte2;
                    fmr1.voxels[fmr1Index] = fmr2.voxels[fmr2Index];
                    bytes1.set(fmr1Index, byte2);
                    continue;
                }
            }
            const unsigned char byte1 = bytes1[fmr1Index];
            if (byte1 != kNothingProjected) {
                vmrRow[x] = byte1;
            }
        }
    });
}

}  // namespace orvane::portable
