// How the alignment check speaks: one line per functional for the terminal, and the object
// that report.json's `alignment_check` array holds for it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "keldra/check/alignment_check.h"

namespace orvane::keldra::check {

// For example "bold.nii.gz: misaligned — best fit 6.2 mm away (R 4.1, A −3.9, S 2.6), NMI 1.21
// → 1.32", followed by the other reasons for the verdict.
std::string summaryLine(const std::string& functionalName, const AlignmentCheck& result);

// The same facts in plain ASCII for a picture's caption: the verdict line, then the rigid fit,
// the left-right test and the coverage.
std::vector<std::string> pictureCaption(const std::string& functionalName, const AlignmentCheck& result);

// The result with the functional's path as given; numbers that were not measured are null.
nlohmann::json checkAsJson(const std::string& functionalPath, const AlignmentCheck& result);

}  // namespace orvane::keldra::check
