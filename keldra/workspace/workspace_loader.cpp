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

std::optional<Warning> transformDisagreementWarning(const std::string& path, const ImageDescription& file) {
    double distance = transformDisagreement(file);
    if (!(distance > kTransformDisagreementMillimetres)) {
        return std::nullopt;
    }
    std::ostringstream sentence;
    sentence << "its sform and qform disagree by up to " << std::fixed << std::setprecision(2) << distance
             << " mm within its grid; the sform (code " << file.sformCode
             << ") is used, and a viewer that reads the qform places the image elsewhere";
    std::ostringstream detail;
    detail << "  sform:";
    printAffine(detail, file.sform);
    detail << "\n  qform (code " << file.qformCode << "):";
    printAffine(detail, file.qform);
    return Warning{warning_code::kTransformsDisagree, path, sentence.str(), detail.str()};
}

std::optional<Warning> nonFiniteSamplesWarning(const std::string& path, std::size_t nonFinite, std::size_t examined,
                                               bool firstVolumeOnly, int documentType) {
    if (nonFinite == 0) {
        return std::nullopt;
    }
    std::ostringstream sentence;
    sentence << nonFinite << (firstVolumeOnly ? " of the " : " of its ") << examined
             << (firstVolumeOnly ? " samples of its first volume" : " samples") << " are NaN or infinite; "
             << (documentType == kVmrDocumentType ? "the anatomical shows them as 0"
                                                  : "they are kept as they are in the functional's data");
    return Warning{warning_code::kNonFiniteSamples, path, sentence.str(), ""};
}

std::optional<Warning> nonFiniteSamplesWarning(const std::string& path, const VolumeFile& file, int documentType) {
    return nonFiniteSamplesWarning(path, file.nonFiniteSamples,
                                   file.voxelsPerVolume() * static_cast<std::size_t>(file.volumes), false, documentType);
}

std::optional<Warning> timeStepWarning(const std::string& path, const ImageDescription& file) {
    if (file.volumes < 2 || file.timing.timeStepUsable()) {
        return std::nullopt;
    }
    std::ostringstream sentence;
    sentence << "its time step (pixdim[4]) is " << file.timing.timeStep
             << ", so the time between its volumes is unknown; where it lies does not depend on it, and it is "
                "saved as it is";
    return Warning{warning_code::kTimeStepUnusable, path, sentence.str(), ""};
}

namespace {

// The warnings about one file: its transforms and time step from `description`, and the
// non-finite samples counted among those examined.
std::vector<Warning> warningsAbout(const std::string& path, const ImageDescription& description,
                                   std::optional<Warning> nonFinite, int documentType) {
    std::vector<Warning> warnings;
    for (std::optional<Warning> warning :
         {transformDisagreementWarning(path, description), std::move(nonFinite),
          documentType == kFmrDocumentType ? timeStepWarning(path, description) : std::nullopt}) {
        if (warning) {
            warnings.push_back(std::move(*warning));
        }
    }
    return warnings;
}

}  // namespace

std::vector<Warning> fileWarnings(const std::string& path, const VolumeFile& file, int documentType) {
    return warningsAbout(path, file, nonFiniteSamplesWarning(path, file, documentType), documentType);
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
                  std::vector<Warning>& warnings, std::string& error) {
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
            for (Warning& warning : fileWarnings(request.path, file, request.type)) {
                warnings.push_back(std::move(warning));
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
    for (Warning& warning :
         warningsAbout(request.path, d,
                       nonFiniteSamplesWarning(request.path, nonFinite, d.voxelsPerVolume(), d.volumes > 1, request.type),
                       request.type)) {
        warnings.push_back(std::move(warning));
    }
    return true;
}

}  // namespace

bool loadWorkspace(const std::vector<DocumentRequest>& requests, Workspace& workspace, std::vector<Warning>& warnings,
                   std::string& error, const VolumeReadLimits& limits) {
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
