// Turning a run's documents into pictures.
#include "keldra/report/run_pictures.h"

#include <cstring>
#include <filesystem>
#include <optional>

#include "keldra/picture/png_file.h"
#include "keldra/report/picture_file_names.h"
#include "util/file_names.h"

namespace orvane::keldra {
namespace {

namespace pic = picture;

pic::VolumeGrid gridOf(const DocumentGeometry& geometry) {
    pic::VolumeGrid grid;
    grid.nx = geometry.grid[0];
    grid.ny = geometry.grid[1];
    grid.nz = geometry.grid[2];
    grid.voxelToWorld = geometry.voxelToWorld;
    return grid;
}

std::string labelOf(const DocumentGeometry& geometry) {
    return std::string(affineSourceName(geometry.source)) + " (code " + std::to_string(geometry.transformCode) + ")";
}

std::string fileNameOf(const std::string& path) {
    return baseName(path.c_str(), false, false).value_or(std::string());
}

const VmrDocument* firstVmr(const Workspace& workspace) {
    for (const Document& d : workspace.documents) {
        if (const auto* vmr = std::get_if<VmrDocument>(&d)) {
            return vmr;
        }
    }
    return nullptr;
}

std::string describe(const pic::PictureVolume& v) {
    return v.name + ": " + v.affineLabel;
}

// Where the pictures go, under which rules, and where their paths and any failure are told.
struct PictureTarget {
    const std::string& folder;
    const pic::PictureOptions& options;
    const OutputPolicy& policy;
    std::vector<std::string>& written;
    std::string& error;

    // Draws the layers by the plan and writes the picture as `name`.
    bool write(const pic::PicturePlan& plan, const pic::PictureLayers& layers, const std::string& name) const {
        const pic::RgbImage image = pic::renderPicture(plan, layers, options);
        if (!writeOutputFile(folder, name, policy,
                             [&image](const std::string& temporary, std::string& error) {
                                 return pic::writePng(image, temporary, error);
                             },
                             error)) {
            return false;
        }
        written.push_back((std::filesystem::path(folder) / name).string());
        return true;
    }
};

using FmrVersions = std::pair<const FmrDocument*, const FmrDocument*>;  // before and after the run

// Each functional as it was opened and as the run left it.
std::vector<FmrVersions> functionalVersions(const RunOutcome& outcome) {
    std::vector<FmrVersions> fmrs;
    for (std::size_t i = 0; i < outcome.before.documents.size() && i < outcome.after.documents.size(); ++i) {
        const auto* before = std::get_if<FmrDocument>(&outcome.before.documents[i]);
        const auto* after = std::get_if<FmrDocument>(&outcome.after.documents[i]);
        if (before != nullptr && after != nullptr) {
            fmrs.emplace_back(before, after);
        }
    }
    return fmrs;
}

// alignment.png, before.png and after.png share one plan and one grey window, so that they
// line up. The edges show what the plug-in wrote (into the anatomy, or else the first
// functional it saved, placed by its affine), never the functional placed by the affines
// alone: only so does a fault inside the plug-in show. The field of view is the host's own
// knowledge of where the functional lies.
bool writeAnatomicalPictures(const pic::PictureVolume& anatomy, const pic::PictureVolume& anatomyAfter,
                             const pic::PictureVolume& functional, const std::vector<FmrVersions>& fmrs,
                             bool anatomyChanged, const std::vector<std::string>& checkCaption,
                             const PictureTarget& target) {
    std::optional<pic::PictureVolume> saved;
    for (const auto& [before, after] : fmrs) {
        if (changedVoxels(*before, *after) > 0) {
            saved = fmrPictureVolume(*after);
            break;
        }
    }
    const pic::PicturePlan plan =
        anatomicalPicturePlan(anatomy, functional, target.options, static_cast<int>(checkCaption.size()));
    pic::PictureLayers layers;
    layers.base = &anatomy;
    layers.window = pic::robustWindow(anatomy.values);
    std::optional<pic::ProjectedRegion> region;
    if (anatomyChanged) {
        region = pic::projectedRegion(anatomy, anatomyAfter);
        layers.projected = &*region;
        layers.edgeLegend = "edges of what the plug-in wrote into the anatomy";
    } else if (saved) {
        layers.overlay = &*saved;
        layers.edgeLegend = "edges of the functional the plug-in saved, placed by its affine";
    }
    layers.fieldOfView = &functional.grid;
    layers.fieldOfViewLegend = "functional's field of view, from the affines";
    layers.caption = {"anatomy " + describe(anatomy) + "   functional, volume 1, " + describe(functional)};
    layers.caption.insert(layers.caption.end(), checkCaption.begin(), checkCaption.end());
    if (!target.write(plan, layers, kAlignmentPicture)) {
        return false;
    }
    layers.projected = nullptr;
    layers.overlay = nullptr;
    layers.fieldOfView = nullptr;
    layers.caption = {"before the run: anatomy " + describe(anatomy)};
    if (!target.write(plan, layers, kBeforePicture)) {
        return false;
    }
    layers.base = &anatomyAfter;
    layers.caption = {"after the run: anatomy " + describe(anatomy)};
    return target.write(plan, layers, kAfterPicture);
}

// alignment_fmr.png, the other way round. When the plug-in wrote into the first functional, its
// output is the picture, and the anatomy's edges (placed by the affines) show whether it lines
// up.
bool writeReversePicture(const pic::PictureVolume& anatomy, const pic::PictureVolume& functional,
                         const FmrVersions& first, const PictureTarget& target) {
    const bool savedFirst = changedVoxels(*first.first, *first.second) > 0;
    const pic::PictureVolume base = savedFirst ? fmrPictureVolume(*first.second) : functional;
    const pic::PicturePlan plan = pic::planPicture(functional.grid, &anatomy, target.options, 2);
    pic::PictureLayers layers;
    layers.base = &base;
    layers.window = pic::robustWindow(base.values);
    layers.overlay = &anatomy;
    layers.edgeLegend = "edges of the anatomy, placed by the affines";
    layers.caption = {std::string(savedFirst ? "functional as the plug-in saved it" : "functional") + ", volume 1, " +
                          describe(functional),
                      "anatomy " + describe(anatomy)};
    return target.write(plan, layers, kAlignmentFmrPicture);
}

// fmrN_before.png and fmrN_after.png for each functional the run changed.
bool writeFunctionalPictures(const pic::PictureVolume& anatomy, const std::vector<FmrVersions>& fmrs,
                             const PictureTarget& target) {
    for (std::size_t k = 0; k < fmrs.size(); ++k) {
        if (changedVoxels(*fmrs[k].first, *fmrs[k].second) == 0) {
            continue;
        }
        const pic::PictureVolume before = fmrPictureVolume(*fmrs[k].first);
        const pic::PictureVolume after = fmrPictureVolume(*fmrs[k].second);
        const pic::PicturePlan plan = pic::planPicture(before.grid, &anatomy, target.options, 1);
        pic::PictureLayers single;
        single.base = &before;
        single.window = pic::robustWindow(before.values);
        single.caption = {"before the run: functional, volume 1, " + describe(before)};
        if (!target.write(plan, single, functionalBeforePicture(static_cast<int>(k + 1)))) {
            return false;
        }
        // The run may have written values far outside the functional's range (the anatomy
        // times three), so the after picture gets its own window.
        single.base = &after;
        single.window = pic::robustWindow(after.values);
        single.caption = {"after the run: functional, volume 1, " + describe(before)};
        if (!target.write(plan, single, functionalAfterPicture(static_cast<int>(k + 1)))) {
            return false;
        }
    }
    return true;
}

}  // namespace

pic::PictureVolume vmrPictureVolume(const VmrDocument& vmr) {
    pic::PictureVolume v;
    v.grid = gridOf(vmr.geometry);
    v.values.assign(vmr.voxels.begin(), vmr.voxels.end());
    v.name = fileNameOf(vmr.sourcePath);
    v.affineLabel = labelOf(vmr.geometry);
    return v;
}

pic::PictureVolume fmrPictureVolume(const FmrDocument& fmr) {
    pic::PictureVolume v;
    v.grid = gridOf(fmr.geometry);
    const std::size_t count = fmr.voxelsPerVolume();
    if (fmr.intData.size() >= count) {
        v.values.assign(fmr.intData.begin(), fmr.intData.begin() + static_cast<std::ptrdiff_t>(count));
    } else if (fmr.floatData.size() >= count) {
        v.values.assign(fmr.floatData.begin(), fmr.floatData.begin() + static_cast<std::ptrdiff_t>(count));
    } else {
        v.values.assign(count, 0.0f);
    }
    v.name = fileNameOf(fmr.sourcePath);
    v.affineLabel = labelOf(fmr.geometry);
    return v;
}

long changedVoxels(const VmrDocument& before, const VmrDocument& after) {
    long changed = 0;
    for (std::size_t i = 0; i < before.voxels.size() && i < after.voxels.size(); ++i) {
        changed += before.voxels[i] != after.voxels[i] ? 1 : 0;
    }
    return changed;
}

long changedVoxels(const FmrDocument& before, const FmrDocument& after) {
    long changed = 0;
    for (std::size_t i = 0; i < before.intData.size() && i < after.intData.size(); ++i) {
        changed += before.intData[i] != after.intData[i] ? 1 : 0;
    }
    for (std::size_t i = 0; i < before.floatData.size() && i < after.floatData.size(); ++i) {
        // Bitwise, so that a NaN left in place does not count as a change.
        changed += std::memcmp(&before.floatData[i], &after.floatData[i], sizeof(float)) != 0 ? 1 : 0;
    }
    return changed;
}

pic::PicturePlan anatomicalPicturePlan(const pic::PictureVolume& anatomy, const pic::PictureVolume& functional,
                                       const pic::PictureOptions& options, int extraCaptionLines) {
    return pic::planPicture(anatomy.grid, &functional, options, 2 + extraCaptionLines);
}

bool runChangedSomething(const RunOutcome& outcome) {
    const auto& before = outcome.before.documents;
    const auto& after = outcome.after.documents;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const auto* vmrBefore = std::get_if<VmrDocument>(&before[i]);
        const auto* vmrAfter = std::get_if<VmrDocument>(&after[i]);
        if (vmrBefore != nullptr && vmrAfter != nullptr && changedVoxels(*vmrBefore, *vmrAfter) > 0) {
            return true;
        }
        const auto* fmrBefore = std::get_if<FmrDocument>(&before[i]);
        const auto* fmrAfter = std::get_if<FmrDocument>(&after[i]);
        if (fmrBefore != nullptr && fmrAfter != nullptr && changedVoxels(*fmrBefore, *fmrAfter) > 0) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> pictureFileNames(int functionals) {
    std::vector<std::string> names = {kAlignmentPicture, kAlignmentFmrPicture, kBeforePicture, kAfterPicture};
    for (int k = 1; k <= functionals; ++k) {
        names.push_back(functionalBeforePicture(k));
        names.push_back(functionalAfterPicture(k));
    }
    return names;
}

bool writeRunPictures(const RunOutcome& outcome, const std::string& folder, const pic::PictureOptions& options,
                      std::vector<std::string>& written, std::string& error, const OutputPolicy& policy,
                      const std::vector<std::string>& checkCaption) {
    const VmrDocument* vmrBefore = firstVmr(outcome.before);
    const VmrDocument* vmrAfter = firstVmr(outcome.after);
    const std::vector<FmrVersions> fmrs = functionalVersions(outcome);
    if (vmrBefore == nullptr || vmrAfter == nullptr || fmrs.empty()) {
        return true;
    }
    const PictureTarget target{folder, options, policy, written, error};
    const pic::PictureVolume anatomy = vmrPictureVolume(*vmrBefore);
    const pic::PictureVolume functional = fmrPictureVolume(*fmrs.front().first);
    return writeAnatomicalPictures(anatomy, vmrPictureVolume(*vmrAfter), functional, fmrs,
                                   changedVoxels(*vmrBefore, *vmrAfter) > 0, checkCaption, target) &&
           writeReversePicture(anatomy, functional, fmrs.front(), target) &&
           writeFunctionalPictures(anatomy, fmrs, target);
}

}  // namespace orvane::keldra
