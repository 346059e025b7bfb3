// The group table: one row per bold run, built from the runs' records alone.
//   group_bold.tsv                one row per run, in subject, session, task, acq, run, echo
//                                 order; "n/a" where a value does not apply
//   group_bold.json               the columns described, as a BIDS sidecar
//   group_desc-flagged_bold.tsv   the runs that are not `aligned`, worst first: misaligned,
//                                 then check, then not checked; within each, the longest
//                                 residual shift, then the largest RMS displacement first
// A run whose record is missing or unreadable gets a row with verdict `not checked` and the
// reason.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keldra/bids/bids_name.h"

namespace orvane::bids {

constexpr const char* kNotChecked = "not checked";

struct GroupRow {
    BidsName name;            // the bold run's entities
    std::string bold;         // its file, relative to the dataset
    std::string anatomical;
    std::string verdict = kNotChecked;
    std::string reason;
    std::optional<double> shift[3];
    std::optional<double> shiftLength;
    std::optional<double> rotation[3];
    std::optional<double> rmsDisplacement;
    std::optional<double> nmiAtHeader;
    std::optional<double> nmiAtBest;
    std::optional<bool> flipSuspected;
    std::optional<double> headCoverage;
};

// The row of a run's record. A record without the fields the table needs gives a row
// `not checked` that says so.
GroupRow rowFromRecord(const nlohmann::json& record, const BidsName& name);
// The row of a run whose record is absent or unreadable.
GroupRow rowWithoutRecord(const BidsName& name, const std::string& bold, const std::string& reason);

// Sorts rows into table order.
void sortRows(std::vector<GroupRow>& rows);
// The rows that are not aligned, worst first.
std::vector<GroupRow> flaggedRows(const std::vector<GroupRow>& rows);

std::string tableText(const std::vector<GroupRow>& rows);
nlohmann::json tableSidecar();

}  // namespace orvane::bids
