// How a voxel grid is laid on the screen for each of the three standard views. A picture
// shows voxels, not resampled world space, so each view takes the voxel axis closest to the
// view's normal as its slice axis and the two others, reversed where the affine demands, as
// the screen's axes; the orientation letters say which world direction each screen edge faces.
#pragma once

#include "keldra/geometry/affine.h"

namespace orvane::keldra::picture {

enum class View { Axial, Coronal, Sagittal };

// Neurological: the patient's left on the screen's left. Radiological: the patient's left on
// the screen's right, as if facing the patient. Only axial and coronal views differ.
enum class Convention { Neurological, Radiological };

struct ScreenAxis {
    int voxelAxis = 0;
    // True when the voxel index falls as the screen coordinate (rightwards, downwards) grows.
    bool reversed = false;
};

struct ViewAxes {
    int sliceAxis = 0;
    int normalWorldAxis = 0;  // 0 x (R), 1 y (A), 2 z (S)
    ScreenAxis horizontal;
    ScreenAxis vertical;
    char leftLetter = '?';
    char rightLetter = '?';
    char topLetter = '?';
    char bottomLetter = '?';
};

// Axial: anterior at the top; coronal and sagittal: superior at the top; sagittal: anterior on
// the left.
ViewAxes viewAxes(const Affine& voxelToWorld, View view, Convention convention);

// Which world axis (0..2) each voxel axis runs closest to, as a permutation.
void nearestWorldAxes(const Affine& voxelToWorld, int worldAxisOfVoxelAxis[3]);

}  // namespace orvane::keldra::picture
