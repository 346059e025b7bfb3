// Test images written and read with nifti_clib directly (not through keldra), and a scratch
// folder per test.
#pragma once

#include <nifti2_io.h>

#include <string>
#include <vector>

#include "keldra/geometry/affine.h"

namespace orvane::keldra::testing {

struct TestImage {
    int nx = 1, ny = 1, nz = 1, nt = 1;
    double voxelSize[3] = {1, 1, 1};
    int datatype = DT_INT16;
    std::vector<double> values;  // x fastest, then y, z, volume; converted to datatype
    int sformCode = NIFTI_XFORM_SCANNER_ANAT;
    Affine sform = Affine::identity();
    int qformCode = 0;
    Affine qform = Affine::identity();  // used when qformCode > 0; must be rigid times voxel size

    std::size_t size() const { return static_cast<std::size_t>(nx) * ny * nz * nt; }
};

void writeTestImage(const std::string& path, const TestImage& image);

struct ReadImage {
    int nx = 0, ny = 0, nz = 0, nt = 0;
    int datatype = 0;
    double slope = 0, intercept = 0;
    int sformCode = 0, qformCode = 0;
    Affine sform, qform;
    std::vector<double> values;
};
// Fails the calling test (and returns an empty image) when the file cannot be read.
ReadImage readTestImage(const std::string& path);

// Rotation about x by ax, then about y by ay (degrees, applied to voxel axes as R = Ry * Rx),
// columns scaled by the voxel sizes, the first column negated when flipX, then translated.
Affine obliqueAffine(double ax, double ay, const double voxelSize[3], const Vector3d& translation, bool flipX,
                     bool flipZ);

// A fresh, empty folder that lives as long as the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readWholeFile(const std::string& path);

}  // namespace orvane::keldra::testing
