// The record the participant level writes for each bold run,
// `<entities>_desc-alignment_qc.json`:
//   bold, entities            the run's file (relative to the dataset) and its BIDS entities
//   anatomical, anatomical_rule, anatomical_candidates
//                             the T1w it was checked against and why (anatomical_choice.h)
//   checked, reason           false with the reason when the run could not be checked
//   report                    everything keldra's report.json holds for the run, its file
//                             names made relative to the dataset and to OUTPUT_DIR
//   files                     the run's other outputs, relative to OUTPUT_DIR
//   sidecar                   what the run's sidecars say that bears on the check
//   warnings                  problems that did not stop the check, beyond the report's own
//                             warnings (which carry codes)
//   GeneratedBy               the tool's name and version
//   seconds                   how long the check took (with the report's startedUtc, the only
//                             field that differs between two checks of the same run)
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keldra/bids/anatomical_choice.h"
#include "keldra/bids/dataset_scan.h"

namespace orvane::bids {

struct RunRecordFacts {
    const DatasetFile* bold = nullptr;
    AnatomicalChoice anatomical;
    bool checked = false;
    std::string reason;
    nlohmann::json report;              // null when keldra produced none
    std::vector<std::string> files;
    nlohmann::json sidecar = nlohmann::json::object();
    std::vector<std::string> warnings;
    double seconds = 0;
};

nlohmann::json runRecord(const RunRecordFacts& facts);

// `text` with every occurrence of `from` replaced by `to`.
std::string replaceAll(std::string text, const std::string& from, const std::string& to);

// Rewrites the file names in a report from keldra run: inputs, also where a warning names
// them, become the dataset-relative names, outputs the names under OUTPUT_DIR (dropped when
// not kept). `renamed` maps the work folder's file names to their output names.
nlohmann::json reportForRecord(nlohmann::json report, const std::string& anatomicalPath,
                               const std::string& anatomicalRelative, const std::string& boldPath,
                               const std::string& boldRelative,
                               const std::vector<std::pair<std::string, std::string>>& renamed);

// The keys of the run's sidecars (inherited from the dataset's top folder down to the image's
// own) that bear on the check; a sidecar that cannot be read adds a warning instead.
nlohmann::json sidecarFacts(const DatasetFile& bold, std::vector<std::string>& warnings);

// Adds to `facts` the keys of one parsed sidecar that bear on the check (numbers and strings
// only), replacing what an earlier sidecar said. False when the sidecar is not an object.
bool addSidecarFacts(const nlohmann::json& sidecar, nlohmann::json& facts);

// Whether a record read back from OUTPUT_DIR says its run was checked: an object whose
// "checked" is true. Anything else that a crashed or foreign task may have left says no.
bool recordSaysChecked(const nlohmann::json& record);

}  // namespace orvane::bids
