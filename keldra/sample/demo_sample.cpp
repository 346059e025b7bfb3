// The built-in sample's geometry and its sampling from the head phantom.
#include "keldra/sample/demo_sample.h"

#include <cmath>

#include "keldra/sample/head_phantom.h"

namespace orvane::keldra {

namespace {

// A grid whose centre voxel lands on `centre`, with voxel axes along `rotation`'s columns.
picture::VolumeGrid obliqueGrid(int nx, int ny, int nz, const Vector3d& voxelSize, const Affine& rotation,
                       const Vector3d& centre) {
    picture::VolumeGrid grid;
    grid.nx = nx;
    grid.ny = ny;
    grid.nz = nz;
    const Affine centredToVoxel = Affine::translation({-(nx - 1) / 2.0, -(ny - 1) / 2.0, -(nz - 1) / 2.0});
    grid.voxelToWorld = Affine::translation(centre) *
                        (rotation * (Affine::scaling(voxelSize.x, voxelSize.y, voxelSize.z) * centredToVoxel));
    return grid;
}

// A gentle receive-coil shading, brighter towards the back and the top of the head.
double coilShading(const Vector3d& p) {
    return 1.0 - 0.0012 * p.y + 0.0008 * p.z;
}

const Vector3d kActivationCentre{-38.0, -18.0, 52.0};
constexpr double kActivationRadius = 11.0;

}  // namespace

picture::VolumeGrid demoAnatomicalGrid() {
    // Axis-aligned RAS storage with the scanner's centre a little off the grid centre.
    picture::VolumeGrid grid;
    grid.nx = 176;
    grid.ny = 208;
    grid.nz = 176;
    grid.voxelToWorld = Affine::translation({-87.5, -115.5, -77.5});
    return grid;
}

picture::VolumeGrid demoFunctionalGrid() {
    // Slices stored from the top down: the slice axis points inferior.
    return obliqueGrid(64, 64, 30, {3.0, 3.0, -3.5}, Affine::rotation(14.0, -5.0, 7.0), {1.37, -6.82, 24.61});
}

picture::VolumeGrid demoSecondFunctionalGrid() {
    return obliqueGrid(64, 64, 30, {3.0, 3.0, 3.5}, Affine::rotation(9.0, 3.0, -4.0), {-2.13, -9.46, 21.29});
}

picture::PictureVolume sampleAnatomical(const picture::VolumeGrid& grid) {
    picture::PictureVolume volume;
    volume.grid = grid;
    volume.values.resize(grid.voxelCount());
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x) {
                const std::size_t i = grid.index(x, y, z);
                const Vector3d world = grid.voxelToWorld.apply({double(x), double(y), double(z)});
                const double value = anatomicalIntensity(headTissueAt(world)) + 4.0 * hashedNoise(i, 1);
                volume.values[i] = static_cast<float>(std::fmin(225.0, std::fmax(0.0, std::round(value))));
            }
        }
    }
    return volume;
}

picture::VolumeSeries sampleFunctional(const picture::VolumeGrid& grid, int volumes, std::uint64_t seed) {
    // Each voxel is the mean of the object at 2 x 2 x 2 points spread over its extent, which
    // gives the soft, partial-volume look of echo-planar images.
    std::vector<double> base(grid.voxelCount());
    std::vector<double> activation(grid.voxelCount());
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x) {
                double sum = 0.0;
                for (int s = 0; s < 8; ++s) {
                    const Vector3d voxel{x + ((s & 1) ? 0.25 : -0.25), y + ((s & 2) ? 0.25 : -0.25),
                                        z + ((s & 4) ? 0.25 : -0.25)};
                    sum += functionalIntensity(headTissueAt(grid.voxelToWorld.apply(voxel)));
                }
                const Vector3d centre = grid.voxelToWorld.apply({double(x), double(y), double(z)});
                const std::size_t i = grid.index(x, y, z);
                base[i] = sum / 8.0 * coilShading(centre);
                const Vector3d d{centre.x - kActivationCentre.x, centre.y - kActivationCentre.y,
                                centre.z - kActivationCentre.z};
                activation[i] = length(d) < kActivationRadius ? 0.03 : 0.0;
            }
        }
    }
    picture::VolumeSeries series;
    series.grid = grid;
    series.volumes.resize(static_cast<std::size_t>(volumes));
    const double twoPi = 2.0 * std::acos(-1.0);
    for (int t = 0; t < volumes; ++t) {
        std::vector<float>& values = series.volumes[static_cast<std::size_t>(t)];
        values.resize(grid.voxelCount());
        const double drift = 0.006 * std::sin(twoPi * t / 10.0 + 0.5);
        const bool stimulated = t >= 3 && t <= 6;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double gain = 1.0 + drift + (stimulated ? activation[i] : 0.0);
            const double noise = 6.0 * hashedNoise(i, seed * 1000 + static_cast<std::uint64_t>(t));
            values[i] = static_cast<float>(std::fmax(0.0, std::round(base[i] * gain + noise)));
        }
    }
    return series;
}

DemoSample makeDemoSample() {
    DemoSample sample;
    sample.anatomical = sampleAnatomical(demoAnatomicalGrid());
    sample.anatomical.name = "demo_anat.nii.gz";
    sample.anatomical.affineLabel = "sform (code 1)";
    sample.functional = sampleFunctional(demoFunctionalGrid(), 10, 1);
    sample.functional.name = "demo_bold.nii.gz";
    sample.functional.affineLabel = "sform (code 1)";
    sample.secondFunctional = sampleFunctional(demoSecondFunctionalGrid(), 10, 2);
    sample.secondFunctional.name = "demo_bold2.nii.gz";
    sample.secondFunctional.affineLabel = "sform (code 1)";
    return sample;
}

}  // namespace orvane::keldra
