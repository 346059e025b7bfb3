// `keldra bids BIDS_DIR OUTPUT_DIR participant`: every selected bold run checked against its
// subject's anatomical, each in a keldra process of its own (`keldra run` with mapping 1, the
// run's work folder as its output folder), up to `processes` at once. The run's pictures and
// record are then moved from the work folder to their names under OUTPUT_DIR/sub-<label>/, the
// record last, so a run has a record only once everything of it is in place. A run that cannot
// be checked gets a record with the reason. Once every run is done, each selected subject's page
// (OUTPUT_DIR/sub-<label>.html, bids_pages.h) is written from all its records.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

#include "keldra/bids/selection.h"
#include "keldra/report/page_document.h"

namespace orvane::bids {

struct ParticipantOptions {
    std::string datasetFolder;
    std::string outputFolder;
    Selection selection;
    int processes = 1;
    std::string keldraProgram;               // the keldra executable that checks one run
    std::vector<std::string> checkArguments; // passed on to each `keldra run` (thresholds, ...)
    bool saveVolumes = false;                // also keep the module's volumes
    bool skipExisting = false;               // leave runs alone whose record says checked
    keldra::PageOptions pageOptions;         // of the subjects' pages (bids_pages.h)
    // Set to a signal's number when the level is to stop: the checks under way are asked to stop
    // and waited for, their work folders removed and their locks released; nothing more is
    // written, and the level returns 128 + that number.
    const std::atomic<int>* stop = nullptr;
};

// Exit statuses of the participant level.
constexpr int kAllRunsChecked = 0;
constexpr int kSomeRunsNotChecked = 1;
constexpr int kParticipantInputError = 2;

int runParticipantLevel(const ParticipantOptions& options, std::ostream& out, std::ostream& errors);

// The number of processors this process may run on (Slurm's SLURM_CPUS_PER_TASK when set).
int availableProcessors();

}  // namespace orvane::bids
