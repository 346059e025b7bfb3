// Assigning voxel axes to screen axes.
#include "keldra/picture/view_axes.h"

#include <algorithm>
#include <cmath>

#include "keldra/geometry/orientation.h"

namespace orvane::keldra::picture {
namespace {

// The letter of the side the world axis faces in the direction of `sign`.
char worldLetter(int worldAxis, int sign) {
    Vector3d direction;
    direction[worldAxis] = sign;
    return orientationLetter(direction);
}

}  // namespace

void nearestWorldAxes(const Affine& voxelToWorld, int worldAxisOfVoxelAxis[3]) {
    // Cosines between voxel axes and world axes; the permutation with the largest total wins,
    // which stays well defined for strongly oblique grids where a greedy choice could collide.
    double cosine[3][3];
    for (int v = 0; v < 3; ++v) {
        const Vector3d step = voxelToWorld.column(v);
        const double n = length(step);
        for (int w = 0; w < 3; ++w) {
            cosine[v][w] = n > 0.0 ? std::fabs(step[w]) / n : 0.0;
        }
    }
    int permutation[3] = {0, 1, 2};
    double best = -1.0;
    do {
        const double total = cosine[0][permutation[0]] + cosine[1][permutation[1]] + cosine[2][permutation[2]];
        if (total > best + 1e-12) {
            best = total;
            std::copy(permutation, permutation + 3, worldAxisOfVoxelAxis);
        }
    } while (std::next_permutation(permutation, permutation + 3));
}

ViewAxes viewAxes(const Affine& voxelToWorld, View view, Convention convention) {
    int worldAxisOf[3];
    nearestWorldAxes(voxelToWorld, worldAxisOf);
    int voxelAxisOf[3];
    for (int v = 0; v < 3; ++v) {
        voxelAxisOf[worldAxisOf[v]] = v;
    }
    // World axes of the screen and the world direction that grows rightwards and downwards.
    int normal = 2, horizontal = 0, vertical = 1;
    int rightSign = convention == Convention::Neurological ? 1 : -1;
    int downSign = -1;
    switch (view) {
        case View::Axial:
            normal = 2;
            horizontal = 0;
            vertical = 1;
            break;
        case View::Coronal:
            normal = 1;
            horizontal = 0;
            vertical = 2;
            break;
        case View::Sagittal:
            normal = 0;
            horizontal = 1;
            vertical = 2;
            rightSign = -1;
            break;
    }
    const auto signAlong = [&](int voxelAxis, int worldAxis) {
        return voxelToWorld.column(voxelAxis)[worldAxis] >= 0.0 ? 1 : -1;
    };
    ViewAxes axes;
    axes.sliceAxis = voxelAxisOf[normal];
    axes.normalWorldAxis = normal;
    axes.horizontal.voxelAxis = voxelAxisOf[horizontal];
    axes.horizontal.reversed = signAlong(axes.horizontal.voxelAxis, horizontal) != rightSign;
    axes.vertical.voxelAxis = voxelAxisOf[vertical];
    axes.vertical.reversed = signAlong(axes.vertical.voxelAxis, vertical) != downSign;
    axes.rightLetter = worldLetter(horizontal, rightSign);
    axes.leftLetter = worldLetter(horizontal, -rightSign);
    axes.bottomLetter = worldLetter(vertical, downSign);
    axes.topLetter = worldLetter(vertical, -downSign);
    return axes;
}

}  // namespace orvane::keldra::picture
