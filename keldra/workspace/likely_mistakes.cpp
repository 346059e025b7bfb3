// Looking for likely mistakes in an opened workspace.
#include "keldra/workspace/likely_mistakes.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "keldra/geometry/box_overlap.h"
#include "keldra/output/file_system.h"

namespace orvane::keldra {
namespace {

// The plug-in reads the anatomical and at most two functionals, in these places.
constexpr std::size_t kDocumentsUsed = 3;
// A first document whose slices are this many times thicker than the second's is a functional.
constexpr double kMuchCoarser = 1.5;

const DocumentGeometry& geometryOf(const Document& document) {
    return std::visit([](const auto& d) -> const DocumentGeometry& { return d.geometry; }, document);
}

std::string spaceOf(const DocumentGeometry& g) {
    return spaceName(g.transformCode) + " space (" + affineSourceName(g.source) + " code " +
           std::to_string(g.transformCode) + ")";
}

std::string millimetres(double value) {
    std::ostringstream text;
    text << std::setprecision(3) << value << " mm";
    return text.str();
}

void spacesDiffer(const std::vector<DocumentRequest>& requests, const Workspace& workspace,
                  std::vector<Warning>& warnings) {
    const DocumentGeometry& first = geometryOf(workspace.documents.front());
    for (std::size_t i = 1; i < workspace.documents.size(); ++i) {
        const DocumentGeometry& g = geometryOf(workspace.documents[i]);
        if (g.transformCode == first.transformCode) {
            continue;
        }
        std::string sentence = "it is placed in " + spaceOf(g) + " but " + requests.front().path + " in " +
                               spaceOf(first);
        sentence += isTemplateSpace(g.transformCode) != isTemplateSpace(first.transformCode)
                        ? ": a template's coordinates are not the scanner's, so the projection and the pictures "
                          "compare unrelated places"
                        : ": positions in two different spaces need not match";
        warnings.push_back({warning_code::kSpacesDiffer, requests[i].path, sentence, ""});
    }
}

// A 4-D first document with slices much thicker than the second document's.
void functionalFirstOrAnatomicalVolumes(const std::vector<DocumentRequest>& requests, const Workspace& workspace,
                                        std::vector<Warning>& warnings) {
    const auto* vmr = std::get_if<VmrDocument>(&workspace.documents.front());
    if (vmr == nullptr || vmr->fileVolumes < 2) {
        return;
    }
    const double thickness = vmr->geometry.voxelSize[2];
    if (workspace.documents.size() > 1) {
        const double otherThickness = geometryOf(workspace.documents[1]).voxelSize[2];
        if (thickness >= kMuchCoarser * otherThickness) {
            warnings.push_back({warning_code::kFunctionalFirst, requests.front().path,
                                "opened as the anatomical, it looks like a functional (" +
                                    std::to_string(vmr->fileVolumes) + " volumes, slices of " + millimetres(thickness) +
                                    " against " + millimetres(otherThickness) + " in " + requests[1].path +
                                    "); the anatomical comes first: keldra run " + requests[1].path + " " +
                                    requests.front().path,
                                ""});
            return;
        }
    }
    warnings.push_back({warning_code::kAnatomicalVolumes, requests.front().path,
                        "it holds " + std::to_string(vmr->fileVolumes) +
                            " volumes; the anatomical is its first volume alone",
                        ""});
}

void sameFileTwice(const std::vector<DocumentRequest>& requests, std::vector<Warning>& warnings) {
    std::vector<std::pair<FileIdentity, std::size_t>> seen;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        FileIdentity identity;
        if (requests[i].content || !fileIdentity(requests[i].path, true, identity)) {
            continue;
        }
        const auto earlier = std::find_if(seen.begin(), seen.end(), [&](const auto& s) { return s.first == identity; });
        if (earlier != seen.end()) {
            const std::string& other = requests[earlier->second].path;
            warnings.push_back({warning_code::kSameFileTwice, requests[i].path,
                                (other == requests[i].path ? std::string("it is opened twice")
                                                           : "it is the same file as " + other + ", opened twice") +
                                    ", as documents " + std::to_string(earlier->second + 1) + " and " +
                                    std::to_string(i + 1),
                                ""});
        } else {
            seen.emplace_back(identity, i);
        }
    }
}

// Documents beyond the second functional, or a third that is not a functional.
void unusedDocuments(const std::vector<DocumentRequest>& requests, const Workspace& workspace,
                     std::vector<Warning>& warnings) {
    for (std::size_t i = kDocumentsUsed - 1; i < workspace.documents.size(); ++i) {
        if (i == kDocumentsUsed - 1 && std::holds_alternative<FmrDocument>(workspace.documents[i])) {
            continue;
        }
        warnings.push_back({warning_code::kDocumentUnused, requests[i].path,
                            "document " + std::to_string(i + 1) +
                                " is opened but never used: the plug-in reads the anatomical and up to two "
                                "functionals, as documents 1 to 3",
                            ""});
    }
}

void noOverlap(const std::vector<DocumentRequest>& requests, const Workspace& workspace,
               std::vector<Warning>& warnings) {
    const auto* vmr = std::get_if<VmrDocument>(&workspace.documents.front());
    if (vmr == nullptr) {
        return;
    }
    const DocumentGeometry& a = vmr->geometry;
    const VoxelBox anatomy = wholeGrid(a.voxelToWorld, a.grid[0], a.grid[1], a.grid[2]);
    for (std::size_t i = 1; i < workspace.documents.size(); ++i) {
        const auto* fmr = std::get_if<FmrDocument>(&workspace.documents[i]);
        if (fmr == nullptr) {
            continue;
        }
        const DocumentGeometry& f = fmr->geometry;
        if (shareInside(wholeGrid(f.voxelToWorld, f.grid[0], f.grid[1], f.grid[2]), anatomy, 16) > 0.0) {
            continue;
        }
        const Vector3d centre = [](const DocumentGeometry& g) {
            return g.voxelToWorld.apply({(g.grid[0] - 1) / 2.0, (g.grid[1] - 1) / 2.0, (g.grid[2] - 1) / 2.0});
        }(f);
        const Vector3d anatomyCentre =
            a.voxelToWorld.apply({(a.grid[0] - 1) / 2.0, (a.grid[1] - 1) / 2.0, (a.grid[2] - 1) / 2.0});
        warnings.push_back({warning_code::kNoOverlap, requests[i].path,
                            "its field of view does not overlap the grid of " + requests.front().path +
                                " anywhere (their centres lie " + millimetres(std::round(length(centre - anatomyCentre))) +
                                " apart), so nothing of it can be projected; alignment.png shows where it lies",
                            ""});
    }
}

}  // namespace

std::vector<Warning> likelyMistakes(const std::vector<DocumentRequest>& requests, const Workspace& workspace) {
    std::vector<Warning> warnings;
    if (workspace.documents.empty() || requests.size() != workspace.documents.size()) {
        return warnings;
    }
    functionalFirstOrAnatomicalVolumes(requests, workspace, warnings);
    spacesDiffer(requests, workspace, warnings);
    sameFileTwice(requests, warnings);
    noOverlap(requests, workspace, warnings);
    unusedDocuments(requests, workspace, warnings);
    return warnings;
}

}  // namespace orvane::keldra
