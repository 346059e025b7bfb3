// The alignment check's inputs from documents.
#include "keldra/check/document_inputs.h"

namespace orvane::keldra::check {

bool prepareAnatomy(const VmrDocument& anatomy, AnatomyReference& reference, std::string& error) {
    const std::array<int, 3> size{anatomy.geometry.grid[0], anatomy.geometry.grid[1], anatomy.geometry.grid[2]};
    const std::size_t voxels = static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]) *
                               static_cast<std::size_t>(size[2]);
    if (anatomy.voxels.size() < voxels) {
        error = "the anatomy holds fewer voxels than its grid";
        return false;
    }
    return prepareAnatomy(anatomy.voxels.data(), size, anatomy.geometry.voxelToWorld, reference, error);
}

Volume firstVolume(const FmrDocument& functional) {
    Volume volume;
    volume.size = {functional.geometry.grid[0], functional.geometry.grid[1], functional.geometry.grid[2]};
    volume.voxelToWorld = functional.geometry.voxelToWorld;
    const std::size_t count = functional.voxelsPerVolume();
    if (functional.intData.size() >= count) {
        volume.samples.assign(functional.intData.begin(), functional.intData.begin() + static_cast<std::ptrdiff_t>(count));
    } else if (functional.floatData.size() >= count) {
        volume.samples.assign(functional.floatData.begin(),
                              functional.floatData.begin() + static_cast<std::ptrdiff_t>(count));
    }
    // Otherwise no samples: the check finds the volume malformed and says so.
    return volume;
}

}  // namespace orvane::keldra::check
