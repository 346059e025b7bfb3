// Which T1-weighted anatomical a bold run is checked against. The rule, recorded with every
// choice:
//   1. the T1w images of the run's own session (for a run without a session: the subject's
//      T1w images without a session);
//   2. if there are none, the subject's T1w images without a session;
//   3. if there are none, the T1w images of the subject's other sessions, the first session in
//      label order that has one.
// Among several in the chosen place: one whose content is present before one not retrieved,
// then the one with the fewest entities (a plain sub-01_T1w before an acq-, ce- or rec-
// variant), then the lowest run number, then the first name in byte order.
#pragma once

#include <string>
#include <vector>

#include "keldra/bids/dataset_scan.h"

namespace orvane::bids {

struct AnatomicalChoice {
    const DatasetFile* anatomical = nullptr;  // null when the subject has no T1w image
    std::string rule;                         // why this one, in a sentence
    std::vector<std::string> candidates;      // relative paths of all it was chosen from
};

AnatomicalChoice chooseAnatomical(const DatasetFile& bold, const std::vector<DatasetFile>& anatomicals);

}  // namespace orvane::bids
