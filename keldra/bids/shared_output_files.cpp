// The dataset-level files of OUTPUT_DIR.
#include "keldra/bids/shared_output_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "keldra/bids/dataset_scan.h"
#include "keldra/bids/json_file.h"
#include "keldra/bids/tool_version.h"
#include "keldra/output/output_files.h"

namespace orvane::bids {

namespace fs = std::filesystem;
using nlohmann::json;

json derivativeDescription(const std::string& sourceDatasetFolder) {
    std::error_code ec;
    fs::path source = fs::canonical(sourceDatasetFolder, ec);
    if (ec) {
        source = fs::absolute(sourceDatasetFolder, ec);
    }
    return json{{"Name", "keldra alignment check"},
                {"BIDSVersion", "1.8.0"},
                {"DatasetType", "derivative"},
                {"GeneratedBy", json::array({json{{"Name", kToolName},
                                                  {"Version", kToolVersion},
                                                  {"Description",
                                                   "Checks that each bold run lines up with the subject's T1-weighted "
                                                   "anatomical by the position information of the headers alone."}}})},
                {"SourceDatasets", json::array({json{{"URL", "file://" + source.generic_string()}}})}};
}

std::string bidsIgnoreText() {
    return "# keldra's own files, which no BIDS rule describes\n"
           "*_qc.*\n"
           "group_*\n" +
           std::string(kRunListFileName) + "\nlogs/\n";
}

json runList(const Dataset& dataset) {
    json bolds = json::array();
    for (const DatasetFile& bold : dataset.bolds) {
        bolds.push_back(bold.relativePath);
    }
    return json{{"bold", bolds}};
}

bool replaceFileContent(const std::string& folder, const std::string& fileName, const std::string& content,
                        std::string& error) {
    const fs::path target = fs::path(folder) / fileName;
    {
        std::ifstream existing(target, std::ios::binary);
        if (existing) {
            std::string current((std::istreambuf_iterator<char>(existing)), std::istreambuf_iterator<char>());
            if (current == content) {
                return true;
            }
        }
    }
    keldra::OutputPolicy replacing;
    replacing.overwrite = true;
    return keldra::writeTextOutputFile(folder, fileName, replacing, content, "cannot be written", error);
}

bool writeSharedOutputFiles(const std::string& outputFolder, const Dataset& dataset, std::string& error) {
    return replaceFileContent(outputFolder, "dataset_description.json", jsonText(derivativeDescription(dataset.root)),
                              error) &&
           replaceFileContent(outputFolder, ".bidsignore", bidsIgnoreText(), error) &&
           replaceFileContent(outputFolder, kRunListFileName, jsonText(runList(dataset)), error);
}

}  // namespace orvane::bids
