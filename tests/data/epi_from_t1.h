// Echo-planar-like functionals made from a real T1-weighted head (Debian's mricron-data: a 1 mm
// T1 and its extracted brain), with a known error in their position information. The
// functional contrast inverts the T1's within the brain (fluid bright, grey above white, white
// darkest) and keeps the scalp faint; the images have 3-4 mm voxels on an oblique grid, blur,
// Rician noise, a smooth bias field and signal loss near the frontal sinuses. Fixed seeds make
// every image the same on every run.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "keldra/check/check_volume.h"

namespace orvane::testdata {

// Where the mricron-data package puts the T1 and its brain.
constexpr const char* kT1HeadPath = "/usr/share/mricron/templates/ch2.nii.gz";
constexpr const char* kT1BrainPath = "/usr/share/mricron/templates/ch2bet.nii.gz";
// The real anatomical and functional pair python3-nibabel ships, aligned by their headers.
constexpr const char* kNibabelAnatomicalPath = "/usr/lib/python3/dist-packages/nibabel/tests/data/anatomical.nii";
constexpr const char* kNibabelFunctionalPath = "/usr/lib/python3/dist-packages/nibabel/tests/data/functional.nii";

// How the functional's position information is wrong.
enum class Flip {
    None,
    VoxelOrder,      // the data run backwards along the left-right voxel axis; the header is right
    NegatedColumn,   // the header's left-right column is negated with its origin kept
};

struct EpiSettings {
    std::array<int, 3> size{64, 64, 36};
    std::array<double, 3> voxelMm{3.0, 3.0, 3.5};
    keldra::Vector3d tiltDegrees{15, 0, 0};  // the grid's rotation about the world axes
    keldra::Vector3d gridOffsetMm{};         // the grid's centre relative to the brain's centre
    // The truth: the header's placement must be moved by this rotation (about the grid's
    // centre, degrees) and then this translation (world mm) to put the data where they belong.
    keldra::Vector3d trueShiftMm{};
    keldra::Vector3d trueRotationDegrees{};
    Flip flip = Flip::None;
    double noise = 0.03;          // standard deviation relative to the brain's fluid signal
    double biasAmplitude = 0.15;  // the bias field's largest deviation from 1
    double dropout = 0.8;         // signal lost at the centre of the frontal-sinus region
    unsigned seed = 1;
};

// An acquisition picked at random as real ones differ: 64x64x36 at 3x3x3.5 mm, 56x56x32 at
// 3.5x3.5x4 mm or 48x48x30 at 4 mm; the grid tilted by -25 to 15 degrees about x and up to 6
// about y and z, placed up to 6, 10 and 8 mm off the brain's centre; noise of 2 to 6 %, bias of
// 10 to 30 %, signal loss of 50 to 90 %; no error in its position (set that afterwards).
EpiSettings variedEpiSettings(std::mt19937& random, unsigned seed);

class EpiGenerator {
public:
    // Loads the T1 and brain; check ok() before use.
    EpiGenerator();
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The T1 as the anatomy (its own grid, 1 mm).
    const keldra::check::Volume& anatomy() const { return t1_; }
    // The T1 resampled onto an axis-aligned 1 mm grid of `size` voxels centred on the brain.
    keldra::check::Volume anatomyOnGrid(const std::array<int, 3>& size) const;

    keldra::check::Volume functional(const EpiSettings& settings);

private:
    const keldra::check::Volume& contrastBlurredBy(double sigmaMm);

    std::string error_;
    keldra::check::Volume t1_;
    keldra::check::Volume contrast_;  // the functional contrast at the T1's grid, unblurred
    keldra::Vector3d brainCentre_;
    std::map<long, keldra::check::Volume> blurred_;  // by sigma in micrometres
};

}  // namespace orvane::testdata
