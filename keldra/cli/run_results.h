// What keldra makes of a finished run of the module: the alignment check of the documents as
// they were opened, the anatomical as the run left it (vmr.nii.gz and its checksum) and the
// pictures. They run side by side on the machine's cores: the check beside the module's run;
// once the module has run, the writing of vmr.nii.gz and the run's pictures beside the check
// (alignment.png waits for the check's caption line before it is written); the check's pictures
// once the check is done. Their lines still come out in one fixed order (the check's verdicts,
// the VMR file and its checksum, the pictures), whatever finishes first.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "keldra/check/alignment_check.h"
#include "keldra/cli/alignment_check_step.h"
#include "keldra/cli/run_options.h"
#include "keldra/host/plugin_run.h"
#include "keldra/output/output_files.h"

namespace orvane::keldra {

// The name of the anatomical as the run left it, in the output folder.
extern const char* const kVmrResultFileName;

// The alignment check's results with the lines it printed, held back until their turn.
struct CheckRun {
    std::vector<CheckedFunctional> checked;
    std::string lines;
};

// Starts the alignment check of every functional of `opened` (the documents as they were
// opened, which must stay unchanged until the result is taken) on a thread of its own; with
// `skip` (--no-check) the result is ready at once, and empty.
std::future<CheckRun> startAlignmentCheck(const Workspace& opened, const check::Thresholds& thresholds, bool skip);

// Takes the check's result, writes vmr.nii.gz and draws the pictures; `checked` receives the
// check's results and `written` the paths of the files written, in the fixed order. False with
// the reason of the first failure in that order.
bool writeRunResults(const RunOutcome& outcome, std::future<CheckRun>& check, const RunOptions& options,
                     const OutputPolicy& policy, std::vector<CheckedFunctional>& checked,
                     std::vector<std::string>& written, std::string& error);

}  // namespace orvane::keldra
