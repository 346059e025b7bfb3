// Building a run's record.
#include "keldra/bids/run_record.h"

#include <filesystem>
#include <system_error>

#include "keldra/bids/json_file.h"
#include "keldra/bids/tool_version.h"

namespace orvane::bids {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The name a path of the work folder gets, by its file name; empty when it is not kept.
std::string renamedOutput(const std::string& path, const std::vector<std::pair<std::string, std::string>>& renamed) {
    const std::string fileName = fs::path(path).filename().string();
    for (const auto& [workName, outputName] : renamed) {
        if (workName == fileName) {
            return outputName;
        }
    }
    return {};
}

}  // namespace

json reportForRecord(json report, const std::string& anatomicalPath, const std::string& anatomicalRelative,
                     const std::string& boldPath, const std::string& boldRelative,
                     const std::vector<std::pair<std::string, std::string>>& renamed) {
    auto relativeInput = [&](json& value) {
        if (value.is_string()) {
            if (value == anatomicalPath) {
                value = anatomicalRelative;
            } else if (value == boldPath) {
                value = boldRelative;
            }
        }
    };
    if (report.contains("inputs") && report["inputs"].is_array()) {
        for (json& input : report["inputs"]) {
            if (input.is_object() && input.contains("file")) {
                relativeInput(input["file"]);
            }
        }
    }
    if (report.contains("alignment_check") && report["alignment_check"].is_array()) {
        for (json& check : report["alignment_check"]) {
            if (check.is_object() && check.contains("functional")) {
                relativeInput(check["functional"]);
            }
        }
    }
    if (report.contains("outputFiles") && report["outputFiles"].is_array()) {
        json kept = json::array();
        for (const json& file : report["outputFiles"]) {
            if (file.is_string()) {
                std::string name = renamedOutput(file.get<std::string>(), renamed);
                if (!name.empty()) {
                    kept.push_back(name);
                }
            }
        }
        report["outputFiles"] = kept;
    }
    return report;
}

json sidecarFacts(const DatasetFile& bold, std::vector<std::string>& warnings) {
    json facts = json::object();
    fs::path image(bold.path);
    std::string sidecarName = image.filename().string();
    sidecarName = sidecarName.substr(0, sidecarName.size() - bold.name.extension.size()) + ".json";
    const fs::path sidecar = image.parent_path() / sidecarName;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(sidecar, ec))) {
        return facts;
    }
    json value;
    std::string problem;
    JsonLimits limits;
    limits.maxBytes = 1 << 20;
    if (!readJsonFile(sidecar.string(), limits, value, problem)) {
        warnings.push_back(sidecarName + ": " + problem + "; its metadata is not used");
        return facts;
    }
    if (!value.is_object()) {
        warnings.push_back(sidecarName + ": not a JSON object; its metadata is not used");
        return facts;
    }
    for (const char* key : {"TaskName", "RepetitionTime", "EchoTime", "PhaseEncodingDirection", "SliceEncodingDirection"}) {
        if (value.contains(key) && (value[key].is_number() || value[key].is_string())) {
            facts[key] = value[key];
        }
    }
    return facts;
}

json runRecord(const RunRecordFacts& facts) {
    json entities = json::object();
    for (const auto& [key, value] : facts.bold->name.entities) {
        entities[key] = value;
    }
    json record = {
        {"bold", facts.bold->relativePath},
        {"entities", entities},
        {"anatomical", facts.anatomical.anatomical ? json(facts.anatomical.anatomical->relativePath) : json(nullptr)},
        {"anatomical_rule", facts.anatomical.rule},
        {"anatomical_candidates", facts.anatomical.candidates},
        {"checked", facts.checked},
        {"reason", facts.checked ? json(nullptr) : json(facts.reason)},
        {"report", facts.report},
        {"files", facts.files},
        {"sidecar", facts.sidecar},
        {"warnings", facts.warnings},
        {"GeneratedBy", json{{"Name", kToolName}, {"Version", kToolVersion}}},
        {"seconds", facts.seconds},
    };
    return record;
}

}  // namespace orvane::bids
