// Opening the workspace's documents.
#include "keldra/workspace/workspace_loader.h"

#include <cstring>
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

std::string transformDisagreementWarning(const std::string& path, const ImageDescription& file) {
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

std::string nonFiniteSamplesWarning(const std::string& path, std::size_t nonFinite, std::size_t examined,
                                    bool firstVolumeOnly, int documentType) {
    if (nonFinite == 0) {
        return {};
    }
    std::ostringstream text;
    text << "warning: " << path << ": " << nonFinite << (firstVolumeOnly ? " of the " : " of its ") << examined
         << (firstVolumeOnly ? " samples of its first volume" : " samples") << " are NaN or infinite; "
         << (documentType == kVmrDocumentType ? "the anatomical shows them as 0"
                                              : "they are kept as they are in the functional's data");
    return text.str();
}

std::string nonFiniteSamplesWarning(const std::string& path, const VolumeFile& file, int documentType) {
    return nonFiniteSamplesWarning(path, file.nonFiniteSamples,
                                   file.voxelsPerVolume() * static_cast<std::size_t>(file.volumes), false, documentType);
}

namespace {

// An anatomical from the first volume of the file `reader` opened.
bool openVmr(const std::string& path, VolumeFileReader& reader, Document& document, std::size_t& nonFinite,
             std::string& error) {
    const ImageDescription& d = reader.description();
    const unsigned char* first = reader.nextVolumes(1, error);
    if (first == nullptr) {
        return false;
    }
    const SampleView samples{first, d.voxelsPerVolume(), d.sampleType, d.slope, d.intercept};
    VmrDocument vmr;
    if (!makeVmrDocument(path, d, samples, vmr, error)) {
        return false;
    }
    nonFinite = nonFiniteSamples(samples);
    document = std::move(vmr);
    return true;
}

// A functional with the first volume of the file `reader` opened; the later ones stay in the
// file. (The volume is read into the reader's buffer, which grows only as a compressed stream
// delivers data, and copied: a header cannot make keldra allocate what the file does not hold.)
bool openFmr(const std::string& path, const VolumeReadLimits& limits, VolumeFileReader& reader, Document& document,
             std::size_t& nonFinite, std::string& error) {
    const ImageDescription& d = reader.description();
    const SampleView samples{reader.nextVolumes(1, error), d.voxelsPerVolume(), d.sampleType, d.slope, d.intercept};
    FmrDocument fmr;
    if (samples.data == nullptr || !makeFmrRecords(path, d, fmr, error)) {
        return false;
    }
    nonFinite = nonFiniteSamples(samples);
    if (fmr.header.dataType() == kFmrDataInt16) {
        fmr.intData.resize(samples.count);
        std::memcpy(fmr.intData.data(), samples.data, samples.count * sizeof(std::int16_t));
    } else if (fmrKeepsSamples(d)) {
        fmr.floatData.resize(samples.count);
        std::memcpy(fmr.floatData.data(), samples.data, samples.count * sizeof(float));
    } else {
        fmr.floatData.resize(samples.count);
        convertToFmrFloats(samples, fmr.floatData.data());
    }
    if (d.volumes > 1) {
        fmr.laterVolumes = std::make_shared<LaterVolumes>(path, limits, d, reader.stamp());
    }
    document = std::move(fmr);
    return true;
}

// The document for one request, with its warnings.
bool openDocument(const DocumentRequest& request, const VolumeReadLimits& limits, Document& document,
                  std::vector<std::string>& warnings, std::string& error) {
    if (request.content) {
        const VolumeFile& file = *request.content;
        bool made = false;
        if (request.type == kVmrDocumentType) {
            VmrDocument vmr;
            made = makeVmrDocument(request.path, file, vmr, error);
            document = std::move(vmr);
        } else {
            FmrDocument fmr;
            made = makeFmrDocument(request.path, file, fmr, error);
            document = std::move(fmr);
        }
        if (made) {
            for (const std::string& warning : {transformDisagreementWarning(request.path, file),
                                               nonFiniteSamplesWarning(request.path, file, request.type)}) {
                if (!warning.empty()) {
                    warnings.push_back(warning);
                }
            }
        }
        return made;
    }
    std::unique_ptr<VolumeFileReader> reader = openVolumeFile(request.path, limits, error);
    std::size_t nonFinite = 0;
    if (!reader || !(request.type == kVmrDocumentType
                         ? openVmr(request.path, *reader, document, nonFinite, error)
                         : openFmr(request.path, limits, *reader, document, nonFinite, error))) {
        return false;
    }
    const ImageDescription& d = reader->description();
    for (const std::string& warning :
         {transformDisagreementWarning(request.path, d),
          nonFiniteSamplesWarning(request.path, nonFinite, d.voxelsPerVolume(), d.volumes > 1, request.type)}) {
        if (!warning.empty()) {
            warnings.push_back(warning);
        }
    }
    return true;
}

}  // namespace

bool loadWorkspace(const std::vector<DocumentRequest>& requests, Workspace& workspace,
                   std::vector<std::string>& warnings, std::string& error, const VolumeReadLimits& limits) {
    Workspace result;
    for (const DocumentRequest& request : requests) {
        Document document;
        std::string problem;
        if (!openDocument(request, limits, document, warnings, problem)) {
            error = request.path + ": " + problem;
            return false;
        }
        result.documents.push_back(std::move(document));
    }
    workspace = std::move(result);
    return true;
}

}  // namespace orvane::keldra
