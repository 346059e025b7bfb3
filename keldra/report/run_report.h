// DIR/report.json: what a pipeline needs to check a run without reading the log. It holds the
// inputs (file, grid, voxel size, transform used and its matrix), the mapping the plug-in
// performed, the initial alignment matrices the host handed out, every matrix the plug-in
// logged (and the final ones among them) exactly as logged, the voxels the run changed, the
// files written and the result.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keldra/output/output_files.h"
#include "keldra/host/plugin_run.h"

namespace orvane::keldra {

constexpr const char* kReportFileName = "report.json";

struct ReportFacts {
    std::optional<int> requestedMapping;  // --mapping, when given
    std::vector<std::string> outputFiles; // every file keldra wrote for this run, report excluded
    int exitCode = 0;
    std::string message;                  // keldra's closing words when it did not succeed
    // The alignment check's array (alignment_check_step.h); null when the check did not run.
    nlohmann::json alignmentCheck;
};

// The mapping the plug-in performed, recognised by the line it logs on starting it.
std::optional<int> performedMapping(const std::vector<std::string>& logEntries);

nlohmann::json runReport(const RunOutcome& outcome, const ReportFacts& facts);

// The report's `inputs`: per document its file, grid, voxel size, transform used and its matrix.
nlohmann::json describeInputs(const Workspace& workspace);

// Writes the report as folder/report.json through the safe writer of output_files.h.
bool writeReport(const std::string& folder, const nlohmann::json& report, std::string& path, std::string& error,
                 const OutputPolicy& policy = {});

}  // namespace orvane::keldra
