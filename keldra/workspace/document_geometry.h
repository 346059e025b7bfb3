// Where a document's voxels lie in the world: the transform the host adopts from a file
// (the sform when its code is above 0, else the qform when its code is above 0, else none),
// the check that it is a rotation (possibly with a flip) times the header's voxel sizes, and
// the quantities derived from it that the host shows and records.
#pragma once

#include <string>

#include "keldra/geometry/affine.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

enum class AffineSource { Sform, Qform };

const char* affineSourceName(AffineSource source);

// The space a transform code names: "unknown" (0), "scanner" (1), "aligned" (2), "Talairach"
// (3), "MNI" (4), "template" (5), or "code N" for any other.
std::string spaceName(int transformCode);

// Whether a transform code names a template space (Talairach, MNI or another template), rather
// than the scanner's coordinates or an alignment to another image.
bool isTemplateSpace(int transformCode);

struct DocumentGeometry {
    int grid[3] = {0, 0, 0};
    // The header's voxel sizes, in single precision as the host's records carry them.
    float voxelSize[3] = {0, 0, 0};
    AffineSource source = AffineSource::Sform;
    int transformCode = 0;
    Affine voxelToWorld = Affine::identity();
};

// Voxel sizes may differ from the lengths of the transform's columns by this fraction.
constexpr double kVoxelSizeTolerance = 1e-4;
// The columns may be this far (as the cosine of their angle) from perpendicular.
constexpr double kPerpendicularTolerance = 1e-4;
// sform and qform further apart than this anywhere in the grid draw a warning.
constexpr double kTransformDisagreementMillimetres = 1.0;

// Adopts the file's transform. Refuses, with a one-line reason, a file without one, or with
// one that is not a rotation (or rotation with a flip) times the voxel sizes.
bool adoptGeometry(const ImageDescription& file, DocumentGeometry& geometry, std::string& error);

// When the file has both an sform and a qform, the largest distance in millimetres between
// the world positions they give any point of the grid; 0 when it has fewer than two.
double transformDisagreement(const ImageDescription& file);

// World position of the centre of a slice: voxel ((nx-1)/2, (ny-1)/2, slice).
Vector3d sliceCentre(const DocumentGeometry& geometry, double slice);

}  // namespace orvane::keldra
