// Opening the files named on the command line as the workspace's documents: the first as a
// VMR and the others as FMRs, unless a name is prefixed "vmr:" or "fmr:".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keldra/workspace/documents.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

struct DocumentRequest {
    std::string path;
    int type = kFmrDocumentType;
    // The file's content when it is already in memory (the built-in sample in a build that
    // reads no NIfTI files); `path` then only names the document.
    std::optional<VolumeFile> content;
};

// The requests for the given arguments, in order.
std::vector<DocumentRequest> documentRequests(const std::vector<std::string>& arguments);

// Opens every requested file: an anatomical's first volume, a functional's first volume with
// the later ones left in the file until they are needed (documents.h). On the first failure
// returns false with "<file>: <problem>" in `error`. Each file whose sform and qform disagree,
// or whose samples read hold NaN or infinite values, adds a warning.
bool loadWorkspace(const std::vector<DocumentRequest>& requests, Workspace& workspace,
                   std::vector<std::string>& warnings, std::string& error, const VolumeReadLimits& limits = {});

// The warning for a file with NaN or infinite samples, saying what becomes of them in a
// document of `documentType`; empty when it has none. `examined` samples were looked at: the
// whole file's, or only its first volume's.
std::string nonFiniteSamplesWarning(const std::string& path, std::size_t nonFinite, std::size_t examined,
                                    bool firstVolumeOnly, int documentType);
std::string nonFiniteSamplesWarning(const std::string& path, const VolumeFile& file, int documentType);

// The warning for a file whose two transforms disagree by more than 1 mm, naming both; empty
// when they agree or it has fewer than two.
std::string transformDisagreementWarning(const std::string& path, const ImageDescription& file);

}  // namespace orvane::keldra
