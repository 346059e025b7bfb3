// The alignment check step of keldra's commands.
#include "keldra/cli/alignment_check_step.h"

#include <memory>
#include <variant>

#include "keldra/check/check_summary.h"
#include "keldra/check/document_inputs.h"
#include "keldra/cli/exit_codes.h"
#include "keldra/report/check_picture.h"
#include "keldra/report/checkerboard_picture.h"
#include "keldra/report/parallel_tasks.h"
#include "util/file_names.h"

namespace orvane::keldra {
namespace {

std::string fileNameOf(const std::string& path) { return baseName(path.c_str(), false, false).value_or(path); }

}  // namespace

std::vector<CheckedFunctional> checkWorkspace(const Workspace& workspace, const check::Thresholds& thresholds,
                                              std::ostream& out) {
    std::vector<CheckedFunctional> checked;
    const VmrDocument* anatomy = firstAnatomical(workspace);
    if (anatomy == nullptr) {
        return checked;
    }
    check::AnatomyReference reference;
    std::string anatomyProblem;
    const bool anatomyReady = check::prepareAnatomy(*anatomy, reference, anatomyProblem);
    int functional = 0;
    for (std::size_t i = 0; i < workspace.documents.size(); ++i) {
        const auto* fmr = std::get_if<FmrDocument>(&workspace.documents[i]);
        if (fmr == nullptr) {
            continue;
        }
        CheckedFunctional entry{i, ++functional, fmr->sourcePath, {}};
        if (anatomyReady) {
            entry.result = check::checkAlignment(reference, check::firstVolume(*fmr), thresholds);
        } else {
            entry.result.thresholds = thresholds;
            entry.result.problem = anatomy->sourcePath + ": " + anatomyProblem;
            entry.result.reasons = {entry.result.problem};
            entry.result.verdict = check::Verdict::Check;
        }
        out << check::summaryLine(fileNameOf(entry.path), entry.result) << "\n";
        checked.push_back(std::move(entry));
    }
    out << std::flush;
    return checked;
}

bool readCheckThresholds(const std::string& path, check::Thresholds& thresholds, std::string& error) {
    return path.empty() || check::readThresholds(path, thresholds, error);
}

nlohmann::json alignmentCheckJson(const std::vector<CheckedFunctional>& checked) {
    nlohmann::json array = nlohmann::json::array();
    for (const CheckedFunctional& entry : checked) {
        array.push_back(check::checkAsJson(entry.path, entry.result));
    }
    return array;
}

std::vector<std::string> alignmentPictureCaption(const std::vector<CheckedFunctional>& checked) {
    if (checked.empty()) {
        return {};
    }
    return {check::pictureCaption(fileNameOf(checked.front().path), checked.front().result).front()};
}

std::vector<std::string> checkPictureFileNames(int functionals) {
    std::vector<std::string> names;
    for (int n = 1; n <= functionals; ++n) {
        names.push_back(checkPictureFileName(n));
        names.push_back(checkerboardPictureFileName(n));
    }
    return names;
}

bool writeCheckPictures(const Workspace& workspace, const std::vector<CheckedFunctional>& checked,
                        const std::string& folder, const picture::PictureOptions& options, const OutputPolicy& policy,
                        std::vector<std::string>& written, std::string& error) {
    const VmrDocument* anatomy = firstAnatomical(workspace);
    // Two pictures per functional, drawn side by side; their paths land in this order.
    std::vector<std::string> paths(2 * checked.size());
    std::vector<Task> tasks;
    for (std::size_t n = 0; n < checked.size(); ++n) {
        const CheckedFunctional& entry = checked[n];
        const auto* fmr = std::get_if<FmrDocument>(&workspace.documents[entry.document]);
        if (anatomy == nullptr || fmr == nullptr) {
            continue;
        }
        auto facts = std::make_shared<CheckPictureFacts>();
        // A suspected flip is shown undone: the mirrored fit.
        facts->mirrored = entry.result.leftRightFlipSuspected;
        facts->bestFit = facts->mirrored ? entry.result.mirroredBestFit : entry.result.bestFit;
        facts->shiftMm = entry.result.shiftMm;
        facts->caption = check::pictureCaption(fileNameOf(entry.path), entry.result);
        std::string* checkPath = &paths[2 * n];
        std::string* checkerboardPath = &paths[2 * n + 1];
        const int functional = entry.functional;
        tasks.push_back([=, &folder, &options, &policy](std::string& taskError) {
            return writeCheckPicture(checkPicture(*anatomy, *fmr, *facts, options), folder,
                                     checkPictureFileName(functional), policy, *checkPath, taskError);
        });
        tasks.push_back([=, &folder, &options, &policy](std::string& taskError) {
            return writeCheckPicture(checkerboardPicture(*anatomy, *fmr, facts->caption.front(), options), folder,
                                     checkerboardPictureFileName(functional), policy, *checkerboardPath, taskError);
        });
    }
    if (!runInParallel(tasks, error)) {
        return false;
    }
    for (const std::string& path : paths) {
        if (!path.empty()) {
            written.push_back(path);
        }
    }
    return true;
}

int checkExitCode(const std::vector<CheckedFunctional>& checked) {
    check::Verdict worst = check::Verdict::Aligned;
    for (const CheckedFunctional& entry : checked) {
        worst = std::max(worst, entry.result.verdict);
    }
    return worst == check::Verdict::Aligned ? kExitSuccess : worst == check::Verdict::Check ? kExitCheck : kExitMisaligned;
}

}  // namespace orvane::keldra
