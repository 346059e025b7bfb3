// The `bids` command's options and dispatch.
#include "keldra/cli/bids_command.h"

#include <atomic>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "keldra/bids/group_level.h"
#include "keldra/bids/participant_level.h"
#include "keldra/bids/sample_dataset.h"
#include "keldra/cli/exit_codes.h"

namespace orvane::keldra {

CLI::App* addBidsCommand(CLI::App& app, BidsCommandOptions& options) {
    CLI::App* bids = app.add_subcommand(
        "bids", "Check every bold run of a BIDS dataset against its subject's T1-weighted anatomical\n"
                "(participant level), or collect the results into one table (group level).");
    bids->add_option("BIDS_DIR", options.datasetFolder, "The BIDS dataset (a folder with dataset_description.json).")
        ->required();
    bids->add_option("OUTPUT_DIR", options.outputFolder,
                     "Where the results go: OUTPUT_DIR/sub-<label>/... per run, a page per subject\n"
                     "(sub-<label>.html), the group tables and the group page (group_bold.html) at its top.")
        ->required();
    bids->add_option("LEVEL", options.level, "participant or group.")
        ->required()
        ->check(CLI::IsMember({"participant", "group"}));
    bids->add_option("--participant-label", options.selection.participants,
                     "The subjects to check, with or without sub- (default: all). Example: --participant-label 01 02");
    bids->add_option("--session-label", options.selection.sessions,
                     "Only runs of these sessions, with or without ses-. Example: --session-label pre");
    bids->add_option("--task-label", options.selection.tasks,
                     "Only runs of these tasks, with or without task-. Example: --task-label rest");
    bids->add_option("--nprocs", options.processes,
                     "Runs checked at once, each in a process of its own (default: the processors available).")
        ->check(CLI::Range(1, 1024));
    bids->add_option("--thresholds", options.thresholdsFile,
                     "The verdict's thresholds, as for keldra check. Example: --thresholds strict.json")
        ->check(CLI::ExistingFile);
    bids->add_flag("--save-volumes", options.saveVolumes,
                   "Also keep the module's volumes (the anatomical with the run projected into it); large.");
    bids->add_flag("--skip-existing", options.skipExisting,
                   "Leave runs alone that an earlier participant level checked: after a failure, only what is\n"
                   "missing or could not be checked is done again.");
    bids->add_flag("--colour-blind-safe", options.colourBlindSafe,
                   "Draw the pictures' edges in yellow instead of red, and colour the pages' verdicts blue,\n"
                   "orange and wine instead of green, amber and red.");
    bids->footer("Exit codes: participant 0 every selected run checked, 1 some could not be (listed on stderr),\n"
                 "2 usage or input errors; group 0, or 2 when there is nothing to collect.\n"
                 "Examples:\n"
                 "  keldra bids /data/study /data/study/derivatives/keldra participant --participant-label 01\n"
                 "  keldra bids /data/study /data/study/derivatives/keldra group");
    return bids;
}

int runBidsCommand(BidsCommandOptions options, const std::string& keldraProgram, InterruptWatcher& interruptions) {
    std::string error;
    if (!options.selection.normalise(error)) {
        return fail(error);
    }
    PageOptions pages;
    pages.colourBlindSafe = options.colourBlindSafe;
    if (options.level == "group") {
        return bids::runGroupLevel(options.outputFolder, options.selection, std::cout, std::cerr, pages);
    }
    bids::ParticipantOptions participant;
    participant.datasetFolder = options.datasetFolder;
    participant.outputFolder = options.outputFolder;
    participant.selection = options.selection;
    participant.processes = options.processes > 0 ? options.processes : bids::availableProcessors();
    participant.keldraProgram = keldraProgram;
    if (!options.thresholdsFile.empty()) {
        std::error_code ec;
        participant.checkArguments = {"--thresholds", std::filesystem::absolute(options.thresholdsFile, ec).string()};
    }
    if (options.colourBlindSafe) {
        participant.checkArguments.push_back("--colour-blind-safe");
    }
    participant.pageOptions = pages;
    participant.saveVolumes = options.saveVolumes;
    participant.skipExisting = options.skipExisting;
    std::atomic<int> stop{0};
    participant.stop = &stop;
    interruptions.setAction([&stop](int signal) { stop = signal; });
    const int status = bids::runParticipantLevel(participant, std::cout, std::cerr);
    interruptions.setAction([](int signal) { endStoppedProcess(signal); });
    if (stop != 0) {
        endStoppedProcess(stop, "stopped the checks under way and removed their work folders; ");
    }
    return status;
}

int bidsSampleCommand(const std::string& folder) {
    std::vector<std::string> written;
    std::string error;
    if (!bids::writeSampleDataset(folder, written, error)) {
        return fail(error);
    }
    const std::string output = (std::filesystem::path(folder) / "derivatives" / "keldra").string();
    std::cout << "keldra: wrote a BIDS dataset of " << written.size() << " files into " << folder << "; check it with\n"
              << "  keldra bids " << folder << " " << output << " participant\n"
              << "  keldra bids " << folder << " " << output << " group" << std::endl;
    return kExitSuccess;
}

}  // namespace orvane::keldra
