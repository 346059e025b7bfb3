// The pages people read for runs: DIR/report.html from `keldra run`, `demo` and `check`, and
// OUTPUT_DIR/sub-<label>.html in the BIDS mode, one section per run. A section shows:
//   - a banner per functional: the verdict as a word and a shape, the residual shift and the
//     reasons, then the check's numbers (shift, rotation, RMS displacement, NMI before and
//     after, the left-right test, coverage) and the thresholds used;
//   - the figures: the anatomy with the edges of what the module projected, with controls for
//     the edges, a before/after flick (button or hover) and a checkerboard of the anatomy and
//     the functional; the check's picture with the residual shift drawn as an arrow; the
//     functional-grid picture; the functional before and after when the module changed it;
//   - the files and the transform each used, the warnings, the matrices and the module's log
//     (the last two collapsed).
// Without scripts every picture shows, one below the other, with its label; the scripts only
// add the controls and, on a page of several runs, the left and right arrow keys.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "keldra/report/html_markup.h"
#include "keldra/report/page_document.h"

namespace orvane::keldra {

constexpr const char* kRunPageFileName = "report.html";

struct RunSection {
    std::string id;     // the section's anchor; unique within the page (fragmentId is applied)
    std::string title;  // its heading
    // The run's report: report.json's content. Null when the run could not be checked.
    nlohmann::json report;
    std::string notCheckedReason;
    // The run's pictures that exist, by the name a run gives them in its own output folder
    // (alignment.png, check.png, fmr2_check.png, ...), each with its URL relative to the page.
    std::map<std::string, std::string> pictures;
    std::string log;  // the module's log, as logged
    // Facts shown under the heading (a BIDS run's entities, its anatomical and why), in order.
    std::vector<std::pair<std::string, std::string>> facts;
    // Warnings besides the report's own `warnings` array, one sentence each.
    std::vector<std::string> warnings;
};

struct RunPage {
    std::string title;
    std::string introduction;  // one line under the title
    std::vector<RunSection> sections;
};

// The pictures of a run folder among `outputFiles` (paths of any kind): every .png, by its
// file name, with the file name as its URL (the page sits beside them).
std::map<std::string, std::string> picturesBesidePage(const std::vector<std::string>& outputFiles);

Html runPageBody(const RunPage& page);
std::string runPageDocument(const RunPage& page, const PageOptions& options);

// The page of one output folder of `keldra run`, `demo` or `check`: one section from its report,
// with the pictures the report lists as written and the module's log (empty for `check`).
RunPage singleRunPage(const nlohmann::json& report, const std::string& log);

// Writes folder/report.html through the safe writer of output_files.h; `path` receives its path.
bool writeRunPage(const std::string& folder, const RunPage& page, const PageOptions& options,
                  const OutputPolicy& policy, std::string& path, std::string& error);

}  // namespace orvane::keldra
