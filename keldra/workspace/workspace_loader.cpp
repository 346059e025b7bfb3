// Opening the workspace's documents.
#include "keldra/workspace/workspace_loader.h"

#include <iomanip>
#include <sstream>

#include "keldra/workspace/document_builder.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

namespace {

void printAffine(std::ostream& out, const Affine& a) {
    for (int r = 0; r < 3; ++r) {
        out << "\n    ";
        for (int c = 0; c < 4; ++c) {
            out << std::setw(12) << std::fixed << std::setprecision(4) << a.m[r][c];
        }
    }
}

}  // namespace

std::vector<DocumentRequest> documentRequests(const std::vector<std::string>& arguments) {
    std::vector<DocumentRequest> requests;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a.rfind("vmr:", 0) == 0) {
            requests.push_back({a.substr(4), kVmrDocumentType, std::nullopt});
        } else if (a.rfind("fmr:", 0) == 0) {
            requests.push_back({a.substr(4), kFmrDocumentType, std::nullopt});
        } else {
            requests.push_back({a, i == 0 ? kVmrDocumentType : kFmrDocumentType, std::nullopt});
        }
    }
    return requests;
}

std::string transformDisagreementWarning(const std::string& path, const VolumeFile& file) {
    double distance = transformDisagreement(file);
    if (!(distance > kTransformDisagreementMillimetres)) {
        return {};
    }
    std::ostringstream text;
    text << "warning: " << path << ": its sform and qform disagree by up to " << std::fixed << std::setprecision(2)
         << distance << " mm within its grid; the sform (code " << file.sformCode
         << ") is used. A viewer that reads the qform will place it elsewhere.\n  sform:";
    printAffine(text, file.sform);
    text << "\n  qform (code " << file.qformCode << "):";
    printAffine(text, file.qform);
    return text.str();
}

std::string nonFiniteSamplesWarning(const std::string& path, const VolumeFile& file, int documentType) {
    if (file.nonFiniteSamples == 0) {
        return {};
    }
    std::size_t total = file.voxelsPerVolume() * static_cast<std::size_t>(file.volumes);
    std::ostringstream text;
    text << "warning: " << path << ": " << file.nonFiniteSamples << " of its " << total
         << " samples are NaN or infinite; "
         << (documentType == kVmrDocumentType ? "the anatomical shows them as 0"
                                              : "they are kept as they are in the functional's data");
    return text.str();
}

bool loadWorkspace(const std::vector<DocumentRequest>& requests, Workspace& workspace,
                   std::vector<std::string>& warnings, std::string& error, const VolumeReadLimits& limits) {
    Workspace result;
    for (const DocumentRequest& request : requests) {
        VolumeFile file;
        std::string problem;
        bool ok = true;
        if (request.content) {
            file = *request.content;
        } else {
            ok = readVolumeFile(request.path, limits, file, problem);
        }
        if (ok) {
            if (request.type == kVmrDocumentType) {
                VmrDocument vmr;
                ok = makeVmrDocument(request.path, file, vmr, problem);
                if (ok) {
                    result.documents.emplace_back(std::move(vmr));
                }
            } else {
                FmrDocument fmr;
                ok = makeFmrDocument(request.path, file, fmr, problem);
                if (ok) {
                    result.documents.emplace_back(std::move(fmr));
                }
            }
        }
        if (!ok) {
            error = request.path + ": " + problem;
            return false;
        }
        for (const std::string& warning : {transformDisagreementWarning(request.path, file),
                                           nonFiniteSamplesWarning(request.path, file, request.type)}) {
            if (!warning.empty()) {
                warnings.push_back(warning);
            }
        }
    }
    workspace = std::move(result);
    return true;
}

}  // namespace orvane::keldra
