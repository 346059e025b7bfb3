// How much of one grid's voxel box lies inside another's, in world space: the question behind
// "does the functional's field of view cover the head at all?". Boxes run over the outer faces
// of their end voxels.
#pragma once

#include "keldra/geometry/affine.h"

namespace orvane::keldra {

// A box of voxels of a grid: voxels first[a]..last[a] along each voxel axis a.
struct VoxelBox {
    Affine voxelToWorld = Affine::identity();
    int first[3] = {0, 0, 0};
    int last[3] = {0, 0, 0};
};

// The whole grid of nx x ny x nz voxels.
VoxelBox wholeGrid(const Affine& voxelToWorld, int nx, int ny, int nz);

// The share (0 to 1) of `inner` that lies inside `outer`, estimated at the centres of a
// lattice of steps x steps x steps cells over `inner`; 0 when `outer`'s affine is singular.
double shareInside(const VoxelBox& inner, const VoxelBox& outer, int steps = 8);

}  // namespace orvane::keldra
