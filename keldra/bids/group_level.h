// `keldra bids BIDS_DIR OUTPUT_DIR group`: the group table from the participant outputs alone
// (the run records under OUTPUT_DIR/sub-*/ and OUTPUT_DIR/bold_runs.json), never the dataset.
// Temporary files, locks and work folders of tasks still running or killed are ignored; a run
// listed in bold_runs.json without a record is named as missing.
#pragma once

#include <iosfwd>
#include <string>

#include "keldra/bids/selection.h"
#include "keldra/report/page_document.h"

namespace orvane::bids {

// 0 when the tables were written, 2 when there is nothing to collect or they cannot be written
// (one line on `errors`). The summary goes to `out`, the missing runs to `errors`.
// It also writes the group page and, again, every subject's page (bids_pages.h).
int runGroupLevel(const std::string& outputFolder, const Selection& selection, std::ostream& out,
                  std::ostream& errors, const keldra::PageOptions& pageOptions = {});

}  // namespace orvane::bids
