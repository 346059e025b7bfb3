// Building the table of projected bytes.
#include "projection/projected_byte_table.h"

#include <optional>

#include "projection/intensity_rules.h"

namespace orvane {

ProjectedByteTable::ProjectedByteTable(VolumeView<const float> fmr) {
    const std::size_t count = static_cast<std::size_t>(fmr.size.x) * static_cast<std::size_t>(fmr.size.y) *
                              static_cast<std::size_t>(fmr.size.z);
    bytes_.assign(count + kProjectedByteTablePadding, kNothingProjected);
    for (std::size_t i = 0; i < count; ++i) {
        bytes_[i] = projectedVmrByte(fmr.voxels[i]).value_or(kNothingProjected);
    }
}

}  // namespace orvane
