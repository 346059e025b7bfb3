// The participant level end to end on the sample dataset, with the built keldra checking each
// run in its own process: every bold file gets a record, the runs that cannot be checked say
// why, a second run with --skip-existing checks nothing again, and a run cut short by a kill
// is completed by the next without anything lost or doubled.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "keldra/bids/group_level.h"
#include "keldra/bids/json_file.h"
#include "keldra/bids/participant_level.h"
#include "keldra/bids/sample_dataset.h"
#include "tests/keldra/fixtures/test_folder.h"

namespace orvane::bids {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ParticipantLevelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sample_ = new test::TestFolder();
        std::vector<std::string> written;
        std::string error;
        ASSERT_TRUE(writeSampleDataset((sample_->path() / "data").string(), written, error)) << error;
    }
    static void TearDownTestSuite() {
        delete sample_;
        sample_ = nullptr;
    }

    static std::string dataset() { return (sample_->path() / "data").string(); }
    // One complete participant level, made when first asked for, examined and compared with.
    static std::string reference() {
        const fs::path folder = sample_->path() / "reference";
        if (referenceStatus_ < 0) {
            referenceStatus_ = runParticipantLevel(optionsFor(folder.string()), referenceSummary_, referenceErrors_);
        }
        return folder.string();
    }

    static ParticipantOptions optionsFor(const std::string& output) {
        ParticipantOptions options;
        options.datasetFolder = dataset();
        options.outputFolder = output;
        options.processes = 2;
        options.keldraProgram = KELDRA_EXECUTABLE;
        return options;
    }

    // Every file under `folder`, relative, with the records' content apart from timings.
    static std::map<std::string, std::string> outputs(const fs::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            std::string relative = entry.path().lexically_relative(folder).generic_string();
            json record;
            std::string error;
            if (relative.find("_qc.json") != std::string::npos &&
                readJsonFile(entry.path().string(), JsonLimits(), record, error)) {
                record.erase("seconds");
                if (record.contains("report") && record["report"].is_object()) {
                    record["report"].erase("startedUtc");
                }
                files[relative] = record.dump();
            } else {
                files[relative] = std::to_string(entry.file_size());
            }
        }
        return files;
    }

    ParticipantOptions options(const std::string& output) const { return optionsFor(output); }

    // A participant level killed once some runs are done and others under way, then run again
    // with --skip-existing, ends with exactly the reference's outputs.
    void killedAndResumed() const {
        std::ostringstream summary;
        std::ostringstream errors;
        test::TestFolder out;
        pid_t child = fork();
        if (child == 0) {
            std::ostringstream quiet;
            _exit(runParticipantLevel(options(out.path().string()), quiet, quiet));
        }
        const fs::path firstRecord = out.path() / "sub-01/func/sub-01_task-nback_desc-alignment_qc.json";
        for (int i = 0; i < 2400 && !fs::exists(firstRecord); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(fs::exists(firstRecord));

        ParticipantOptions resume = options(out.path().string());
        resume.skipExisting = true;
        EXPECT_EQ(runParticipantLevel(resume, summary, errors), kSomeRunsNotChecked);
        EXPECT_NE(summary.str().find("sub-01_task-nback_bold.nii.gz: already checked, skipped"), std::string::npos)
            << summary.str();
        EXPECT_EQ(outputs(out.path()), outputs(reference()));
    }

    static test::TestFolder* sample_;
    static int referenceStatus_;
    static std::ostringstream referenceSummary_;
    static std::ostringstream referenceErrors_;
};

test::TestFolder* ParticipantLevelTest::sample_ = nullptr;
int ParticipantLevelTest::referenceStatus_ = -1;
std::ostringstream ParticipantLevelTest::referenceSummary_;
std::ostringstream ParticipantLevelTest::referenceErrors_;

TEST_F(ParticipantLevelTest, EveryRunGetsARecordAndAKilledLevelIsCompletedWithNothingLostOrDoubled) {
    const fs::path out = reference();
    ASSERT_EQ(referenceStatus_, kSomeRunsNotChecked) << referenceSummary_.str() << referenceErrors_.str();
    EXPECT_NE(referenceErrors_.str().find("2 runs could not be checked"), std::string::npos) << referenceErrors_.str();

    auto record = [&](const std::string& relative) {
        json value;
        std::string error;
        EXPECT_TRUE(readJsonFile((out / relative).string(), JsonLimits(), value, error)) << relative << error;
        return value;
    };
    json notRetrieved = record("sub-03/func/sub-03_task-nback_desc-alignment_qc.json");
    EXPECT_FALSE(notRetrieved["checked"].get<bool>());
    EXPECT_EQ(notRetrieved["reason"].get<std::string>().rfind("content not retrieved", 0), 0u);
    json noAnatomy = record("sub-04/func/sub-04_task-rest_desc-alignment_qc.json");
    EXPECT_EQ(noAnatomy["reason"], "the subject sub-04 has no T1-weighted anatomical (anat/*_T1w.nii[.gz])");

    // The run whose header is shifted by 8 mm is found out; the others line up.
    auto verdict = [&](const std::string& relative) {
        return record(relative)["report"]["alignment_check"][0]["verdict"].get<std::string>();
    };
    EXPECT_EQ(verdict("sub-01/func/sub-01_task-nback_desc-alignment_qc.json"), "misaligned");
    EXPECT_EQ(verdict("sub-01/func/sub-01_task-rest_run-2_desc-alignment_qc.json"), "aligned");

    json checked = record("sub-02/ses-2/func/sub-02_ses-2_task-nback_desc-alignment_qc.json");
    EXPECT_TRUE(checked["checked"].get<bool>());
    EXPECT_EQ(checked["anatomical"], "sub-02/ses-2/anat/sub-02_ses-2_T1w.nii.gz");
    EXPECT_EQ(checked["entities"], (json{{"sub", "02"}, {"ses", "2"}, {"task", "nback"}}));
    EXPECT_EQ(checked["report"]["inputs"][1]["file"], "sub-02/ses-2/func/sub-02_ses-2_task-nback_bold.nii.gz");
    EXPECT_EQ(checked["report"]["mapping"], 1);
    EXPECT_EQ(checked["GeneratedBy"]["Name"], "keldra");
    EXPECT_EQ(checked["sidecar"]["RepetitionTime"], 2.0);
    for (const json& file : checked["files"]) {
        EXPECT_TRUE(fs::is_regular_file(out / file.get<std::string>())) << file;
    }
    EXPECT_TRUE(fs::exists(out / "sub-02/ses-2/func/sub-02_ses-2_task-nback_desc-alignment_qc.png"));
    EXPECT_FALSE(fs::exists(out / "sub-02/ses-2/func/sub-02_ses-2_task-nback_desc-vmr_qc.nii.gz"));
    EXPECT_EQ(record("sub-03/func/sub-03_task-rest_echo-2_desc-alignment_qc.json")["sidecar"]["EchoTime"], 0.0388);

    // One record per bold file, no temporary file, lock or work folder left.
    std::size_t records = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(name[0] != '.' || name == ".bidsignore") << entry.path();
        records += name.find("_desc-alignment_qc.json") != std::string::npos;
    }
    EXPECT_EQ(records, 11u);
    json description = record("dataset_description.json");
    EXPECT_EQ(description["DatasetType"], "derivative");

    // Again with --skip-existing: only the runs that could not be checked are tried again, and
    // nothing that was checked changes.
    auto before = outputs(out);
    ParticipantOptions again = options(out.string());
    std::ostringstream errors;
    again.skipExisting = true;
    std::ostringstream secondSummary;
    EXPECT_EQ(runParticipantLevel(again, secondSummary, errors), kSomeRunsNotChecked);
    EXPECT_NE(secondSummary.str().find("11 runs selected: 0 checked, 9 already checked, 2 not checked"),
              std::string::npos)
        << secondSummary.str();
    EXPECT_EQ(outputs(out), before);

    killedAndResumed();
}

TEST_F(ParticipantLevelTest, LabelsSelectExactlyTheRunsTheyName) {
    test::TestFolder out;
    ParticipantOptions chosen = options(out.path().string());
    chosen.selection.participants = {"sub-02", "01"};
    chosen.selection.sessions = {"2"};
    chosen.selection.tasks = {"task-rest"};
    std::string error;
    ASSERT_TRUE(chosen.selection.normalise(error));
    std::ostringstream summary;
    std::ostringstream errors;
    ASSERT_EQ(runParticipantLevel(chosen, summary, errors), kAllRunsChecked) << errors.str();
    std::set<std::string> records;
    for (const auto& entry : fs::recursive_directory_iterator(out.path())) {
        std::string name = entry.path().filename().string();
        if (name.find("_desc-alignment_qc.json") != std::string::npos) records.insert(name);
    }
    EXPECT_EQ(records, (std::set<std::string>{"sub-02_ses-2_task-rest_desc-alignment_qc.json"}));

    ParticipantOptions unknown = options(out.path().string());
    unknown.selection.participants = {"05"};
    EXPECT_EQ(runParticipantLevel(unknown, summary, errors), kParticipantInputError);
    EXPECT_NE(errors.str().find("--participant-label 05: the dataset has no subject sub-05"), std::string::npos);
}

}  // namespace
}  // namespace orvane::bids
