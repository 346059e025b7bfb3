// The group page, OUTPUT_DIR/group_bold.html: the counts of runs by verdict, a strip plot of
// the residual shift per task (strip_plot.h), and a table of every run that links to its
// section of the subject page. With its script the table sorts by any column and filters by
// verdict, task, session and subject, and each run gets a rating (good, bad, unsure) and a note,
// kept in the browser's local storage and exported as a TSV file. Without the script the counts,
// the plot and the table show, in the group table's order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keldra/report/html_markup.h"
#include "keldra/report/page_document.h"
#include "keldra/report/strip_plot.h"

namespace orvane::keldra {

constexpr const char* kGroupPageFileName = "group_bold.html";

struct GroupPageRun {
    std::string id;    // unique among the runs (the BIDS entity stem); names the run in ratings
    std::string bold;  // the bold file, relative to the dataset
    std::string subject, session, task, acq, run, echo;  // "" where the name has none
    std::string verdict;  // aligned, check, misaligned, or anything else for not checked
    std::string reason;   // why it was not checked, or the verdict's reasons
    std::optional<double> shiftMm[3];
    std::optional<double> shiftLengthMm;
    std::optional<double> rmsDisplacementMm;
    std::optional<double> nmiAtHeader;
    std::optional<double> nmiAtBest;
    std::optional<bool> flipSuspected;
    std::optional<double> headCoverage;
    std::string href;  // the run's section, relative to the page, e.g. "sub-01.html#sub-01_task-rest"
};

struct GroupPage {
    std::string title;
    std::string introduction;
    std::vector<GroupPageRun> runs;  // in the group table's order
    StripThresholds thresholds;      // drawn in the plot
};

Html groupPageBody(const GroupPage& page);
std::string groupPageDocument(const GroupPage& page, const PageOptions& options);

}  // namespace orvane::keldra
