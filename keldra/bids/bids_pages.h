// The pages of a BIDS output folder, made from the participant outputs alone:
//   OUTPUT_DIR/sub-<label>.html   one section per run of the subject (report/run_page.h), from
//                                 the run records under OUTPUT_DIR/sub-<label>/, in the group
//                                 table's order; a run that was not checked shows its reason
//   OUTPUT_DIR/group_bold.html    the group page (report/group_page.h) of the group table's rows,
//                                 each linking to its run's section of the subject page
// Each replaces an earlier page in one step (replaceFileContent), so that a reader, or a task
// writing the same page at the same moment, never sees half of one.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keldra/bids/group_table.h"
#include "keldra/report/page_document.h"

namespace orvane::bids {

constexpr const char* kGroupPageName = "group_bold.html";

// "sub-01.html" for subject "01".
std::string subjectPageName(const std::string& subject);

// Writes the page of `subject` (its label) from its records; a subject without records gets
// none. False with the reason in `error` when the page cannot be written.
bool writeSubjectPage(const std::string& outputFolder, const std::string& subject,
                      const keldra::PageOptions& options, std::string& error);

// Writes the group page of `rows` (in table order). `checks` holds, by the run's entity stem,
// the alignment check object of its record, from which the page takes the verdict's reasons and
// the thresholds it draws.
bool writeGroupPage(const std::string& outputFolder, const std::vector<GroupRow>& rows,
                    const std::map<std::string, nlohmann::json>& checks, const keldra::PageOptions& options,
                    std::string& error);

}  // namespace orvane::bids
