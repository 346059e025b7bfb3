// A run's record carries keldra's report with the dataset's own names: a warning about an input
// names it, in its file and in its sentence, as the dataset does, so that records of the same
// dataset read the same wherever it lies.
#include <gtest/gtest.h>

#include "keldra/bids/run_record.h"

namespace orvane::bids {
namespace {

using nlohmann::json;

TEST(RunRecord, WarningsNameTheInputsRelativeToTheDataset) {
    const std::string anatomical = "/data/study/sub-01/anat/sub-01_T1w.nii.gz";
    const std::string bold = "/data/study/sub-01/func/sub-01_task-rest_bold.nii.gz";
    const json report = {
        {"warnings",
         {{{"code", "no-overlap"},
           {"file", bold},
           {"sentence", "its field of view does not overlap the grid of " + anatomical + " anywhere"}},
          {{"code", "mapping-changed"}, {"file", ""}, {"sentence", "mapping 1 was carried out"}}}},
    };
    const json record = reportForRecord(report, anatomical, "sub-01/anat/sub-01_T1w.nii.gz", bold,
                                        "sub-01/func/sub-01_task-rest_bold.nii.gz", {});
    const json& warnings = record.at("warnings");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].at("code"), "no-overlap");
    EXPECT_EQ(warnings[0].at("file"), "sub-01/func/sub-01_task-rest_bold.nii.gz");
    EXPECT_EQ(warnings[0].at("sentence"),
              "its field of view does not overlap the grid of sub-01/anat/sub-01_T1w.nii.gz anywhere");
    EXPECT_EQ(warnings[1], report.at("warnings")[1]);
}

}  // namespace
}  // namespace orvane::bids
