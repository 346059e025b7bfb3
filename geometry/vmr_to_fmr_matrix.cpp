// The VMR-to-FMR voxel mapping, built factor by factor in a fixed multiplication order so that
// the result is reproducible to the last bit.
#include "geometry/vmr_to_fmr_matrix.h"

#include "geometry/slice_order_flip.h"

namespace orvane {

namespace {

// The past transformations include a flip when one of the axes is not kept as it is.
bool pastTransformationsFlip(const Matrix4& pastMatrix) {
    // Written as "not equal" through ==, so that a not-a-number element counts as different.
    return !(pastMatrix.at(0, 0) == 1.0f) || !(pastMatrix.at(1, 1) == 1.0f) || !(pastMatrix.at(2, 2) == 1.0f);
}

}  // namespace

Matrix4 computeVmrToFmrMatrix(const FmrHeader& fmrHeader, const PositionHeader& fmrPosition, const VmrHeader& vmrHeader,
                              const Matrix4& pastMatrix, const Matrix4& initialAlignment, const MatrixLogSink& log) {
    Matrix4 vmrMillimetreToFmrMillimetre;
    rigidInverse(initialAlignment, vmrMillimetreToFmrMillimetre);

    const Matrix4 sliceFlip = sliceOrderFlip(fmrPosition);
    log(toText(sliceFlip, "Flipping matrix, based on slice acquisition order"));

    Matrix4 fmrMillimetreToFmrVoxel;
    scalingMatrix(fmrMillimetreToFmrVoxel, 1.0f / fmrHeader.voxelSizeX(), 1.0f / fmrHeader.voxelSizeY(),
                  1.0f / fmrHeader.voxelSizeZ());
    log(toText(fmrMillimetreToFmrVoxel, "FMR inverse scaling matrix"));

    Matrix4 vmrVoxelToVmrMillimetre;
    scalingMatrix(vmrVoxelToVmrMillimetre, vmrHeader.voxelSizeX(), vmrHeader.voxelSizeY(), vmrHeader.voxelSizeZ());
    log(toText(vmrVoxelToVmrMillimetre, "VMR scaling matrix"));

    Matrix4 pastFlip;
    identityMatrix(pastFlip);
    if (pastTransformationsFlip(pastMatrix)) {
        log(toText(pastMatrix, "Incorporating flip in past VMR transformation"));
        multiply(sliceFlip, pastMatrix, pastFlip);
    }

    Matrix4 first;
    Matrix4 second;
    Matrix4 vmrVoxelToFmrVoxel;
    multiply(sliceFlip, fmrMillimetreToFmrVoxel, first);
    multiply(first, vmrMillimetreToFmrMillimetre, second);
    multiply(second, pastFlip, first);
    multiply(first, vmrVoxelToVmrMillimetre, vmrVoxelToFmrVoxel);
    log(toText(vmrVoxelToFmrVoxel, "Final VMR 2 FMR matrix"));
    return vmrVoxelToFmrVoxel;
}

}  // namespace orvane
