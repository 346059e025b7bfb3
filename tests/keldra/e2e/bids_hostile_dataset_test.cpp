// The BIDS levels on datasets that fight back and on outputs that crashed tasks left: link
// loops, a link that leaves the dataset, ten thousand files in one folder, names with spaces,
// line breaks, quotes, HTML and bytes that are not UTF-8 (the dataset's own folder included),
// sidecars that are truncated, enormous or nested a hundred thousand levels deep, a
// dataset_description.json that is not JSON, a record cut short. Each gives a one-line message
// or a row with its reason, within a time limit, and what is written stays valid JSON.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "keldra/bids/json_file.h"
#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

namespace fs = std::filesystem;

// A folder name with everything a file system allows and a page or a terminal may stumble on.
const std::string kHostileName = "st udy\n'\"<b>x&amp;\xff";

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

// Runs keldra with a time limit: a hang fails the test instead of stopping the suite.
ProcessResult runBounded(const std::vector<std::string>& arguments, const std::string& folder, double seconds) {
    RunningKeldra run(arguments, folder);
    return run.wait(seconds);
}

nlohmann::json record(const fs::path& file) {
    nlohmann::json value;
    std::string error;
    EXPECT_TRUE(bids::readJsonFile(file.string(), bids::JsonLimits(), value, error)) << file << ": " << error;
    return value;
}

bool holds(const nlohmann::json& warnings, const std::string& part) {
    for (const nlohmann::json& warning : warnings) {
        if (warning.is_string() && warning.get<std::string>().find(part) != std::string::npos) return true;
    }
    return false;
}

// Every line of stderr is one message of keldra's, or an indented item of a list it announced.
void expectOneLineMessages(const std::string& err) {
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(line.rfind("keldra: ", 0) == 0 || line.rfind("  ", 0) == 0) << "a message broke: " << line;
    }
}

TEST(HostileDataset, LinksNamesAndSidecarsGiveMessagesOrWarningsAndACutRecordARowWithItsReason) {
    ScratchFolder scratch;
    ASSERT_EQ(runKeldra({"demo", "--bids", kHostileName}, scratch.path()).exitCode, 0);
    const fs::path study = scratch.file(kHostileName);
    const fs::path func = study / "sub-01/func";
    // Links: one to itself, a session that is its subject again, a subject whose func is itself,
    // a func folder outside the dataset (holding a loop and a device named like a run).
    fs::create_symlink("loop", func / "loop");
    fs::create_symlink(".", study / "sub-01/ses-1");
    fs::create_directories(study / "sub-05");
    fs::create_symlink("../sub-05", study / "sub-05/func");
    const fs::path outside = scratch.file("outside");
    fs::create_directories(outside);
    fs::create_symlink("loop", outside / "loop");
    fs::create_symlink("/dev/zero", outside / "sub-02_ses-1_task-zero_bold.nii.gz");
    fs::remove_all(study / "sub-02/ses-1/func");
    fs::create_symlink(outside, study / "sub-02/ses-1/func");
    for (int i = 0; i < 10000; ++i) {
        writeFile(func / ("sub-01_task-nback_run-" + std::to_string(i + 1) + "_events.tsv"), "");
    }
    for (const char* label : {"a b", "a\nb", "\"q'", "<b>", "\xff"}) {
        writeFile(func / ("sub-01_task-" + std::string(label) + "_bold.nii.gz"), "");
    }
    // Sidecars: truncated, nested 100,000 deep, and 100 MB (inherited by every rest run).
    writeFile(func / "sub-01_task-nback_bold.json", "{\"RepetitionTime\": 2.");
    writeFile(func / "sub-01_task-rest_run-1_bold.json", std::string(100000, '[') + std::string(100000, ']'));
    {
        std::ofstream big(study / "task-rest_bold.json", std::ios::binary);
        big << "{\"RepetitionTime\": 2.0, \"padding\": \"";
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i) big << block;
        big << "\"}";
    }

    const std::string out = scratch.file("out");
    const ProcessResult level = runBounded(
        {"bids", study.string(), out, "participant", "--participant-label", "01", "05", "--nprocs", "2"},
        scratch.path(), 240);
    ASSERT_EQ(level.exitCode, 0) << level.err;
    expectOneLineMessages(level.err);
    EXPECT_NE(level.err.find("sub-01/func/sub-01_task-a\\nb_bold.nii.gz: not a BIDS name"), std::string::npos)
        << level.err;
    EXPECT_NE(level.err.find("sub-01/ses-1: the same folder as one already read (through a link); skipped"),
              std::string::npos);
    EXPECT_NE(level.err.find("sub-02/ses-1/func/sub-02_ses-1_task-zero_bold.nii.gz: not a regular file; skipped"),
              std::string::npos);
    EXPECT_NE(level.out.find("3 runs selected: 3 checked"), std::string::npos) << level.out;

    const fs::path records = fs::path(out) / "sub-01/func";
    const nlohmann::json nback = record(records / "sub-01_task-nback_desc-alignment_qc.json");
    EXPECT_TRUE(holds(nback["warnings"], "sub-01_task-nback_bold.json: not valid JSON")) << nback["warnings"];
    EXPECT_EQ(nback["report"]["inputs"][1]["file"], "sub-01/func/sub-01_task-nback_bold.nii.gz");
    EXPECT_EQ(nback["bold"], "sub-01/func/sub-01_task-nback_bold.nii.gz");
    const nlohmann::json deep = record(records / "sub-01_task-rest_run-1_desc-alignment_qc.json");
    EXPECT_TRUE(holds(deep["warnings"], "sub-01_task-rest_run-1_bold.json: nested deeper than 64 levels"));
    EXPECT_TRUE(holds(deep["warnings"], "task-rest_bold.json: larger than 1048576 bytes"));
    EXPECT_TRUE(deep["checked"].get<bool>());

    // A record cut short (a copy interrupted, a file system that lost its end): the group level
    // gives its run a row with the reason, and --skip-existing checks that run again.
    const fs::path cut = records / "sub-01_task-nback_desc-alignment_qc.json";
    const std::string whole = readWholeFile(cut.string());
    writeFile(cut, whole.substr(0, whole.size() / 2));
    writeFile(fs::path(out) / "bold_runs.json", "{\"bold\": [\"sub-01/func/sub-01_task-nback_bold.n");
    // What a task killed while writing leaves: its temporary folder, with a record of another
    // run half written, and a work folder. No reader trusts them; the next level removes them.
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const fs::path stale = records / (std::string(".keldra-") + host + "-999999999.tmp");
    fs::create_directories(stale);
    fs::create_directories(records / ".sub-01_task-rest_run-2_bold.work");
    writeFile(stale / "3-sub-01_task-rest_run-2_desc-alignment_qc.json", "{\"checked\": tr");
    writeFile(records / ".sub-01_task-rest_run-2_bold.work/report.json", "{");
    const ProcessResult group = runBounded({"bids", study.string(), out, "group"}, scratch.path(), 60);
    ASSERT_EQ(group.exitCode, 0) << group.err;
    expectOneLineMessages(group.err);
    EXPECT_NE(group.err.find("bold_runs.json: not valid JSON"), std::string::npos) << group.err;
    EXPECT_NE(group.err.find("runs never started cannot be named"), std::string::npos) << group.err;
    const std::string table = readWholeFile(out + "/group_bold.tsv");
    EXPECT_NE(table.find("not checked\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tthe participant "
                         "output sub-01_task-nback_desc-alignment_qc.json cannot be read: not valid JSON"),
              std::string::npos)
        << table;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4) << table;  // a header and the three runs

    const ProcessResult again = runBounded({"bids", study.string(), out, "participant", "--participant-label", "01",
                                            "--skip-existing", "--nprocs", "2"},
                                           scratch.path(), 120);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("3 runs selected: 1 checked, 2 already checked"), std::string::npos) << again.out;
    EXPECT_TRUE(record(cut)["checked"].get<bool>());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(records / ".sub-01_task-rest_run-2_bold.work"));
}

TEST(HostileDataset, ADatasetDescriptionThatIsNotJsonEndsInOneLine) {
    ScratchFolder scratch;
    ASSERT_EQ(runKeldra({"demo", "--bids", "study"}, scratch.path()).exitCode, 0);
    for (const auto& [content, reason] :
         {std::pair<std::string, std::string>{"<html>not a description</html>", "not valid JSON"},
          {std::string(100000, '[') + std::string(100000, ']'), "nested deeper than 64 levels"},
          {"{\"Name\": \"cut", "not valid JSON"}}) {
        writeFile(scratch.file("study/dataset_description.json"), content);
        const ProcessResult refused =
            runBounded({"bids", "study", "study/derivatives/keldra", "participant"}, scratch.path(), 30);
        EXPECT_EQ(refused.exitCode, 2) << refused.err;
        EXPECT_EQ(refused.err.rfind("keldra: study/dataset_description.json: " + reason, 0), 0u) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_FALSE(fs::exists(scratch.file("study/derivatives/keldra")));
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
