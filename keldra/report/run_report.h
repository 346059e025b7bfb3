// DIR/report.json: what a pipeline needs to check a run without reading the log. It holds who
// made it and when (keldra's version, the plug-in's name and version, the start in UTC), the
// inputs (file as given and absolute, grid, voxel size, transform used and its matrix), the
// mapping asked for and the one carried out (with the reason when they differ), the warnings,
// the initial alignment matrices the host handed out, every matrix the plug-in logged (and the
// final ones among them) exactly as logged, the voxels the run changed, the files written and
// the result.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keldra/output/output_files.h"
#include "keldra/host/plugin_module.h"
#include "keldra/host/plugin_run.h"
#include "keldra/workspace/warning.h"

namespace orvane::keldra {

constexpr const char* kReportFileName = "report.json";

struct ReportFacts {
    std::time_t started = 0;              // when the run began
    PluginMetadata plugin;
    std::string pluginPath;               // the module loaded, as given or found
    std::optional<int> requestedMapping;  // --mapping, when given
    std::vector<Warning> warnings;        // every warning of the run, in the order they arose
    std::vector<std::string> outputFiles; // every file keldra wrote for this run, report excluded
    int exitCode = 0;
    std::string message;                  // keldra's closing words when it did not succeed
    // The alignment check's array (alignment_check_step.h); null when the check did not run.
    nlohmann::json alignmentCheck;
};

// The mapping the plug-in started, recognised by the line it logs on starting it.
std::optional<int> performedMapping(const std::vector<std::string>& logEntries);

// The mapping the plug-in carried out: the one it started, except that mapping 3 without a
// second functional falls back to mapping 1, which `reason` then explains.
struct CarriedOutMapping {
    std::optional<int> mapping;
    std::string reason;
};
CarriedOutMapping carriedOutMapping(const std::vector<std::string>& logEntries);

// The warning when the mapping carried out is not the one asked for; nothing otherwise.
std::optional<Warning> mappingChangedWarning(std::optional<int> requested, const std::vector<std::string>& logEntries);

// A moment as an ISO 8601 UTC timestamp, such as 2024-05-01T09:30:00Z.
std::string utcTimestamp(std::time_t moment);

nlohmann::json runReport(const RunOutcome& outcome, const ReportFacts& facts);

// The report's `inputs`: per document its file, grid, voxel size, transform used and its matrix.
nlohmann::json describeInputs(const Workspace& workspace);

// Warnings as report.json holds them: objects with "code", "file" and "sentence".
nlohmann::json warningsJson(const std::vector<Warning>& warnings);

// Writes the report as folder/report.json through the safe writer of output_files.h, as valid
// UTF-8 whatever bytes the file names in it hold.
bool writeReport(const std::string& folder, const nlohmann::json& report, std::string& path, std::string& error,
                 const OutputPolicy& policy = {});

}  // namespace orvane::keldra
