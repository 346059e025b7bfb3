// Adopting and checking a document's voxel-to-world transform.
#include "keldra/workspace/document_geometry.h"

#include <cmath>
#include <sstream>

namespace orvane::keldra {

const char* affineSourceName(AffineSource source) { return source == AffineSource::Sform ? "sform" : "qform"; }

std::string spaceName(int transformCode) {
    switch (transformCode) {
        case 0: return "unknown";
        case 1: return "scanner";
        case 2: return "aligned";
        case 3: return "Talairach";
        case 4: return "MNI";
        case 5: return "template";
        default: return "code " + std::to_string(transformCode);
    }
}

bool isTemplateSpace(int transformCode) { return transformCode >= 3 && transformCode <= 5; }

namespace {

// The sform when its code is above 0, else the qform when its code is above 0, else none.
bool chooseTransform(const ImageDescription& file, DocumentGeometry& g, std::string& error) {
    if (file.sformCode > 0) {
        g.source = AffineSource::Sform;
        g.transformCode = file.sformCode;
        g.voxelToWorld = file.sform;
    } else if (file.qformCode > 0) {
        g.source = AffineSource::Qform;
        g.transformCode = file.qformCode;
        g.voxelToWorld = file.qform;
    } else {
        error = "has no orientation (neither sform nor qform code is set), so its position is unknown";
        return false;
    }
    return true;
}

// The transform must be finite, and a rotation (possibly with a flip) times the voxel sizes.
bool checkRotationTimesVoxelSizes(const DocumentGeometry& g, const ImageDescription& file, std::string& error) {
    const char* name = affineSourceName(g.source);
    const char* article = g.source == AffineSource::Sform ? "an " : "a ";
    const Affine& w = g.voxelToWorld;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!std::isfinite(w.m[r][c])) {
                error = std::string("has ") + article + name + " with non-finite elements";
                return false;
            }
        }
    }
    Vector3d columns[3] = {w.column(0), w.column(1), w.column(2)};
    // A shear also changes column lengths; name it first, as it is the more telling fault.
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            double cosine = dot(columns[i], columns[j]) / (length(columns[i]) * length(columns[j]));
            if (std::fabs(cosine) > kPerpendicularTolerance) {
                std::ostringstream text;
                text << "has " << article << "sheared " << name << " (axes " << i + 1 << " and " << j + 1
                     << " are not perpendicular); only rotations and flips of the voxel grid are supported";
                error = text.str();
                return false;
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        double lengthOfColumn = length(columns[i]);
        double size = file.voxelSize[i];
        if (std::fabs(lengthOfColumn - size) > kVoxelSizeTolerance * std::fmax(1.0, size)) {
            std::ostringstream text;
            text << "has " << article << name << " whose scale along axis " << i + 1 << " (" << lengthOfColumn
                 << " mm) disagrees with its voxel size (" << size << " mm)";
            error = text.str();
            return false;
        }
    }
    // Orthogonal columns of the right lengths leave no room for a singular matrix, but a column
    // of length 0 slips through both checks when the voxel size is below their tolerance.
    if (!w.inverse()) {
        error = std::string("has a singular ") + name + " (it maps the grid onto a plane), so it cannot be inverted";
        return false;
    }
    return true;
}

}  // namespace

bool adoptGeometry(const ImageDescription& file, DocumentGeometry& geometry, std::string& error) {
    DocumentGeometry g;
    g.grid[0] = file.nx;
    g.grid[1] = file.ny;
    g.grid[2] = file.nz;
    if (!chooseTransform(file, g, error)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        double size = file.voxelSize[i];
        if (!(size > 0) || !std::isfinite(size)) {
            error = "has an invalid voxel size along axis " + std::to_string(i + 1);
            return false;
        }
        g.voxelSize[i] = static_cast<float>(size);
    }
    if (!checkRotationTimesVoxelSizes(g, file, error)) {
        return false;
    }
    geometry = g;
    return true;
}

double transformDisagreement(const ImageDescription& file) {
    if (file.sformCode <= 0 || file.qformCode <= 0) {
        return 0;
    }
    // Both transforms are affine, so their difference is largest at a corner of the grid.
    double worst = 0;
    for (int corner = 0; corner < 8; ++corner) {
        Vector3d p{(corner & 1) ? file.nx - 1.0 : 0.0, (corner & 2) ? file.ny - 1.0 : 0.0,
                   (corner & 4) ? file.nz - 1.0 : 0.0};
        worst = std::fmax(worst, length(file.sform.apply(p) - file.qform.apply(p)));
    }
    return worst;
}

Vector3d sliceCentre(const DocumentGeometry& geometry, double slice) {
    return geometry.voxelToWorld.apply({(geometry.grid[0] - 1) / 2.0, (geometry.grid[1] - 1) / 2.0, slice});
}

}  // namespace orvane::keldra
