// The workspace's documents as this host holds them in memory: the records it hands to the
// module, the data the module reads and writes in place, and what the host needs to save a
// document again where it came from (its transforms). No file format is involved here.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "host/host_protocol.h"
#include "host/records.h"
#include "keldra/workspace/document_geometry.h"

namespace orvane::keldra {

// The file's transforms and their codes, kept so that a document is saved with them.
struct StoredTransforms {
    int sformCode = 0;
    Affine sform = Affine::identity();
    int qformCode = 0;
    Affine qform = Affine::identity();
};

struct VmrDocument {
    std::string sourcePath;
    std::string name;  // the file name without .nii / .nii.gz
    DocumentGeometry geometry;
    StoredTransforms transforms;
    VmrHeader header{};
    PositionHeader position{};
    std::vector<std::uint8_t> voxels;  // x fastest, then y, then z
    std::string conversion;            // how the file's values became bytes, for the log
};

struct FmrDocument {
    std::string sourcePath;
    DocumentGeometry geometry;
    StoredTransforms transforms;
    FmrHeader header{};
    PositionHeader position{};
    int volumes = 1;
    // Exactly one of the two holds all volumes, by the header's data type.
    std::vector<std::int16_t> intData;
    std::vector<float> floatData;
    std::string conversion;

    std::size_t voxelsPerVolume() const {
        return static_cast<std::size_t>(geometry.grid[0]) * geometry.grid[1] * geometry.grid[2];
    }
};

using Document = std::variant<VmrDocument, FmrDocument>;

struct Workspace {
    std::vector<Document> documents;
};

int documentType(const Document& document);
const std::string& documentSource(const Document& document);

}  // namespace orvane::keldra
