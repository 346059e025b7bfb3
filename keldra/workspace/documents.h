// The workspace's documents as this host holds them in memory: the records it hands to the
// module, the data the module reads and writes in place, and what the host needs to save a
// document again where it came from (its transforms). No file format is involved here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "host/host_protocol.h"
#include "host/records.h"
#include "keldra/memory/volume_memory.h"
#include "keldra/workspace/document_geometry.h"
#include "keldra/workspace/later_volumes.h"

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
    VolumeVector<std::uint8_t> voxels;  // x fastest, then y, then z
    std::string conversion;            // how the file's values became bytes, for the log
    int fileVolumes = 1;               // the volumes in its file, of which it shows the first
};

struct FmrDocument {
    std::string sourcePath;
    DocumentGeometry geometry;
    StoredTransforms transforms;
    FmrHeader header{};
    PositionHeader position{};
    int volumes = 1;
    // Exactly one of the two holds the volumes in memory, by the header's data type: all of
    // them, or only the first while `laterVolumes` is set.
    std::vector<std::int16_t> intData;
    std::vector<float> floatData;
    // The volumes after the first while they are still only in the file, read from there when
    // something needs them (saving the document). The module reads the first volume only.
    std::shared_ptr<const LaterVolumes> laterVolumes;
    std::string conversion;
    // The file's timing and labels, kept for saving it.
    TimingAndLabels timing;

    std::size_t voxelsPerVolume() const {
        return static_cast<std::size_t>(geometry.grid[0]) * geometry.grid[1] * geometry.grid[2];
    }
    // How many volumes intData or floatData hold.
    int volumesInMemory() const { return laterVolumes ? 1 : volumes; }
};

using Document = std::variant<VmrDocument, FmrDocument>;

struct Workspace {
    std::vector<Document> documents;
};

int documentType(const Document& document);
const std::string& documentSource(const Document& document);
// The workspace's first anatomical, the one the check and the pictures compare against; null
// when it has none.
const VmrDocument* firstAnatomical(const Workspace& workspace);

}  // namespace orvane::keldra
