// Scanning datasets: what is found, what is skipped, links and content not retrieved.
#include <gtest/gtest.h>

#include <algorithm>

#include "keldra/bids/dataset_scan.h"
#include "tests/keldra/fixtures/test_folder.h"

namespace orvane::bids {
namespace {

std::vector<std::string> relativePaths(const std::vector<DatasetFile>& files) {
    std::vector<std::string> paths;
    for (const DatasetFile& file : files) {
        paths.push_back(file.relativePath);
    }
    return paths;
}

TEST(DatasetScan, FindsT1wAndBoldImagesOnlyWhereBidsPutsThem) {
    test::TestFolder data;
    data.write("dataset_description.json", R"({"Name": "x", "BIDSVersion": "1.8.0"})");
    data.write("sub-01/anat/sub-01_T1w.nii.gz");
    data.write("sub-01/anat/sub-01_T2w.nii.gz");
    data.write("sub-01/func/sub-01_task-rest_bold.nii.gz");
    data.write("sub-01/func/sub-01_task-rest_bold.json", "{");
    data.write("sub-01/func/sub-01_task-rest_sbref.nii.gz");
    data.write("sub-01/func/sub-01_task-rest_events.tsv");
    data.write("sub-01/func/sub-01_task-motor_bold.nii");
    data.write("sub-01/func/sub-01_task-motor_bold.nii.gz");  // same entities as the .nii
    data.write("sub-01/func/sub-02_task-rest_bold.nii.gz");   // another subject's name
    data.write("sub-01/func/.sub-01_task-hidden_bold.nii.gz");
    data.write("sub-01/ses-2/func/sub-01_ses-2_task-rest_bold.nii.gz");
    data.write("sub-01/ses-2/anat/sub-01_ses-2_T1w.nii");
    data.write("derivatives/x/sub-01/func/sub-01_task-rest_bold.nii.gz");
    data.write("sourcedata/sub-01/func/sub-01_task-rest_bold.nii.gz");
    data.write("sub-02/func/notbids_bold.nii.gz");
    data.link("sub-02/func/sub-02_task-rest_bold.nii.gz",
              "../../.git/annex/objects/aa/bb/MD5E-s1--0.nii.gz/MD5E-s1--0.nii.gz");
    // A link back to the subject's own folder must not be walked twice or forever.
    data.link("sub-02/ses-loop", "..");
    data.link("sub-03", "sub-02");

    Dataset dataset;
    std::string error;
    ASSERT_TRUE(scanDataset(data.path().string(), dataset, error)) << error;
    EXPECT_EQ(relativePaths(dataset.anatomicals),
              (std::vector<std::string>{"sub-01/anat/sub-01_T1w.nii.gz", "sub-01/ses-2/anat/sub-01_ses-2_T1w.nii"}));
    EXPECT_EQ(relativePaths(dataset.bolds),
              (std::vector<std::string>{"sub-01/func/sub-01_task-motor_bold.nii", "sub-01/func/sub-01_task-rest_bold.nii.gz",
                                        "sub-01/ses-2/func/sub-01_ses-2_task-rest_bold.nii.gz",
                                        "sub-02/func/sub-02_task-rest_bold.nii.gz"}));
    EXPECT_EQ(dataset.bolds[1].content, ContentState::Present);
    EXPECT_EQ(dataset.bolds[3].content, ContentState::NotRetrieved);
    EXPECT_NE(dataset.bolds[3].linkTarget.find(".git/annex/objects"), std::string::npos);
    EXPECT_EQ(dataset.subjects, (std::vector<std::string>{"01", "02", "03"}));

    auto warned = [&](const std::string& text) {
        return std::any_of(dataset.warnings.begin(), dataset.warnings.end(),
                           [&](const std::string& w) { return w.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(warned("sub-01_task-motor_bold.nii.gz: the same entities as"));
    EXPECT_TRUE(warned("sub-02_task-rest_bold.nii.gz: its sub- or ses- entity does not match"));
    EXPECT_TRUE(warned("notbids_bold.nii.gz: not a BIDS name"));
    EXPECT_TRUE(warned("the same folder as one already read"));
}

TEST(DatasetScan, RefusesAFolderThatIsNotADataset) {
    test::TestFolder data;
    data.write("sub-01/func/sub-01_task-rest_bold.nii.gz");
    Dataset dataset;
    std::string error;
    EXPECT_FALSE(scanDataset(data.path().string(), dataset, error));
    EXPECT_EQ(error, data.path().string() + ": not a BIDS dataset (it has no dataset_description.json)");

    data.write("dataset_description.json", "{\"Name\": ");
    EXPECT_FALSE(scanDataset(data.path().string(), dataset, error));
    EXPECT_NE(error.find("dataset_description.json: not valid JSON"), std::string::npos) << error;

    EXPECT_FALSE(scanDataset((data.path() / "missing").string(), dataset, error));
    EXPECT_NE(error.find("not a folder"), std::string::npos);
}

}  // namespace
}  // namespace orvane::bids
