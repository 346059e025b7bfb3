// Opening the files named on the command line as the workspace's documents: the first as a
// VMR and the others as FMRs, unless a name is prefixed "vmr:" or "fmr:" (the order is kept).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keldra/workspace/documents.h"
#include "keldra/workspace/warning.h"
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
// returns false with "<file>: <problem>" in `error`. Each file's own warnings (fileWarnings,
// its NaN or infinite samples counted in what was read) are added to `warnings`.
bool loadWorkspace(const std::vector<DocumentRequest>& requests, Workspace& workspace, std::vector<Warning>& warnings,
                   std::string& error, const VolumeReadLimits& limits = {});

// What is worth a warning about a whole file opened as a document of `documentType`:
// transforms that disagree, NaN or infinite samples, an unusable time step.
std::vector<Warning> fileWarnings(const std::string& path, const VolumeFile& file, int documentType);

// The warning for a file with NaN or infinite samples, saying what becomes of them in a
// document of `documentType`; nothing when it has none. `examined` samples were looked at: the
// whole file's, or only its first volume's.
std::optional<Warning> nonFiniteSamplesWarning(const std::string& path, std::size_t nonFinite, std::size_t examined,
                                               bool firstVolumeOnly, int documentType);
std::optional<Warning> nonFiniteSamplesWarning(const std::string& path, const VolumeFile& file, int documentType);

// The warning for a file whose two transforms disagree by more than 1 mm, naming both; nothing
// when they agree or it has fewer than two.
std::optional<Warning> transformDisagreementWarning(const std::string& path, const ImageDescription& file);

// The warning for a series of several volumes whose time step is 0 or unusable; nothing
// otherwise.
std::optional<Warning> timeStepWarning(const std::string& path, const ImageDescription& file);

}  // namespace orvane::keldra
