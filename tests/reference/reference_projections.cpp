// Per-voxel nearest-neighbour walks.
#include "tests/reference/reference_projections.h"

#include <cstdint>
#include <optional>

#include "projection/intensity_rules.h"
#include "projection/round_half_up.h"

namespace orvane::reference {

namespace {

// Where one target voxel lands in the source grid.
struct SourceVoxel {
    std::int32_t x;
    std::int32_t y;
    std::int32_t z;
};

// Maps the centred target point through the matrix, moves it into the source grid and rounds
// it; nothing when it falls outside the source grid.
std::optional<SourceVoxel> mapIntoSource(const Matrix4& targetToSource, const Vector4& centredTarget,
                                         const GridSize& source, const GridCentre& sourceCentre) {
    Vector4 mapped;
    transformPoint(targetToSource, centredTarget, mapped);
    const float px = mapped.x + sourceCentre.x;
    const float py = mapped.y + sourceCentre.y;
    const float pz = mapped.z + sourceCentre.z;
    const std::optional<std::int32_t> i = roundHalfUp(static_cast<double>(px));
    const std::optional<std::int32_t> j = roundHalfUp(static_cast<double>(py));
    const std::optional<std::int32_t> k = roundHalfUp(static_cast<double>(pz));
    if (!i || *i < 0 || *i >= source.x) {
        return std::nullopt;
    }
    if (!j || *j < 0 || *j >= source.y) {
        return std::nullopt;
    }
    if (!k || *k < 0 || *k >= source.z) {
        return std::nullopt;
    }
    return SourceVoxel{*i, *j, *k};
}

// Visits every voxel of the target grid, z outermost, with its flat index and centred point.
template <typename Visit>
void walkTargetGrid(const GridSize& target, Visit&& visit) {
    const GridCentre centre = gridCentre(target);
    Vector4 point{0.0f, 0.0f, 0.0f, 1.0f};
    for (std::int32_t z = 0; z < target.z; ++z) {
        point.z = static_cast<float>(z) - centre.z;
        for (std::int32_t y = 0; y < target.y; ++y) {
            point.y = static_cast<float>(y) - centre.y;
            for (std::int32_t x = 0; x < target.x; ++x) {
                point.x = static_cast<float>(x) - centre.x;
                visit(voxelIndex(target, x, y, z), point);
            }
        }
    }
}

}  // namespace

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr) {
    const GridCentre fmrCentre = gridCentre(fmr.size);
    walkTargetGrid(vmr.size, [&](std::size_t vmrIndex, const Vector4& centredVmrPoint) {
        const std::optional<SourceVoxel> source = mapIntoSource(vmrVoxelToFmrVoxel, centredVmrPoint, fmr.size, fmrCentre);
        if (!source) {
            return;
        }
        const float value = fmr.voxels[voxelIndex(fmr.size, source->x, source->y, source->z)];
        if (const std::optional<unsigned char> byte = projectedVmrByte(value)) {
            vmr.voxels[vmrIndex] = *byte;
        }
    });
}

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr) {
    const GridCentre vmrCentre = gridCentre(vmr.size);
    walkTargetGrid(fmr.size, [&](std::size_t fmrIndex, const Vector4& centredFmrPoint) {
        const std::optional<SourceVoxel> source = mapIntoSource(fmrVoxelToVmrVoxel, centredFmrPoint, vmr.size, vmrCentre);
        if (!source) {
            return;
        }
        fmr.voxels[fmrIndex] = fmrValueOfVmrByte(vmr.voxels[voxelIndex(vmr.size, source->x, source->y, source->z)]);
    });
}

void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr) {
    const GridCentre fmr1Centre = gridCentre(fmr1.size);
    const GridCentre fmr2Centre = gridCentre(fmr2.size);
    walkTargetGrid(vmr.size, [&](std::size_t vmrIndex, const Vector4& centredVmrPoint) {
        const std::optional<SourceVoxel> first = mapIntoSource(vmrVoxelToFmr1Voxel, centredVmrPoint, fmr1.size, fmr1Centre);
        if (!first) {
            return;
        }
        const std::size_t fmr1Index = voxelIndex(fmr1.size, first->x, first->y, first->z);
        if (const std::optional<unsigned char> byte = projectedVmrByte(fmr1.voxels[fmr1Index])) {
            vmr.voxels[vmrIndex] = *byte;
        }
        const std::optional<SourceVoxel> second = mapIntoSource(vmrVoxelToFmr2Voxel, centredVmrPoint, fmr2.size, fmr2Centre);
        if (!second) {
            return;
        }
        const float value = fmr2.voxels[voxelIndex(fmr2.size, second->x, second->y, second->z)];
        if (const std::optional<unsigned char> byte = projectedVmrByte(value)) {
            vmr.voxels[vmrIndex] = *byte;
            fmr1.voxels[fmr1Index] = value;
        }
    });
}

}  // namespace orvane::reference
