// Building a run's record.
#include "keldra/bids/run_record.h"

#include <algorithm>
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

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

json reportForRecord(json report, const std::string& anatomicalPath, const std::string& anatomicalRelative,
                     const std::string& boldPath, const std::string& boldRelative,
                     const std::vector<std::pair<std::string, std::string>>& renamed) {
    // The report names the inputs as keldra wrote them, valid UTF-8 whatever the folders' names.
    const std::string anatomicalInReport = asWrittenInJson(anatomicalPath);
    const std::string boldInReport = asWrittenInJson(boldPath);
    auto relativeInput = [&](json& value) {
        if (value.is_string()) {
            if (value == anatomicalPath || value == anatomicalInReport) {
                value = anatomicalRelative;
            } else if (value == boldPath || value == boldInReport) {
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
    if (report.contains("warnings") && report["warnings"].is_array()) {
        for (json& warning : report["warnings"]) {
            if (!warning.is_object()) {
                continue;
            }
            if (warning.contains("file")) {
                relativeInput(warning["file"]);
            }
            if (warning.contains("sentence") && warning["sentence"].is_string()) {
                std::string sentence = warning["sentence"];
                sentence = replaceAll(sentence, anatomicalPath, anatomicalRelative);
                warning["sentence"] = replaceAll(sentence, boldPath, boldRelative);
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

namespace {

// A bold sidecar's name; above the subject's folder it has no sub- entity.
bool parseSidecarName(const std::string& fileName, BidsName& name) {
    std::string problem;
    const bool hasSubject = fileName.rfind("sub-", 0) == 0;
    if (!parseBidsName(hasSubject ? fileName : "sub-x_" + fileName, name, problem)) {
        return false;
    }
    if (!hasSubject) {
        name.entities.erase(name.entities.begin());
    }
    return name.suffix == "bold" && name.extension == ".json";
}

// The sidecars that apply to `bold` by the inheritance principle, from the dataset's top
// folder down to the image's own folder and, within a folder, from the fewest entities to the
// most: bold sidecars all of whose entities the image shares. Later ones override earlier.
std::vector<fs::path> applicableSidecars(const DatasetFile& bold) {
    std::vector<fs::path> folders;
    fs::path folder = fs::path(bold.path).parent_path();
    for (fs::path part = fs::path(bold.relativePath).parent_path(); !part.empty(); part = part.parent_path()) {
        folders.insert(folders.begin(), folder);
        folder = folder.parent_path();
    }
    folders.insert(folders.begin(), folder);

    std::vector<fs::path> sidecars;
    for (const fs::path& level : folders) {
        std::vector<std::pair<std::size_t, fs::path>> here;
        std::error_code ec;
        fs::directory_iterator it(level, ec);
        for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
            BidsName name;
            if (!parseSidecarName(it->path().filename().string(), name)) {
                continue;
            }
            bool shared = true;
            for (const auto& [key, value] : name.entities) {
                shared = shared && bold.name.entity(key) == value;
            }
            if (shared) {
                here.emplace_back(name.entities.size(), it->path());
            }
        }
        std::sort(here.begin(), here.end());
        for (const auto& entry : here) {
            sidecars.push_back(entry.second);
        }
    }
    return sidecars;
}

}  // namespace

json sidecarFacts(const DatasetFile& bold, std::vector<std::string>& warnings) {
    json facts = json::object();
    for (const fs::path& sidecar : applicableSidecars(bold)) {
        json value;
        std::string problem;
        JsonLimits limits;
        limits.maxBytes = 1 << 20;
        const std::string name = sidecar.filename().string();
        if (!readJsonFile(sidecar.string(), limits, value, problem)) {
            warnings.push_back(name + ": " + problem + "; its metadata is not used");
            continue;
        }
        if (!addSidecarFacts(value, facts)) {
            warnings.push_back(name + ": not a JSON object; its metadata is not used");
        }
    }
    return facts;
}

bool addSidecarFacts(const json& sidecar, json& facts) {
    if (!sidecar.is_object()) {
        return false;
    }
    for (const char* key : {"TaskName", "RepetitionTime", "EchoTime", "PhaseEncodingDirection", "SliceEncodingDirection"}) {
        const auto found = sidecar.find(key);
        if (found != sidecar.end() && (found->is_number() || found->is_string())) {
            facts[key] = *found;
        }
    }
    return true;
}

bool recordSaysChecked(const json& record) {
    if (!record.is_object()) {
        return false;
    }
    const auto checked = record.find("checked");
    return checked != record.end() && checked->is_boolean() && checked->get<bool>();
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
