// Building the subject and group pages from run records.
#include "keldra/bids/bids_pages.h"

#include <filesystem>
#include <fstream>

#include "keldra/bids/json_file.h"
#include "keldra/bids/output_layout.h"
#include "keldra/bids/record_files.h"
#include "keldra/bids/shared_output_files.h"
#include "keldra/report/group_page.h"
#include "keldra/report/html_markup.h"
#include "keldra/report/run_page.h"

namespace orvane::bids {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A page shows at most this much of a run's log; the whole log is beside it.
constexpr std::size_t kLogShown = 256 * 1024;

// The pictures a run draws, by the names it gives them in its own output folder.
const char* const kRunPictures[] = {"alignment.png",   "before.png",      "after.png",      "alignment_fmr.png",
                                    "check.png",       "checkerboard.png", "fmr1_before.png", "fmr1_after.png"};

std::string text(const json& object, const char* key) {
    return object.is_object() && object.contains(key) && object[key].is_string() ? object[key].get<std::string>()
                                                                                  : std::string();
}

std::vector<std::string> recordFiles(const json& record) {
    std::vector<std::string> files;
    if (record.is_object() && record.contains("files") && record["files"].is_array()) {
        for (const json& file : record["files"]) {
            if (file.is_string()) {
                files.push_back(file.get<std::string>());
            }
        }
    }
    return files;
}

// The start of the run's log, read from its file under OUTPUT_DIR.
std::string runLog(const fs::path& outputFolder, const BidsName& bold, const std::vector<std::string>& files) {
    const std::string logName = outputFileName(bold, "log.txt");
    for (const std::string& file : files) {
        if (fs::path(file).filename() == logName) {
            std::ifstream in(outputFolder / file, std::ios::binary);
            std::string log(kLogShown, '\0');
            in.read(log.data(), static_cast<std::streamsize>(log.size()));
            log.resize(static_cast<std::size_t>(in.gcount()));
            if (log.size() == kLogShown) {
                log += "\n[the rest is in " + file + "]\n";
            }
            return log;
        }
    }
    return {};
}

keldra::RunSection runSection(const fs::path& outputFolder, const std::string& stem, const BidsName& bold,
                              const json& record, const std::string& problem) {
    keldra::RunSection section;
    section.id = stem;
    section.title = stem;
    if (!problem.empty()) {
        section.notCheckedReason = "the participant output cannot be read: " + problem;
        return section;
    }
    const std::vector<std::string> files = recordFiles(record);
    for (const char* picture : kRunPictures) {
        const std::string name = outputFileName(bold, picture);
        for (const std::string& file : files) {
            if (fs::path(file).filename() == name) {
                section.pictures[picture] = keldra::urlPath(file);
            }
        }
    }
    const bool checked = record.is_object() && record.contains("checked") && record["checked"] == true;
    if (checked && record.contains("report")) {
        section.report = record["report"];
    } else {
        section.notCheckedReason = text(record, "reason").empty() ? "not checked (no reason recorded)" : text(record, "reason");
    }
    section.log = runLog(outputFolder, bold, files);
    for (const auto& [label, key] : {std::pair<const char*, const char*>{"Bold file", "bold"},
                                     {"Anatomical", "anatomical"},
                                     {"Why that anatomical", "anatomical_rule"}}) {
        if (!text(record, key).empty()) {
            section.facts.emplace_back(label, text(record, key));
        }
    }
    if (record.is_object() && record.contains("sidecar") && record["sidecar"].is_object()) {
        for (const auto& [key, value] : record["sidecar"].items()) {
            section.facts.emplace_back(key, value.is_string() ? value.get<std::string>() : value.dump());
        }
    }
    if (record.is_object() && record.contains("warnings") && record["warnings"].is_array()) {
        for (const json& warning : record["warnings"]) {
            if (warning.is_string()) {
                section.warnings.push_back(warning.get<std::string>());
            }
        }
    }
    return section;
}

}  // namespace

std::string subjectPageName(const std::string& subject) { return "sub-" + subject + ".html"; }

bool writeSubjectPage(const std::string& outputFolder, const std::string& subject,
                      const keldra::PageOptions& options, std::string& error) {
    const std::map<std::string, fs::path> records = findRecords(outputFolder, subject);
    if (records.empty()) {
        return true;
    }
    struct Entry {
        json record;
        std::string problem;
    };
    std::map<std::string, Entry> entries;
    std::vector<GroupRow> rows;
    for (const auto& [stem, file] : records) {
        BidsName name;
        std::string problem;
        if (!parseBidsName(stem + "_bold", name, problem)) {
            continue;
        }
        Entry entry;
        JsonLimits limits;
        limits.maxBytes = std::uint64_t{64} << 20;
        readJsonFile(file.string(), limits, entry.record, entry.problem);
        rows.push_back(rowFromRecord(entry.record, name));
        entries[stem] = std::move(entry);
    }
    sortRows(rows);
    keldra::RunPage page;
    page.title = "sub-" + subject + ": " + std::to_string(rows.size()) + (rows.size() == 1 ? " run" : " runs");
    page.introduction = "keldra's alignment check of each bold run of subject " + subject +
                        " against its anatomical, one section per run.";
    for (const GroupRow& row : rows) {
        const std::string stem = row.name.entityStem();
        const Entry& entry = entries[stem];
        page.sections.push_back(runSection(outputFolder, stem, row.name, entry.record, entry.problem));
    }
    return replaceFileContent(outputFolder, subjectPageName(subject), keldra::runPageDocument(page, options), error);
}

bool writeGroupPage(const std::string& outputFolder, const std::vector<GroupRow>& rows,
                    const std::map<std::string, json>& checks, const keldra::PageOptions& options,
                    std::string& error) {
    keldra::GroupPage page;
    page.title = "Alignment of " + std::to_string(rows.size()) + (rows.size() == 1 ? " run" : " runs");
    page.introduction = "keldra's alignment check of every bold run in " + fs::path(outputFolder).filename().string() +
                        ", from the participant outputs. Each run links to its section of its subject's page.";
    bool thresholdsFound = false;
    for (const GroupRow& row : rows) {
        keldra::GroupPageRun run;
        run.id = row.name.entityStem();
        run.bold = row.bold;
        run.subject = row.name.entity("sub");
        run.session = row.name.entity("ses");
        run.task = row.name.entity("task");
        run.acq = row.name.entity("acq");
        run.run = row.name.entity("run");
        run.echo = row.name.entity("echo");
        run.verdict = row.verdict;
        run.reason = row.reason;
        for (std::size_t i = 0; i < 3; ++i) {
            run.shiftMm[i] = row.shift[i];
        }
        run.shiftLengthMm = row.shiftLength;
        run.rmsDisplacementMm = row.rmsDisplacement;
        run.nmiAtHeader = row.nmiAtHeader;
        run.nmiAtBest = row.nmiAtBest;
        run.flipSuspected = row.flipSuspected;
        run.headCoverage = row.headCoverage;
        run.href = subjectPageName(run.subject) + "#" + keldra::fragmentId(run.id);
        const auto check = checks.find(run.id);
        if (check != checks.end() && check->second.is_object()) {
            const json& c = check->second;
            if (run.reason.empty() && c.contains("reasons") && c["reasons"].is_array()) {
                for (const json& reason : c["reasons"]) {
                    if (reason.is_string()) {
                        run.reason += (run.reason.empty() ? "" : "; ") + reason.get<std::string>();
                    }
                }
            }
            const json& t = c.contains("thresholds") ? c["thresholds"] : json();
            if (!thresholdsFound && t.is_object() && t.contains("aligned_max_shift_mm") &&
                t["aligned_max_shift_mm"].is_number() && t.contains("misaligned_min_shift_mm") &&
                t["misaligned_min_shift_mm"].is_number()) {
                page.thresholds.alignedMaxMm = t["aligned_max_shift_mm"].get<double>();
                page.thresholds.misalignedMinMm = t["misaligned_min_shift_mm"].get<double>();
                thresholdsFound = true;
            }
        }
        page.runs.push_back(std::move(run));
    }
    return replaceFileContent(outputFolder, kGroupPageName, keldra::groupPageDocument(page, options), error);
}

}  // namespace orvane::bids
