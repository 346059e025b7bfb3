// Where the participant level puts a run's results in OUTPUT_DIR, mirroring the dataset:
//   sub-01/[ses-1/]func/<entities>_desc-alignment_qc.json    the run's record (written last)
//   sub-01/[ses-1/]func/<entities>_desc-<picture>_qc.png     its pictures
// where <entities> is the bold file's name without `_bold` and its extension. While a run is
// being checked, its lock and its work folder sit beside them under hidden names
// (`.<entities>_bold.lock`, `.<entities>_bold.work/`). Every name that starts with a dot is
// temporary: no reader of OUTPUT_DIR trusts one.
#pragma once

#include <string>

#include "keldra/bids/bids_name.h"

namespace orvane::bids {

constexpr const char* kRecordEnding = "_desc-alignment_qc.json";

// "sub-01/ses-1/func", relative to OUTPUT_DIR.
std::string runOutputFolder(const BidsName& bold);
std::string recordFileName(const BidsName& bold);
// The name a file of the run's work folder gets among the outputs: "alignment_fmr.png" becomes
// "<entities>_desc-alignmentfmr_qc.png", "log.txt" "<entities>_desc-log_qc.txt".
std::string outputFileName(const BidsName& bold, const std::string& workFileName);
std::string lockFileName(const BidsName& bold);
std::string workFolderName(const BidsName& bold);

// Names no reader of the outputs may trust: temporary files, locks and work folders.
bool isTemporaryName(const std::string& fileName);

}  // namespace orvane::bids
