// The group level: one row per listed run from the records alone, temporary files ignored,
// missing and unreadable records named, the flagged table worst first.
#include <gtest/gtest.h>

#include <sstream>

#include "keldra/bids/group_level.h"
#include "keldra/bids/json_file.h"
#include "tests/keldra/fixtures/test_folder.h"

namespace orvane::bids {
namespace {

using nlohmann::json;

std::string record(const std::string& bold, const std::string& verdict, double shiftLength, double rms) {
    json check = {{"verdict", verdict},
                  {"residual_shift_mm", {shiftLength, 0.0, 0.0}},
                  {"residual_shift_length_mm", shiftLength},
                  {"rotation_deg", {0.5, 0.0, -0.25}},
                  {"rms_displacement_mm", rms},
                  {"similarity_at_header", 1.1},
                  {"similarity_at_best", 1.2},
                  {"left_right_flip_suspected", false},
                  {"head_coverage", 0.9}};
    return jsonText({{"bold", bold},
                     {"anatomical", "sub-01/anat/sub-01_T1w.nii.gz"},
                     {"checked", true},
                     {"report", {{"alignment_check", {check}}}}});
}

std::vector<std::vector<std::string>> rows(const std::string& tsv) {
    std::vector<std::vector<std::string>> table;
    std::istringstream lines(tsv);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string cell;
        while (std::getline(fields, cell, '\t')) {
            cells.push_back(cell);
        }
        table.push_back(cells);
    }
    return table;
}

TEST(GroupLevel, OneRowPerRunFromRecordsAloneWorstFirstInTheFlaggedTable) {
    test::TestFolder out;
    const std::vector<std::string> listed = {
        "sub-01/func/sub-01_task-rest_run-2_bold.nii.gz", "sub-01/func/sub-01_task-rest_run-10_bold.nii.gz",
        "sub-01/func/sub-01_task-nback_bold.nii",         "sub-02/ses-1/func/sub-02_ses-1_task-rest_bold.nii.gz",
        "sub-03/func/sub-03_task-rest_bold.nii.gz",       "sub-04/func/sub-04_task-rest_bold.nii.gz"};
    out.write("bold_runs.json", jsonText({{"bold", listed}}));
    out.write("sub-01/func/sub-01_task-rest_run-2_desc-alignment_qc.json",
              record(listed[0], "aligned", 0.3, 0.4));
    out.write("sub-01/func/sub-01_task-rest_run-10_desc-alignment_qc.json", record(listed[1], "check", 3.5, 2.0));
    out.write("sub-01/func/sub-01_task-nback_desc-alignment_qc.json", record(listed[2], "misaligned", 8.0, 7.9));
    out.write("sub-02/ses-1/func/sub-02_ses-1_task-rest_desc-alignment_qc.json",
              jsonText({{"bold", listed[3]}, {"checked", false}, {"reason", "content not retrieved: a link"}}));
    // A record cut short (as by a crash outside keldra's writer) and a task's temporary files.
    out.write("sub-03/func/sub-03_task-rest_desc-alignment_qc.json", "{\"bold\": \"sub-03/fu");
    out.write("sub-03/func/.sub-03_task-rest_desc-alignment_qc.json.4711-1.part.json", record(listed[4], "aligned", 0, 0));
    out.write("sub-04/func/.sub-04_task-rest_bold.work/report.json", "{}");
    out.write("sub-04/func/.sub-04_task-rest_bold.lock", "");

    std::ostringstream summary;
    std::ostringstream errors;
    ASSERT_EQ(runGroupLevel(out.path().string(), Selection(), summary, errors), 0) << errors.str();
    auto table = rows(out.read("group_bold.tsv"));
    ASSERT_EQ(table.size(), 7u);
    const auto& header = table[0];
    auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    for (const auto& row : table) {
        EXPECT_EQ(row.size(), header.size());
    }
    // Table order: subject, session, task, acq, run as a number.
    std::vector<std::string> bolds;
    for (std::size_t i = 1; i < table.size(); ++i) {
        bolds.push_back(table[i][column("bold")]);
    }
    EXPECT_EQ(bolds, (std::vector<std::string>{listed[2], listed[0], listed[1], listed[3], listed[4], listed[5]}));
    EXPECT_EQ(table[1][column("verdict")], "misaligned");
    EXPECT_EQ(table[1][column("shift_length_mm")], "8.00");
    EXPECT_EQ(table[1][column("rotation_z_deg")], "-0.25");
    EXPECT_EQ(table[1][column("flip_suspected")], "false");
    EXPECT_EQ(table[1][column("session")], "n/a");
    EXPECT_EQ(table[4][column("reason")], "content not retrieved: a link");
    EXPECT_EQ(table[5][column("verdict")], "not checked");
    EXPECT_NE(table[5][column("reason")].find("cannot be read: not valid JSON"), std::string::npos);
    EXPECT_EQ(table[6][column("reason")], "missing: no participant output yet");
    EXPECT_NE(errors.str().find("1 run has no participant output yet:\n  " + listed[5]), std::string::npos);
    EXPECT_NE(summary.str().find("6 runs: 1 aligned, 1 check, 1 misaligned, 3 not checked"), std::string::npos);

    auto flagged = rows(out.read("group_desc-flagged_bold.tsv"));
    std::vector<std::string> order;
    for (std::size_t i = 1; i < flagged.size(); ++i) {
        order.push_back(flagged[i][column("bold")]);
    }
    EXPECT_EQ(order, (std::vector<std::string>{listed[2], listed[1], listed[3], listed[4], listed[5]}));

    json sidecar;
    std::string error;
    ASSERT_TRUE(readJsonFile((out.path() / "group_bold.json").string(), JsonLimits(), sidecar, error));
    for (const std::string& name : header) {
        EXPECT_TRUE(sidecar.contains(name)) << name;
    }
    EXPECT_EQ(sidecar["shift_x_mm"]["Units"], "mm");

    // The label options restrict the table as they restrict the participant level.
    Selection onlyNback;
    onlyNback.tasks = {"nback"};
    ASSERT_EQ(runGroupLevel(out.path().string(), onlyNback, summary, errors), 0);
    EXPECT_EQ(rows(out.read("group_bold.tsv")).size(), 2u);
}

TEST(GroupLevel, NothingToCollectIsAnError) {
    test::TestFolder out;
    out.write("sub-01/func/.sub-01_task-rest_desc-alignment_qc.json.1-1.part.json", "{}");
    std::ostringstream summary;
    std::ostringstream errors;
    EXPECT_EQ(runGroupLevel(out.path().string(), Selection(), summary, errors), 2);
    EXPECT_NE(errors.str().find("nothing to collect"), std::string::npos);
    EXPECT_EQ(runGroupLevel((out.path() / "absent").string(), Selection(), summary, errors), 2);
}

}  // namespace
}  // namespace orvane::bids
