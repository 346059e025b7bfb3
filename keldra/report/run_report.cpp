// Assembling and writing report.json.
#include "keldra/report/run_report.h"

#include <filesystem>
#include <system_error>

#include "keldra/report/keldra_version.h"
#include "keldra/report/logged_matrices.h"
#include "keldra/report/run_pictures.h"

namespace orvane::keldra {
namespace {

using nlohmann::json;

json rows(const Affine& a) {
    json out = json::array();
    for (const auto& row : a.m) {
        out.push_back({row[0], row[1], row[2], row[3]});
    }
    return out;
}

template <typename T>
json rows(const T& elements) {
    json out = json::array();
    for (std::size_t r = 0; r < 4; ++r) {
        out.push_back({elements[4 * r], elements[4 * r + 1], elements[4 * r + 2], elements[4 * r + 3]});
    }
    return out;
}

json describeInput(int index, const Document& document) {
    const DocumentGeometry& g = std::visit([](const auto& d) -> const DocumentGeometry& { return d.geometry; }, document);
    json input;
    input["document"] = index + 1;
    input["type"] = std::holds_alternative<VmrDocument>(document) ? "VMR" : "FMR";
    input["file"] = documentSource(document);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(documentSource(document), ec);
    input["absolutePath"] = !ec && std::filesystem::exists(absolute, ec) ? json(absolute.lexically_normal().string())
                                                                          : json(nullptr);
    input["grid"] = {g.grid[0], g.grid[1], g.grid[2]};
    input["voxelSizeMm"] = {g.voxelSize[0], g.voxelSize[1], g.voxelSize[2]};
    input["transform"] = affineSourceName(g.source);
    input["transformCode"] = g.transformCode;
    input["voxelToWorld"] = rows(g.voxelToWorld);
    if (const auto* fmr = std::get_if<FmrDocument>(&document)) {
        input["volumes"] = fmr->volumes;
    }
    return input;
}

// Per document, how many of its voxels the run changed.
json voxelsChanged(const RunOutcome& outcome) {
    json changed = json::array();
    for (std::size_t i = 0; i < outcome.before.documents.size() && i < outcome.after.documents.size(); ++i) {
        long count = 0;
        const Document& before = outcome.before.documents[i];
        const Document& after = outcome.after.documents[i];
        if (std::holds_alternative<VmrDocument>(before) && std::holds_alternative<VmrDocument>(after)) {
            count = changedVoxels(std::get<VmrDocument>(before), std::get<VmrDocument>(after));
        } else if (std::holds_alternative<FmrDocument>(before) && std::holds_alternative<FmrDocument>(after)) {
            count = changedVoxels(std::get<FmrDocument>(before), std::get<FmrDocument>(after));
        }
        changed.push_back({{"document", i + 1}, {"voxels", count}});
    }
    return changed;
}

// How the run went and how keldra ended.
json resultOf(const RunOutcome& outcome, const ReportFacts& facts) {
    json result;
    result["pluginCreated"] = outcome.created;
    result["initialised"] = outcome.initialised;
    result["executed"] = outcome.executed;
    bool finished = false;
    for (const std::string& entry : outcome.logEntries) {
        finished = finished || entry.rfind("Finished.", 0) == 0;
    }
    result["finished"] = finished;
    result["windowRefreshes"] = outcome.refreshCount;
    result["hostProblems"] = outcome.hostProblems;
    result["exitCode"] = facts.exitCode;
    if (!facts.message.empty()) {
        result["message"] = facts.message;
    }
    return result;
}

}  // namespace

std::optional<int> performedMapping(const std::vector<std::string>& logEntries) {
    static const std::pair<const char*, int> kLines[] = {
        {"Projecting FMRs in VMR", 1},
        {"Projecting VMR in FMR", 2},
        {"Projecting FMR1,FMR2->VMR and FMR2->FMR1", 3},
    };
    for (const std::string& entry : logEntries) {
        std::string text = entry;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        for (const auto& [line, mapping] : kLines) {
            if (text == line) {
                return mapping;
            }
        }
    }
    return std::nullopt;
}

json describeInputs(const Workspace& workspace) {
    json inputs = json::array();
    for (std::size_t i = 0; i < workspace.documents.size(); ++i) {
        inputs.push_back(describeInput(static_cast<int>(i), workspace.documents[i]));
    }
    return inputs;
}

CarriedOutMapping carriedOutMapping(const std::vector<std::string>& logEntries) {
    CarriedOutMapping carried;
    carried.mapping = performedMapping(logEntries);
    if (carried.mapping == 3) {
        for (const std::string& entry : logEntries) {
            if (entry.rfind("No second FMR available", 0) == 0) {
                carried.mapping = 1;
                carried.reason = "mapping 3 needs a second functional and the workspace has only one, so the plug-in "
                                 "projected the functional into the anatomical (mapping 1)";
            }
        }
    }
    return carried;
}

std::optional<Warning> mappingChangedWarning(std::optional<int> requested, const std::vector<std::string>& logEntries) {
    const CarriedOutMapping carried = carriedOutMapping(logEntries);
    if (!carried.mapping || carried.reason.empty() || (requested && *requested == *carried.mapping)) {
        return std::nullopt;
    }
    return Warning{warning_code::kMappingChanged, "", carried.reason, ""};
}

json warningsJson(const std::vector<Warning>& warnings) {
    json list = json::array();
    for (const Warning& warning : warnings) {
        list.push_back({{"code", warning.code}, {"file", warning.file}, {"sentence", warning.sentence}});
    }
    return list;
}

std::string utcTimestamp(std::time_t moment) {
    std::tm parts{};
#if defined(_WIN32)
    gmtime_s(&parts, &moment);
#else
    gmtime_r(&moment, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

json runReport(const RunOutcome& outcome, const ReportFacts& facts) {
    json report;
    report["keldra"] = {{"version", kKeldraVersion}};
    std::error_code ec;
    const std::filesystem::path module = std::filesystem::absolute(facts.pluginPath, ec);
    report["plugin"] = {{"file", ec ? facts.pluginPath : module.lexically_normal().string()},
                        {"name", facts.plugin.name},
                        {"version", facts.plugin.version}};
    report["startedUtc"] = utcTimestamp(facts.started);
    report["inputs"] = describeInputs(outcome.before);
    report["mappingRequested"] = facts.requestedMapping ? json(*facts.requestedMapping) : json(nullptr);
    const CarriedOutMapping carried = carriedOutMapping(outcome.logEntries);
    report["mapping"] = carried.mapping ? json(*carried.mapping) : json(nullptr);
    report["mappingReason"] = carried.reason.empty() ? json(nullptr) : json(carried.reason);
    report["warnings"] = warningsJson(facts.warnings);

    report["initialAlignments"] = json::array();
    for (const InitialAlignmentRecord& record : outcome.initialAlignments) {
        report["initialAlignments"].push_back({{"fmrDocument", record.fmrDocument + 1}, {"matrix", rows(record.matrix)}});
    }
    report["loggedMatrices"] = json::array();
    report["finalMatrices"] = json::array();
    for (const LoggedMatrix& m : loggedMatrices(outcome.logEntries)) {
        const json entry = {{"caption", m.caption}, {"matrix", rows(m.elements)}};
        report["loggedMatrices"].push_back(entry);
        if (m.caption.rfind("Final", 0) == 0) {
            report["finalMatrices"].push_back(entry);
        }
    }

    report["voxelsChanged"] = voxelsChanged(outcome);

    json saved = json::array();
    for (const SavedDocument& s : outcome.savedDocuments) {
        saved.push_back({{"document", s.document + 1}, {"file", s.path}, {"dataChecksum", s.dataChecksum}});
    }
    report["savedByPlugin"] = saved;
    report["outputFiles"] = facts.outputFiles;
    if (!facts.alignmentCheck.is_null()) {
        report["alignment_check"] = facts.alignmentCheck;
    }

    report["result"] = resultOf(outcome, facts);
    return report;
}

bool writeReport(const std::string& folder, const json& report, std::string& path, std::string& error,
                 const OutputPolicy& policy) {
    path = (std::filesystem::path(folder) / kReportFileName).string();
    // File names come from the file system, which does not promise UTF-8; bytes that are not are
    // written as U+FFFD, so a foreign name cannot stop the report (the files are still opened
    // by their real names).
    const std::string text = report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    return writeTextOutputFile(folder, kReportFileName, policy, text, "it cannot be written", error);
}

}  // namespace orvane::keldra
