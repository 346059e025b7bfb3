// Turning a run's documents into pictures.
#include "keldra/report/run_pictures.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "keldra/geometry/box_overlap.h"
#include "keldra/picture/png_file.h"
#include "keldra/report/differing_bytes.h"
#include "keldra/report/parallel_tasks.h"
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

std::string describe(const pic::PictureVolume& v) {
    return v.name + ": " + v.affineLabel;
}

// Each functional as it was opened and as the run left it.
struct FunctionalVersions {
    const FmrDocument* before = nullptr;
    const FmrDocument* after = nullptr;
    bool changed = false;
};

// Whether any voxel differs, bitwise (a NaN left in place is no change); quicker than counting.
bool differs(const VmrDocument& before, const VmrDocument& after) { return before.voxels != after.voxels; }

bool differs(const FmrDocument& before, const FmrDocument& after) {
    const auto bytesDiffer = [](const auto& a, const auto& b) {
        return a.size() != b.size() || (!a.empty() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) != 0);
    };
    return bytesDiffer(before.intData, after.intData) || bytesDiffer(before.floatData, after.floatData);
}

std::vector<FunctionalVersions> functionalVersions(const RunOutcome& outcome) {
    std::vector<FunctionalVersions> fmrs;
    for (std::size_t i = 0; i < outcome.before.documents.size() && i < outcome.after.documents.size(); ++i) {
        const auto* before = std::get_if<FmrDocument>(&outcome.before.documents[i]);
        const auto* after = std::get_if<FmrDocument>(&outcome.after.documents[i]);
        if (before != nullptr && after != nullptr) {
            fmrs.push_back({before, after, differs(*before, *after)});
        }
    }
    return fmrs;
}

// Everything the pictures are drawn from, prepared once before they are drawn side by side:
// the volumes (the anatomical's borrowed, the functionals' first volumes copied) and the
// plans and windows that pictures sharing a layout share.
struct RunVolumes {
    pic::PictureVolume anatomy;
    pic::PictureVolume anatomyAfter;
    bool anatomyChanged = false;
    std::vector<FunctionalVersions> fmrs;
    pic::PictureVolume functional;                   // the first, as opened
    std::optional<pic::PictureVolume> secondFunctional;
    std::optional<pic::PictureVolume> saved;         // the first functional the run changed, as left
};

// Where the pictures go, under which rules.
struct PictureTarget {
    const std::string& folder;
    const pic::PictureOptions& options;
    const OutputPolicy& policy;

    // Draws the layers by the plan and writes the picture as `name`.
    bool write(const pic::PicturePlan& plan, const pic::PictureLayers& layers, const std::string& name,
               std::string& error) const {
        return write(pic::renderPicture(plan, layers, options), name, error);
    }

    bool write(const pic::RgbImage& image, const std::string& name, std::string& error) const {
        return writeOutputFile(
            folder, name, policy,
            [&image](const std::string& temporary, std::string& writeError) {
                return pic::writePng(image, temporary, writeError);
            },
            error);
    }
};

// Why the anatomical picture has no edges: the functional lies outside the anatomy, or the run
// wrote no value that differs from what was there.
std::string nothingProjectedNote(const RunVolumes& v) {
    const pic::VolumeGrid& a = v.anatomy.grid;
    const pic::VolumeGrid& f = v.functional.grid;
    const double share = shareInside(wholeGrid(f.voxelToWorld, f.nx, f.ny, f.nz), wholeGrid(a.voxelToWorld, a.nx, a.ny, a.nz), 16);
    return share == 0.0 ? "nothing was projected: the functional's field of view does not overlap the anatomy"
                        : "nothing was projected: the run changed no voxel of the anatomy or of a functional";
}

// The tasks of alignment.png, before.png and after.png, which share one plan and one grey
// window, so that they line up. The edges show what the plug-in wrote (into the anatomy, or
// else the first functional it saved, placed by its affine), never the functional placed by the
// affines alone: only so does a fault inside the plug-in show. The fields of view are the
// host's own knowledge of where the functionals lie.
void addAnatomicalPictures(const RunVolumes& v, const LateCaption& checkCaption, const PictureTarget& target,
                           std::vector<Task>& tasks, std::vector<std::string>& names) {
    auto plan = std::make_shared<pic::PicturePlan>(
        anatomicalPicturePlan(v.anatomy, v.functional, target.options, checkCaption.lines));
    auto layers = std::make_shared<pic::PictureLayers>();
    layers->base = &v.anatomy;
    layers->window = pic::robustWindow(v.anatomy);
    std::string caption = "functional, volume 1, " + describe(v.functional);
    if (v.secondFunctional) {
        caption += "   functional 2, volume 1, " + describe(*v.secondFunctional);
    }
    const std::vector<std::string> captionLines = {"anatomy " + describe(v.anatomy), caption};

    auto alignment = std::make_shared<pic::PictureLayers>(*layers);
    std::shared_ptr<pic::ProjectedRegion> region;
    if (v.anatomyChanged) {
        region = std::make_shared<pic::ProjectedRegion>(pic::projectedRegion(v.anatomy, v.anatomyAfter));
        alignment->projected = region.get();
        alignment->edgeSmoothingMm = pic::edgeSmoothingMm(v.functional.grid);
        alignment->edgeLegend = "edges of what the plug-in wrote into the anatomy";
    } else if (v.saved) {
        alignment->overlay = &*v.saved;
        alignment->edgeLegend = "edges of the functional the plug-in saved, placed by its affine";
    } else {
        alignment->absentEdgesNote = nothingProjectedNote(v);
    }
    alignment->fieldOfView = &v.functional.grid;
    alignment->fieldOfViewLegend = "functional's field of view, from the affines";
    if (v.secondFunctional) {
        alignment->secondFieldOfView = &v.secondFunctional->grid;
        alignment->secondFieldOfViewLegend = "functional 2's field of view";
    }
    alignment->caption = captionLines;
    alignment->caption.resize(captionLines.size() + static_cast<std::size_t>(checkCaption.lines));
    names.push_back(kAlignmentPicture);
    if (v.anatomyChanged || v.saved) {
        auto before = std::make_shared<pic::PictureLayers>(*layers);
        before->caption = {"before the run: anatomy " + describe(v.anatomy)};
        auto after = std::make_shared<pic::PictureLayers>(*layers);
        after->base = &v.anatomyAfter;
        after->caption = {"after the run: anatomy " + describe(v.anatomy)};
        tasks.push_back([target, plan, before](std::string& error) { return target.write(*plan, *before, kBeforePicture, error); });
        names.push_back(kBeforePicture);
        tasks.push_back([target, plan, after](std::string& error) { return target.write(*plan, *after, kAfterPicture, error); });
        names.push_back(kAfterPicture);
    }
    // Last among the tasks, since it may wait for its caption when drawn.
    const std::size_t firstCheckLine = captionLines.size();
    tasks.push_back([target, plan, alignment, region, checkCaption, firstCheckLine](std::string& error) {
        pic::RgbImage image = pic::renderPicture(*plan, *alignment, target.options);
        const std::vector<std::string> lines = checkCaption.lines > 0 ? checkCaption.text.get() : std::vector<std::string>{};
        for (std::size_t i = 0; i < lines.size() && i < static_cast<std::size_t>(checkCaption.lines); ++i) {
            pic::drawCaptionLine(image, *plan, static_cast<int>(firstCheckLine + i), lines[i]);
        }
        return target.write(image, kAlignmentPicture, error);
    });
}

// alignment_fmr.png, the other way round. When the plug-in wrote into the first functional, its
// output is the picture, and the anatomy's edges (placed by the affines) show whether it lines
// up.
void addReversePicture(const RunVolumes& v, const PictureTarget& target, std::vector<Task>& tasks,
                       std::vector<std::string>& names) {
    const bool savedFirst = v.fmrs.front().changed;
    auto base = std::make_shared<pic::PictureVolume>(savedFirst ? fmrPictureVolume(*v.fmrs.front().after) : v.functional);
    auto layers = std::make_shared<pic::PictureLayers>();
    layers->base = base.get();
    layers->window = pic::robustWindow(*base);
    layers->overlay = &v.anatomy;
    layers->edgeLegend = "edges of the anatomy, placed by the affines";
    // In mapping 3 the plug-in wrote the second functional into the first.
    std::string what = savedFirst ? "functional as the plug-in saved it" : "functional";
    if (savedFirst && v.secondFunctional && v.anatomyChanged) {
        what += " (functional 2, " + v.secondFunctional->name + ", projected into it)";
    }
    layers->caption = {what + ", volume 1, " + describe(v.functional), "anatomy " + describe(v.anatomy)};
    tasks.push_back([target, base, layers](std::string& error) {
        const pic::PicturePlan plan = pic::planPicture(base->grid, base.get(), target.options, 2);
        return target.write(plan, *layers, kAlignmentFmrPicture, error);
    });
    names.push_back(kAlignmentFmrPicture);
}

// alignment_fmr1_fmr2.png: when the plug-in projected the second functional into the first,
// the first as opened with the edges of what was written into it, so that the two runs'
// alignment can be judged, and the second's field of view from the affines.
void addBetweenFunctionalsPicture(const RunVolumes& v, const PictureTarget& target, std::vector<Task>& tasks,
                                  std::vector<std::string>& names) {
    if (!v.secondFunctional || !v.fmrs.front().changed || !v.anatomyChanged) {
        return;
    }
    auto after = std::make_shared<pic::PictureVolume>(fmrPictureVolume(*v.fmrs.front().after));
    auto region = std::make_shared<pic::ProjectedRegion>(pic::projectedRegion(v.functional, *after));
    auto layers = std::make_shared<pic::PictureLayers>();
    layers->base = &v.functional;
    layers->window = pic::robustWindow(v.functional);
    layers->projected = region.get();
    layers->edgeSmoothingMm = pic::edgeSmoothingMm(v.functional.grid, v.secondFunctional->grid);
    layers->edgeLegend = "edges of functional 2 as the plug-in projected it into functional 1";
    layers->secondFieldOfView = &v.secondFunctional->grid;
    layers->secondFieldOfViewLegend = "functional 2's field of view, from the affines";
    layers->caption = {"functional 1, volume 1, " + describe(v.functional),
                       "functional 2, volume 1, " + describe(*v.secondFunctional)};
    tasks.push_back([target, after, region, layers](std::string& error) {
        const pic::PicturePlan plan = pic::planPicture(layers->base->grid, layers->base, target.options, 2);
        return target.write(plan, *layers, kAlignmentBetweenFunctionalsPicture, error);
    });
    names.push_back(kAlignmentBetweenFunctionalsPicture);
}

// fmrN_before.png and fmrN_after.png for each functional the run changed.
void addFunctionalPictures(const RunVolumes& v, const PictureTarget& target, std::vector<Task>& tasks,
                           std::vector<std::string>& names) {
    for (std::size_t k = 0; k < v.fmrs.size(); ++k) {
        if (!v.fmrs[k].changed) {
            continue;
        }
        const int number = static_cast<int>(k + 1);
        auto before = std::make_shared<pic::PictureVolume>(fmrPictureVolume(*v.fmrs[k].before));
        auto after = std::make_shared<pic::PictureVolume>(fmrPictureVolume(*v.fmrs[k].after));
        auto plan = std::make_shared<pic::PicturePlan>(pic::planPicture(before->grid, before.get(), target.options, 1));
        tasks.push_back([target, plan, before, number](std::string& error) {
            pic::PictureLayers single;
            single.base = before.get();
            single.window = pic::robustWindow(*before);
            single.caption = {"before the run: functional, volume 1, " + describe(*before)};
            return target.write(*plan, single, functionalBeforePicture(number), error);
        });
        names.push_back(functionalBeforePicture(number));
        tasks.push_back([target, plan, before, after, number](std::string& error) {
            // The run may have written values far outside the functional's range (the anatomy
            // times three), so the after picture gets its own window.
            pic::PictureLayers single;
            single.base = after.get();
            single.window = pic::robustWindow(*after);
            single.caption = {"after the run: functional, volume 1, " + describe(*before)};
            return target.write(*plan, single, functionalAfterPicture(number), error);
        });
        names.push_back(functionalAfterPicture(number));
    }
}

}  // namespace

pic::PictureVolume vmrPictureVolume(const VmrDocument& vmr) {
    pic::PictureVolume v;
    v.grid = gridOf(vmr.geometry);
    v.bytes = vmr.voxels.size() == v.grid.voxelCount() ? vmr.voxels.data() : nullptr;
    if (v.bytes == nullptr) {
        v.values.assign(v.grid.voxelCount(), 0.0f);
    }
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
    const std::size_t count = std::min(before.voxels.size(), after.voxels.size());
    return static_cast<long>(differingBytes(before.voxels.data(), after.voxels.data(), count));
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
    return pic::planPicture(anatomy.grid, &anatomy, options, 2 + extraCaptionLines, &functional.grid);
}

bool runChangedSomething(const RunOutcome& outcome) {
    const auto& before = outcome.before.documents;
    const auto& after = outcome.after.documents;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const auto* vmrBefore = std::get_if<VmrDocument>(&before[i]);
        const auto* vmrAfter = std::get_if<VmrDocument>(&after[i]);
        if (vmrBefore != nullptr && vmrAfter != nullptr && differs(*vmrBefore, *vmrAfter)) {
            return true;
        }
        const auto* fmrBefore = std::get_if<FmrDocument>(&before[i]);
        const auto* fmrAfter = std::get_if<FmrDocument>(&after[i]);
        if (fmrBefore != nullptr && fmrAfter != nullptr && differs(*fmrBefore, *fmrAfter)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> pictureFileNames(int functionals) {
    std::vector<std::string> names = {kAlignmentPicture, kAlignmentFmrPicture, kAlignmentBetweenFunctionalsPicture,
                                      kBeforePicture, kAfterPicture};
    for (int k = 1; k <= functionals; ++k) {
        names.push_back(functionalBeforePicture(k));
        names.push_back(functionalAfterPicture(k));
    }
    return names;
}

bool writeRunPictures(const RunOutcome& outcome, const std::string& folder, const pic::PictureOptions& options,
                      std::vector<std::string>& written, std::string& error, const OutputPolicy& policy,
                      const std::vector<std::string>& checkCaption) {
    std::promise<std::vector<std::string>> ready;
    ready.set_value(checkCaption);
    return writeRunPictures(outcome, folder, options, written, error, policy,
                            LateCaption{static_cast<int>(checkCaption.size()), ready.get_future().share()});
}

bool writeRunPictures(const RunOutcome& outcome, const std::string& folder, const pic::PictureOptions& options,
                      std::vector<std::string>& written, std::string& error, const OutputPolicy& policy,
                      const LateCaption& checkCaption) {
    const VmrDocument* vmrBefore = firstAnatomical(outcome.before);
    const VmrDocument* vmrAfter = firstAnatomical(outcome.after);
    RunVolumes v;
    v.fmrs = functionalVersions(outcome);
    if (vmrBefore == nullptr || vmrAfter == nullptr || v.fmrs.empty()) {
        return true;
    }
    v.anatomy = vmrPictureVolume(*vmrBefore);
    v.anatomyAfter = vmrPictureVolume(*vmrAfter);
    v.anatomyChanged = differs(*vmrBefore, *vmrAfter);
    v.functional = fmrPictureVolume(*v.fmrs.front().before);
    if (v.fmrs.size() > 1) {
        v.secondFunctional = fmrPictureVolume(*v.fmrs[1].before);
    }
    for (const FunctionalVersions& fmr : v.fmrs) {
        if (fmr.changed) {
            v.saved = fmrPictureVolume(*fmr.after);
            break;
        }
    }

    const PictureTarget target{folder, options, policy};
    std::vector<Task> tasks;
    std::vector<std::string> names;
    addAnatomicalPictures(v, checkCaption, target, tasks, names);
    addReversePicture(v, target, tasks, names);
    addBetweenFunctionalsPicture(v, target, tasks, names);
    addFunctionalPictures(v, target, tasks, names);
    if (!runInParallel(tasks, error)) {
        return false;
    }
    for (const std::string& name : names) {
        written.push_back((std::filesystem::path(folder) / name).string());
    }
    return true;
}

}  // namespace orvane::keldra
