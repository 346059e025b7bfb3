// The grids, matrices and volumes the benchmarks run on: realistic anatomical and functional
// grids in an oblique alignment, with phantom intensities (a bright ellipsoid in a dark
// background) so that the threshold skips some voxels and passes others.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

namespace orvane::bench {

// A functional grid and how it sits in the anatomical one.
struct FmrGeometry {
    GridSize size;
    float voxelSizeMm[3];
    // Rotation angles in degrees about x, y and z and a shift in millimetres: the alignment
    // that takes FMR millimetres to VMR millimetres.
    float degrees[3];
    float shiftMm[3];
};

struct Scenario {
    std::string name;
    GridSize vmr;
    FmrGeometry fmr1;
    FmrGeometry fmr2;
};

// VMR 256x256x256 and 176x208x176 at 1 mm, each with a 64x64x30 FMR at 3x3x3.5 mm and a
// second 80x80x36 FMR at 2.5x2.5x3 mm, both oblique.
std::vector<Scenario> scenarios();

// FMR millimetres to VMR millimetres: what the host reports as the initial alignment.
Matrix4 fmrMmToVmrMm(const FmrGeometry& fmr);

// Centred VMR voxels to centred FMR voxels, and back, built with the matrix kit.
Matrix4 vmrVoxelToFmrVoxel(const FmrGeometry& fmr);
Matrix4 fmrVoxelToVmrVoxel(const FmrGeometry& fmr);

std::vector<float> phantomFmr(const GridSize& size);
std::vector<unsigned char> phantomVmr(const GridSize& size);

// Phantom volumes are slow to make, so each grid's is made once and copied where needed.
class Phantoms {
public:
    const std::vector<unsigned char>& vmr(const GridSize& size);
    const std::vector<float>& fmr(const GridSize& size);

private:
    std::map<std::string, std::vector<unsigned char>> vmrs_;
    std::map<std::string, std::vector<float>> fmrs_;
};

// Registers the projection benchmarks and, where the fake host is built, the whole-run ones.
void registerProjectionBenchmarks(Phantoms& phantoms);
void registerRunBenchmarks(Phantoms& phantoms);

double voxelCount(const GridSize& size);

// The scenarios as JSON, for the comparison script: grids and both matrices of each FMR.
std::string scenariosAsJson();

}  // namespace orvane::bench
