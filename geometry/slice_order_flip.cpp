// Deciding the slice-order flip from the first and last slice centres.
#include "geometry/slice_order_flip.h"

namespace orvane {

Matrix4 sliceOrderFlip(const PositionHeader& fmrPosition) {
    const Point3 first = fmrPosition.firstSliceCentre();
    const Point3 last = fmrPosition.lastSliceCentre();
    const float dx = first.x - last.x;
    const float dy = first.y - last.y;
    const float dz = first.z - last.z;

    Matrix4 flip;
    identityMatrix(flip);
    const float adx = absoluteValue(dx);
    if (absoluteValue(dz) > adx || absoluteValue(dy) > adx) {
        if (dz < 0.0f) {
            flip.at(2, 2) = -1.0f;
        }
    } else if (dx > 0.0f) {
        flip.at(0, 0) = -1.0f;
    }
    return flip;
}

}  // namespace orvane
