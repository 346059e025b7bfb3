// Which runs a level works on: the subjects, sessions and tasks named on the command line
// (`--participant-label 01 sub-02`, `--session-label`, `--task-label`), each list empty for
// "all". Labels may be given with or without their prefix ("sub-01" or "01").
#pragma once

#include <string>
#include <vector>

#include "keldra/bids/bids_name.h"

namespace orvane::bids {

struct Selection {
    std::vector<std::string> participants;
    std::vector<std::string> sessions;
    std::vector<std::string> tasks;

    // Strips the prefixes and checks every label is letters and digits; false with the
    // offending option and label in `error`.
    bool normalise(std::string& error);
    // Whether a file with these entities is selected. With sessions named, files without a
    // session are not.
    bool selects(const BidsName& name) const;
};

struct Dataset;

// Every label the selection names must name something in the dataset: a subject folder, or a
// session or task of a bold run of the selected subjects. False naming the first that does not.
bool selectionMatchesDataset(const Selection& selection, const Dataset& dataset, std::string& error);

}  // namespace orvane::bids
