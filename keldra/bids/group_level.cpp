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

// The dataset's bold files as the participant tasks listed them, by entity stem.
std::map<std::string, std::pair<BidsName, std::string>> listedRuns(const fs::path& outputFolder, std::ostream& errors) {
    std::map<std::string, std::pair<BidsName, std::string>> runs;
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

}  // namespace

int runGroupLevel(const std::string& outputFolder, const Selection& selection, std::ostream& out,
                  std::ostream& errors, const keldra::PageOptions& pageOptions) {
    std::error_code ec;
    if (!fs::is_directory(outputFolder, ec)) {
        errors << "keldra: " << keldra::messageLine(outputFolder) << ": nothing to collect (no such folder)" << std::endl;
        return kGroupFailed;
    }
    std::map<std::string, fs::path> records = findRecords(outputFolder);
    std::map<std::string, std::pair<BidsName, std::string>> listed = listedRuns(outputFolder, errors);

    std::vector<GroupRow> rows;
    std::vector<std::string> missing;
    std::map<std::string, json> checks;  // the record's alignment check, for the group page
    std::set<std::string> subjects;
    for (const auto& [stem, file] : records) {
        BidsName name;
        std::string problem;
        if (!parseBidsName(stem + "_bold", name, problem) || !selection.selects(name)) {
            continue;
        }
        std::string bold = listed.count(stem) ? listed[stem].second : std::string();
        json record;
        JsonLimits limits;
        limits.maxBytes = std::uint64_t{64} << 20;
        if (!readJsonFile(file.string(), limits, record, problem)) {
            rows.push_back(rowWithoutRecord(name, bold, "the participant output " + file.filename().string() +
                                                            " cannot be read: " + problem));
            continue;
        }
        rows.push_back(rowFromRecord(record, name));
        if (rows.back().bold.empty()) {
            rows.back().bold = bold;
        }
        subjects.insert(name.entity("sub"));
        const json& report = record.is_object() && record.contains("report") ? record["report"] : json();
        if (report.is_object() && report.contains("alignment_check") && report["alignment_check"].is_array() &&
            !report["alignment_check"].empty()) {
            checks[stem] = report["alignment_check"][0];
        }
    }
    for (const auto& [stem, run] : listed) {
        if (!records.count(stem) && selection.selects(run.first)) {
            rows.push_back(rowWithoutRecord(run.first, run.second, "missing: no participant output yet"));
            missing.push_back(run.second);
        }
    }
    if (rows.empty()) {
        errors << "keldra: " << keldra::messageLine(outputFolder) << ": nothing to collect (no participant outputs)" << std::endl;
        return kGroupFailed;
    }
    sortRows(rows);
    std::vector<GroupRow> flagged = flaggedRows(rows);
    std::string error;
    if (!replaceFileContent(outputFolder, "group_bold.tsv", tableText(rows), error) ||
        !replaceFileContent(outputFolder, "group_bold.json", jsonText(tableSidecar()), error) ||
        !replaceFileContent(outputFolder, "group_desc-flagged_bold.tsv", tableText(flagged), error)) {
        errors << "keldra: " << keldra::messageLine(error) << std::endl;
        return kGroupFailed;
    }
    // The pages: the subject pages again (a participant task killed before it wrote its page
    // leaves the group page's links nowhere to go otherwise), then the group page.
    for (const std::string& subject : subjects) {
        if (!writeSubjectPage(outputFolder, subject, pageOptions, error)) {
            errors << "keldra: " << error << std::endl;
            return kGroupFailed;
        }
    }
    if (!writeGroupPage(outputFolder, rows, checks, pageOptions, error)) {
        errors << "keldra: " << error << std::endl;
        return kGroupFailed;
    }
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
    if (!missing.empty()) {
        errors << "keldra: " << missing.size() << (missing.size() == 1 ? " run has" : " runs have")
               << " no participant output yet:" << std::endl;
        for (const std::string& bold : missing) {
            errors << "  " << keldra::messageLine(bold) << std::endl;
        }
    }
    return kGroupWritten;
}

}  // namespace orvane::bids
