// The BIDS pages from run records alone: a subject's runs in the group table's order (run 2
// before run 10), each with the pictures its record lists under their output names and its
// log, a record cut short shown as such; the group page linking each run to its section.
#include "keldra/bids/bids_pages.h"

#include <gtest/gtest.h>

#include "keldra/bids/json_file.h"
#include "tests/keldra/fixtures/test_folder.h"

namespace orvane::bids {
namespace {

using nlohmann::json;

json record(const std::string& stem, const std::string& verdict) {
    const std::string folder = "sub-01/func/";
    json check = {{"verdict", verdict}, {"residual_shift_mm", {5.0, 0.0, 0.0}}, {"residual_shift_length_mm", 5.0},
                  {"reasons", {"residual shift 5.0 mm"}},
                  {"thresholds", {{"aligned_max_shift_mm", 2.0}, {"misaligned_min_shift_mm", 4.0}}}};
    return {{"bold", folder + stem + "_bold.nii.gz"},
            {"checked", true},
            {"report", {{"alignment_check", {check}}}},
            {"files", {folder + stem + "_desc-checkerboard_qc.png", folder + stem + "_desc-log_qc.txt",
                       folder + stem + "_desc-unknown_qc.png"}}};
}

std::size_t at(const std::string& text, const std::string& part) {
    const std::size_t where = text.find(part);
    EXPECT_NE(where, std::string::npos) << part;
    return where;
}

TEST(BidsPages, SubjectPageInTableOrderWithItsPicturesAndLogs) {
    test::TestFolder out;
    for (const std::string stem : {"sub-01_task-rest_run-10", "sub-01_task-rest_run-2", "sub-01_task-nback"}) {
        out.write("sub-01/func/" + stem + "_desc-alignment_qc.json", jsonText(record(stem, "misaligned")));
        out.write("sub-01/func/" + stem + "_desc-log_qc.txt", "Finished " + stem + " <ok>\n");
    }
    out.write("sub-03/func/sub-03_task-rest_desc-alignment_qc.json", "{\"bold\": \"sub-03/fu");
    std::string error;
    ASSERT_TRUE(writeSubjectPage(out.path().string(), "01", {}, error)) << error;
    ASSERT_TRUE(writeSubjectPage(out.path().string(), "03", {}, error)) << error;
    ASSERT_TRUE(writeSubjectPage(out.path().string(), "05", {}, error)) << error;  // no records: no page

    const std::string page = out.read("sub-01.html");
    EXPECT_LT(at(page, "id=\"sub-01_task-nback\""), at(page, "id=\"sub-01_task-rest_run-2\""));
    EXPECT_LT(at(page, "id=\"sub-01_task-rest_run-2\""), at(page, "id=\"sub-01_task-rest_run-10\""));
    at(page, "src=\"sub-01/func/sub-01_task-rest_run-10_desc-checkerboard_qc.png\"");
    EXPECT_EQ(page.find("desc-unknown_qc.png"), std::string::npos);
    at(page, "Finished sub-01_task-rest_run-10 &lt;ok&gt;");
    at(out.read("sub-03.html"), "the participant output cannot be read");
    EXPECT_FALSE(std::filesystem::exists(out.path() / "sub-05.html"));

    GroupRow row;
    std::string problem;
    ASSERT_TRUE(parseBidsName("sub-01_task-rest_run-10_bold.nii.gz", row.name, problem));
    row.bold = "sub-01/func/sub-01_task-rest_run-10_bold.nii.gz";
    row.verdict = "misaligned";
    row.shiftLength = 5.0;
    ASSERT_TRUE(writeGroupPage(out.path().string(), {row},
                               {{"sub-01_task-rest_run-10", record("sub-01_task-rest_run-10", "misaligned")["report"]
                                                                                                  ["alignment_check"][0]}},
                               {}, error))
        << error;
    const std::string group = out.read("group_bold.html");
    at(group, "<a href=\"sub-01.html#sub-01_task-rest_run-10\"");
    at(group, ">residual shift 5.0 mm</td>");
    at(group, "misaligned from 4.0 mm");
}

}  // namespace
}  // namespace orvane::bids
