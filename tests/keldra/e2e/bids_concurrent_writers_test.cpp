// Eight participant levels started at once on one output folder, their subject lists
// overlapping, and a group level started while they run, all as separate keldra processes as a
// cluster's tasks would be. No run is checked by two of them (with --skip-existing each
// checkable run is checked exactly once), no file is torn, the group level reads only whole
// records and names the runs still missing, and the final tables equal those of one level alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "keldra/bids/json_file.h"
#include "tests/keldra/fixtures/keldra_process.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

namespace fs = std::filesystem;

// The table's rows (header left out), and of them those whose reason is `reason`.
std::vector<std::string> rows(const std::string& table) {
    std::vector<std::string> lines;
    std::istringstream in(table);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::size_t count(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&part](const std::string& line) { return line.find(part) != std::string::npos; }));
}

// Runs checked by one participant level, from its summary "N runs selected: C checked, ...".
int checkedRuns(const std::string& summary) {
    const std::string before = " selected: ";
    const std::size_t at = summary.find(before);
    return at == std::string::npos ? -1 : std::atoi(summary.c_str() + at + before.size());
}

// Every file under `folder`, relative; fails the test for a record that does not parse whole.
std::set<std::string> filesUnder(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string relative = entry.path().lexically_relative(folder).generic_string();
        files.insert(relative);
        if (relative.size() > 5 && relative.compare(relative.size() - 5, 5, ".json") == 0) {
            nlohmann::json value;
            std::string error;
            EXPECT_TRUE(bids::readJsonFile(entry.path().string(), bids::JsonLimits(), value, error))
                << relative << ": " << error;
        }
    }
    return files;
}

TEST(ConcurrentWriters, EightParticipantLevelsAndAGroupLevelOnOneFolderEndAsOneLevelAlone) {
    ScratchFolder scratch;
    ASSERT_EQ(runKeldra({"demo", "--bids", "study"}, scratch.path()).exitCode, 0);
    const std::string study = scratch.file("study");
    const std::string shared = scratch.file("shared");

    const std::vector<std::vector<std::string>> labels = {{"01", "02"}, {"02", "03"}, {"03", "04"}, {"04", "01"},
                                                          {"01"},       {"02", "03", "04"}, {"01", "02", "03", "04"},
                                                          {"sub-03"}};
    std::vector<std::unique_ptr<RunningKeldra>> levels;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::string folder = scratch.file("task-" + std::to_string(i));
        fs::create_directory(folder);
        std::vector<std::string> arguments = {"bids", study, shared, "participant", "--nprocs", "1",
                                              "--skip-existing", "--participant-label"};
        arguments.insert(arguments.end(), labels[i].begin(), labels[i].end());
        levels.push_back(std::make_unique<RunningKeldra>(arguments, folder));
    }

    // The group level, once some runs have their records and while the levels still run.
    const fs::path firstRecords = fs::path(shared) / "sub-01/func";
    bool started = false;
    for (int i = 0; i < 6000 && !started; ++i) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(firstRecords, ec)) {
            started |= entry.path().filename().string().find("_desc-alignment_qc.json") != std::string::npos;
        }
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(started) << "no participant level wrote a record within two minutes";
    const std::size_t stillRunning = static_cast<std::size_t>(
        std::count_if(levels.begin(), levels.end(), [](const auto& level) { return level->running(); }));
    const ProcessResult early = runKeldra({"bids", study, shared, "group"}, scratch.path());
    ASSERT_EQ(early.exitCode, 0) << early.err;
    const std::vector<std::string> earlyRows = rows(readWholeFile(shared + "/group_bold.tsv"));
    EXPECT_EQ(earlyRows.size(), 11u);
    EXPECT_EQ(count(earlyRows, "cannot be read"), 0u) << "the group level read a record that was not whole";
    const std::size_t missing = count(earlyRows, "missing: no participant output yet");
    if (missing > 0) {
        std::ostringstream named;
        named << missing << (missing == 1 ? " run has" : " runs have") << " no participant output yet:";
        EXPECT_NE(early.err.find(named.str()), std::string::npos) << early.err;
    }
    // Every other row comes from a whole record: a verdict, or the reason its run cannot be checked.
    for (const std::string& row : earlyRows) {
        std::vector<std::string> cells;
        std::istringstream in(row);
        for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
        ASSERT_GT(cells.size(), 8u) << row;
        const std::set<std::string> verdicts = {"aligned", "check", "misaligned"};
        EXPECT_TRUE(verdicts.count(cells[8]) || row.find("missing: no participant output yet") != std::string::npos ||
                    row.find("content not retrieved") != std::string::npos ||
                    row.find("has no T1-weighted anatomical") != std::string::npos)
            << row;
    }

    int checked = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const ProcessResult level = levels[i]->wait(300);
        EXPECT_TRUE(level.exitCode == 0 || level.exitCode == 1) << "level " << i << ": " << level.err;
        EXPECT_EQ(level.err.find("could not be written"), std::string::npos) << level.err;
        checked += checkedRuns(level.out);
    }
    // The nine runs that can be checked, each by exactly one level: a level that finds a run
    // locked comes back to it later and then finds its record.
    EXPECT_EQ(checked, 9);

    // One level alone on a folder of its own.
    const std::string alone = scratch.file("alone");
    const ProcessResult serial = runKeldra({"bids", study, alone, "participant", "--nprocs", "1"}, scratch.path());
    ASSERT_EQ(serial.exitCode, 1) << serial.err;
    ASSERT_EQ(runKeldra({"bids", study, shared, "group"}, scratch.path()).exitCode, 0);
    ASSERT_EQ(runKeldra({"bids", study, alone, "group"}, scratch.path()).exitCode, 0);
    for (const char* table : {"group_bold.tsv", "group_desc-flagged_bold.tsv"}) {
        EXPECT_EQ(readWholeFile(shared + "/" + table), readWholeFile(alone + "/" + table)) << table;
    }
    // The same files, all whole, and nothing temporary left.
    const std::set<std::string> files = filesUnder(shared);
    EXPECT_EQ(files, filesUnder(alone));
    for (const std::string& file : files) {
        EXPECT_TRUE(fs::path(file).filename().string()[0] != '.' || file == ".bidsignore") << file;
    }
    std::cout << "group level started with " << stillRunning << " of 8 levels running and " << missing
              << " runs missing" << std::endl;
}

}  // namespace
}  // namespace orvane::keldra::testing
