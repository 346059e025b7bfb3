// BIDS file names: what is a name, its entities, and index order.
#include <gtest/gtest.h>

#include "keldra/bids/bids_name.h"

namespace orvane::bids {
namespace {

TEST(BidsName, ParsesEntitiesSuffixAndExtensionInOrder) {
    BidsName name;
    std::string error;
    ASSERT_TRUE(parseBidsName("sub-01_ses-pre_task-rest_acq-mb4_ce-x_rec-y_dir-AP_run-02_echo-1_part-mag_bold.nii.gz",
                              name, error))
        << error;
    EXPECT_EQ(name.suffix, "bold");
    EXPECT_EQ(name.extension, ".nii.gz");
    EXPECT_TRUE(name.isImage());
    EXPECT_EQ(name.entity("sub"), "01");
    EXPECT_EQ(name.entity("ses"), "pre");
    EXPECT_EQ(name.entity("dir"), "AP");
    EXPECT_EQ(name.entity("run"), "02");
    EXPECT_EQ(name.entity("part"), "mag");
    EXPECT_EQ(name.entity("chunk"), "");
    EXPECT_EQ(name.entityStem(), "sub-01_ses-pre_task-rest_acq-mb4_ce-x_rec-y_dir-AP_run-02_echo-1_part-mag");
    EXPECT_EQ(name.fileName(), "sub-01_ses-pre_task-rest_acq-mb4_ce-x_rec-y_dir-AP_run-02_echo-1_part-mag_bold.nii.gz");

    ASSERT_TRUE(parseBidsName("sub-1_task-x_sbref.nii", name, error));
    EXPECT_EQ(name.suffix, "sbref");
    EXPECT_EQ(name.extension, ".nii");
    ASSERT_TRUE(parseBidsName("sub-1_task-x_bold.json", name, error));
    EXPECT_FALSE(name.isImage());
}

TEST(BidsName, RefusesWhatIsNotABidsName) {
    for (const char* bad : {"bold.nii.gz", "task-rest_sub-01_bold.nii.gz", "sub-01_task-re_st_bold.nii.gz",
                            "sub-01_task-rest-x_bold.nii.gz", "sub-01_task-_bold.nii.gz", "sub-01_run-a_bold.nii.gz",
                            "sub-01_echo-1b_bold.nii.gz", "sub-01_task-a_task-b_bold.nii.gz",
                            "sub-01_task-rest_bo-ld.nii.gz", "sub-0 1_task-rest_bold.nii.gz"}) {
        BidsName name;
        std::string error;
        EXPECT_FALSE(parseBidsName(bad, name, error)) << bad;
        EXPECT_NE(error.find("not a BIDS name"), std::string::npos) << bad;
    }
}

TEST(BidsName, IndexesCompareAsNumbers) {
    EXPECT_LT(compareIndex("2", "10"), 0);
    EXPECT_EQ(compareIndex("01", "1"), 0);
    EXPECT_GT(compareIndex("010", "9"), 0);
    EXPECT_LT(compareIndex("", "1"), 0);
    EXPECT_EQ(compareIndex("00", "0"), 0);
    EXPECT_LT(compareIndex("99999999999999999999998", "99999999999999999999999"), 0);
}

}  // namespace
}  // namespace orvane::bids
