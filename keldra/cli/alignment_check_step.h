// The alignment check as a step of keldra's commands: `run` and `demo` take it after the
// module's run, `check` does nothing else. Every functional of the workspace (as it was opened)
// is checked against the anatomical; one line each goes to the terminal, an object each to
// report.json's `alignment_check` array, and a picture each into the output folder.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "keldra/check/alignment_check.h"
#include "keldra/output/output_files.h"
#include "keldra/picture/alignment_picture.h"
#include "keldra/workspace/documents.h"

namespace orvane::keldra {

struct CheckedFunctional {
    std::size_t document = 0;  // its index in the workspace
    int functional = 0;        // counted from 1 among the functionals
    std::string path;          // as given
    check::AlignmentCheck result;
};

// Checks every functional against the workspace's anatomical and prints a line for each to
// `out`. A workspace without both yields nothing. When the anatomical cannot serve (a single
// value, say), every functional gets the verdict `check` with that reason.
std::vector<CheckedFunctional> checkWorkspace(const Workspace& workspace, const check::Thresholds& thresholds,
                                              std::ostream& out);

// Reads --thresholds FILE.json over the defaults, when a file is named.
bool readCheckThresholds(const std::string& path, check::Thresholds& thresholds, std::string& error);

nlohmann::json alignmentCheckJson(const std::vector<CheckedFunctional>& checked);

// The caption lines alignment.png adds for the first functional (empty when none was checked).
std::vector<std::string> alignmentPictureCaption(const std::vector<CheckedFunctional>& checked);

// The names of the pictures for `functionals` functionals, to make sure beforehand none exists.
std::vector<std::string> checkPictureFileNames(int functionals);

// Draws check.png and checkerboard.png (fmrN_check.png, fmrN_checkerboard.png) for every
// checked functional into `folder`.
bool writeCheckPictures(const Workspace& workspace, const std::vector<CheckedFunctional>& checked,
                        const std::string& folder, const picture::PictureOptions& options, const OutputPolicy& policy,
                        std::vector<std::string>& written, std::string& error);

// `keldra check`'s exit code from the worst verdict: 0 all aligned, 3 `check`, 4 `misaligned`.
int checkExitCode(const std::vector<CheckedFunctional>& checked);

}  // namespace orvane::keldra
