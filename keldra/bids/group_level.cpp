// Collecting the run records into the group table.
#include "keldra/bids/group_level.h"

#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <system_error>

#include "keldra/bids/bids_pages.h"
#include "keldra/bids/group_table.h"
#include "keldra/bids/json_file.h"
#include "keldra/bids/output_layout.h"
#include "keldra/bids/record_files.h"
#include "keldra/bids/shared_output_files.h"
#include "keldra/output/message_line.h"

namespace orvane::bids {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kGroupWritten = 0;
constexpr int kGroupFailed = 2;

using ListedRuns = std::map<std::string, std::pair<BidsName, std::string>>;

// What the records and the list of runs give the group's tables and pages.
struct GroupCollection {
    std::vector<GroupRow> rows;
    std::vector<std::string> missing;    // the listed bold files with no participant output yet
    std::map<std::string, json> checks;  // the record's alignment check, for the group page
    std::set<std::string> subjects;
};

// The dataset's bold files as the participant tasks listed them, by entity stem.
ListedRuns listedRuns(const fs::path& outputFolder, std::ostream& errors) {
    ListedRuns runs;
    const fs::path list = outputFolder / kRunListFileName;
    std::error_code ec;
    if (!fs::exists(list, ec)) {
        return runs;
    }
    json value;
    std::string problem;
    if (!readJsonFile(list.string(), JsonLimits(), value, problem) || !value.is_object() || !value.contains("bold") ||
        !value["bold"].is_array()) {
        errors << "keldra: " << keldra::messageLine(list.string() + ": " + (problem.empty() ? "not a list of runs" : problem))
               << "; runs never started cannot be named" << std::endl;
        return runs;
    }
    for (const json& entry : value["bold"]) {
        BidsName name;
        if (entry.is_string() && parseBidsName(fs::path(entry.get<std::string>()).filename().string(), name, problem)) {
            runs[name.entityStem()] = {name, entry.get<std::string>()};
        }
    }
    return runs;
}

// A row for a run without a participant output yet, named among the missing runs.
void addMissingRun(const BidsName& name, const std::string& bold, GroupCollection& collection) {
    collection.rows.push_back(rowWithoutRecord(name, bold, "missing: no participant output yet"));
    if (!bold.empty()) {
        collection.missing.push_back(bold);
    }
}

// One row for each selected run with a participant output, read when it can be, with its
// subject and its alignment check noted.
void addRecordedRuns(const std::map<std::string, fs::path>& records, const ListedRuns& listed,
                     const Selection& selection, GroupCollection& collection) {
    for (const auto& [stem, file] : records) {
        BidsName name;
        std::string problem;
        if (!parseBidsName(stem + "_bold", name, problem) || !selection.selects(name)) {
            continue;
        }
        const auto run = listed.find(stem);
        std::string bold = run != listed.end() ? run->second.second : std::string();
        json record;
        JsonLimits limits;
        limits.maxBytes = std::uint64_t{64} << 20;
        if (!readJsonFile(file.string(), limits, record, problem)) {
            std::error_code ec;
            if (!fs::exists(fs::symlink_status(file, ec))) {
                // Gone since the folder was listed: a participant level is checking the run
                // again and removed its earlier record first.
                addMissingRun(name, bold, collection);
                continue;
            }
            collection.rows.push_back(rowWithoutRecord(
                name, bold, "the participant output " + file.filename().string() + " cannot be read: " + problem));
            continue;
        }
        collection.rows.push_back(rowFromRecord(record, name));
        if (collection.rows.back().bold.empty()) {
            collection.rows.back().bold = bold;
        }
        collection.subjects.insert(name.entity("sub"));
        const json& report = record.is_object() && record.contains("report") ? record["report"] : json();
        if (report.is_object() && report.contains("alignment_check") && report["alignment_check"].is_array() &&
            !report["alignment_check"].empty()) {
            collection.checks[stem] = report["alignment_check"][0];
        }
    }
}

// One row for each selected listed run that has no participant output yet.
void addMissingRuns(const std::map<std::string, fs::path>& records, const ListedRuns& listed,
                    const Selection& selection, GroupCollection& collection) {
    for (const auto& [stem, run] : listed) {
        if (!records.count(stem) && selection.selects(run.first)) {
            addMissingRun(run.first, run.second, collection);
        }
    }
}

// The group table, its sidecar and the table of the flagged runs.
bool writeGroupTables(const std::string& outputFolder, const std::vector<GroupRow>& rows, std::ostream& errors) {
    std::vector<GroupRow> flagged = flaggedRows(rows);
    std::string error;
    if (!replaceFileContent(outputFolder, "group_bold.tsv", tableText(rows), error) ||
        !replaceFileContent(outputFolder, "group_bold.json", jsonText(tableSidecar()), error) ||
        !replaceFileContent(outputFolder, "group_desc-flagged_bold.tsv", tableText(flagged), error)) {
        errors << "keldra: " << keldra::messageLine(error) << std::endl;
        return false;
    }
    return true;
}

// The pages: the subject pages again (a participant task killed before it wrote its page
// leaves the group page's links nowhere to go otherwise), then the group page.
bool writeGroupPages(const std::string& outputFolder, const GroupCollection& collection,
                     const keldra::PageOptions& pageOptions, std::ostream& errors) {
    std::string error;
    for (const std::string& subject : collection.subjects) {
        if (!writeSubjectPage(outputFolder, subject, pageOptions, error)) {
            errors << "keldra: " << error << std::endl;
            return false;
        }
    }
    if (!writeGroupPage(outputFolder, collection.rows, collection.checks, pageOptions, error)) {
        errors << "keldra: " << error << std::endl;
        return false;
    }
    return true;
}

// The verdicts counted, the files written, and the listed runs still without an output.
void printGroupSummary(const std::string& outputFolder, const GroupCollection& collection, std::ostream& out,
                       std::ostream& errors) {
    const std::vector<GroupRow>& rows = collection.rows;
    std::map<std::string, int> counts;
    for (const GroupRow& row : rows) {
        ++counts[row.verdict];
    }
    out << "keldra: " << rows.size() << (rows.size() == 1 ? " run: " : " runs: ") << counts["aligned"] << " aligned, "
        << counts["check"] << " check, " << counts["misaligned"] << " misaligned, " << counts[kNotChecked]
        << " not checked" << std::endl;
    out << "keldra: wrote " << (fs::path(outputFolder) / "group_bold.tsv").string() << " and "
        << (fs::path(outputFolder) / "group_desc-flagged_bold.tsv").string() << std::endl;
    out << "keldra: open " << (fs::path(outputFolder) / kGroupPageName).string()
        << " in a browser to review the runs (each links to its subject's page)" << std::endl;
    const std::vector<std::string>& missing = collection.missing;
    if (!missing.empty()) {
        errors << "keldra: " << missing.size() << (missing.size() == 1 ? " run has" : " runs have")
               << " no participant output yet:" << std::endl;
        for (const std::string& bold : missing) {
            errors << "  " << keldra::messageLine(bold) << std::endl;
        }
    }
}

}  // namespace

int runGroupLevel(const std::string& outputFolder, const Selection& selection, std::ostream& out,
                  std::ostream& errors, const keldra::PageOptions& pageOptions) {
    std::error_code ec;
    if (!fs::is_directory(outputFolder, ec)) {
        errors << "keldra: " << keldra::messageLine(outputFolder) << ": nothing to collect (no such folder)" << std::endl;
        return kGroupFailed;
    }
    const std::map<std::string, fs::path> records = findRecords(outputFolder);
    const ListedRuns listed = listedRuns(outputFolder, errors);
    GroupCollection collection;
    addRecordedRuns(records, listed, selection, collection);
    addMissingRuns(records, listed, selection, collection);
    if (collection.rows.empty()) {
        errors << "keldra: " << keldra::messageLine(outputFolder) << ": nothing to collect (no participant outputs)" << std::endl;
        return kGroupFailed;
    }
    sortRows(collection.rows);
    if (!writeGroupTables(outputFolder, collection.rows, errors) ||
        !writeGroupPages(outputFolder, collection, pageOptions, errors)) {
        return kGroupFailed;
    }
    printGroupSummary(outputFolder, collection, out, errors);
    return kGroupWritten;
}

}  // namespace orvane::bids
