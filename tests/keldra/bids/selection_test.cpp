// Label options select exactly what they name, and the anatomical is chosen by the rule.
#include <gtest/gtest.h>

#include "keldra/bids/anatomical_choice.h"
#include "keldra/bids/dataset_scan.h"
#include "keldra/bids/selection.h"

namespace orvane::bids {
namespace {

DatasetFile file(const std::string& name, ContentState content = ContentState::Present) {
    DatasetFile file;
    std::string error;
    EXPECT_TRUE(parseBidsName(name, file.name, error)) << name;
    file.relativePath = name;
    file.content = content;
    return file;
}

Dataset dataset(const std::vector<std::string>& bolds) {
    Dataset data;
    data.subjects = {"01", "02", "10"};
    for (const std::string& bold : bolds) {
        data.bolds.push_back(file(bold));
    }
    return data;
}

std::vector<std::string> selected(Selection selection, const Dataset& data) {
    std::string error;
    EXPECT_TRUE(selection.normalise(error)) << error;
    std::vector<std::string> names;
    for (const DatasetFile& bold : data.bolds) {
        if (selection.selects(bold.name)) {
            names.push_back(bold.relativePath);
        }
    }
    return names;
}

TEST(Selection, LabelsSelectExactlyWhatTheyName) {
    const Dataset data = dataset({"sub-01_task-rest_bold.nii.gz", "sub-01_ses-1_task-rest_bold.nii.gz",
                                  "sub-01_ses-2_task-nback_bold.nii.gz", "sub-02_task-rest_bold.nii.gz",
                                  "sub-10_task-rest_bold.nii.gz"});
    EXPECT_EQ(selected({}, data).size(), 5u);
    // With and without the prefix, several, and "1" is not "10" or "01".
    EXPECT_EQ(selected({{"sub-02", "10"}, {}, {}}, data),
              (std::vector<std::string>{"sub-02_task-rest_bold.nii.gz", "sub-10_task-rest_bold.nii.gz"}));
    EXPECT_TRUE(selected({{"1"}, {}, {}}, data).empty());
    // A session excludes runs without one.
    EXPECT_EQ(selected({{}, {"ses-2"}, {}}, data), (std::vector<std::string>{"sub-01_ses-2_task-nback_bold.nii.gz"}));
    EXPECT_EQ(selected({{"01"}, {}, {"task-rest"}}, data),
              (std::vector<std::string>{"sub-01_task-rest_bold.nii.gz", "sub-01_ses-1_task-rest_bold.nii.gz"}));
}

TEST(Selection, ALabelThatNamesNothingIsAnError) {
    const Dataset data = dataset({"sub-01_ses-1_task-rest_bold.nii.gz", "sub-02_task-nback_bold.nii.gz"});
    struct Case {
        Selection selection;
        const char* error;
    };
    for (Case c : std::vector<Case>{
             {{{"03"}, {}, {}}, "--participant-label 03: the dataset has no subject sub-03"},
             {{{}, {"2"}, {}}, "--session-label 2: no bold run of the selected subjects is in session ses-2"},
             {{{"02"}, {}, {"rest"}}, "--task-label rest: no bold run of the selected subjects has task-rest"},
             {{{"sub-0_1"}, {}, {}}, "--participant-label sub-0_1: a label is letters and digits only"},
         }) {
        std::string error;
        bool ok = c.selection.normalise(error) && selectionMatchesDataset(c.selection, data, error);
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, c.error);
    }
}

TEST(AnatomicalChoice, SameSessionThenSubjectThenOtherSessions) {
    const std::vector<DatasetFile> anatomicals = {
        file("sub-01_ses-1_T1w.nii.gz"),
        file("sub-01_ses-1_acq-fast_T1w.nii.gz"),
        file("sub-01_ses-3_run-2_T1w.nii.gz"),
        file("sub-01_ses-3_run-10_T1w.nii.gz"),
        file("sub-02_T1w.nii.gz", ContentState::NotRetrieved),
        file("sub-02_run-2_T1w.nii.gz"),
        file("sub-03_ses-b_T1w.nii.gz"),
        file("sub-03_ses-a_T1w.nii.gz"),
    };
    struct Case {
        const char* bold;
        const char* chosen;  // "" for none
        const char* rule;
    };
    for (const Case& c : std::vector<Case>{
             {"sub-01_ses-1_task-x_bold.nii.gz", "sub-01_ses-1_T1w.nii.gz",
              "the first of 2 T1w of the run's own session ses-1"},
             {"sub-01_ses-3_task-x_bold.nii.gz", "sub-01_ses-3_run-2_T1w.nii.gz", "the first of 2 T1w"},
             {"sub-01_ses-2_task-x_bold.nii.gz", "sub-01_ses-1_T1w.nii.gz", "of session ses-1, the first session with one"},
             {"sub-02_ses-1_task-x_bold.nii.gz", "sub-02_run-2_T1w.nii.gz", "of the subject without a session"},
             {"sub-03_task-x_bold.nii.gz", "sub-03_ses-a_T1w.nii.gz", "the only T1w of session ses-a"},
             {"sub-04_task-x_bold.nii.gz", "", "the subject sub-04 has no T1-weighted anatomical"},
         }) {
        AnatomicalChoice choice = chooseAnatomical(file(c.bold), anatomicals);
        EXPECT_EQ(choice.anatomical ? choice.anatomical->relativePath : std::string(), c.chosen) << c.bold;
        EXPECT_NE(choice.rule.find(c.rule), std::string::npos) << c.bold << ": " << choice.rule;
    }
}

}  // namespace
}  // namespace orvane::bids
