// `keldra bids BIDS_DIR OUTPUT_DIR participant|group [options]`, the BIDS App contract: the
// declaration of its arguments and options, and carrying it out; and `keldra demo --bids DIR`,
// the sample dataset to try it on.
// Exit statuses: participant level 0 when every selected run was checked (whatever the
// verdicts), 1 when some could not be (listed on stderr), 2 on usage or input errors; group
// level 0, or 2 when there is nothing to collect.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "keldra/bids/selection.h"
#include "keldra/cli/interruption.h"

namespace orvane::keldra {

struct BidsCommandOptions {
    std::string datasetFolder;
    std::string outputFolder;
    std::string level;
    bids::Selection selection;
    int processes = 0;  // 0: the processors available
    std::string thresholdsFile;
    bool saveVolumes = false;
    bool skipExisting = false;
    bool colourBlindSafe = false;
};

// Adds the `bids` subcommand to `app`, filling `options` when it is parsed.
CLI::App* addBidsCommand(CLI::App& app, BidsCommandOptions& options);

// Carries out a parsed `bids` command; `keldraProgram` checks each run. Stopped by SIGINT or
// SIGTERM, the participant level first stops its checks (each removes its own temporary files),
// then removes their work folders, and ends with 130 or 143.
int runBidsCommand(BidsCommandOptions options, const std::string& keldraProgram, InterruptWatcher& interruptions);

// `keldra demo --bids DIR`: writes the sample BIDS dataset into DIR and says how to check it.
int bidsSampleCommand(const std::string& folder);

}  // namespace orvane::keldra
