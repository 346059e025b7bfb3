// The files of OUTPUT_DIR that every participant task writes: dataset_description.json,
// .bidsignore and bold_runs.json, the list of every bold file of the dataset, from which the
// group level knows which runs are still missing without reading the dataset. Many tasks may
// start at once on one OUTPUT_DIR: each writes the same content under a temporary name and
// moves it into place in one step, and leaves a file that already holds that content alone,
// so a reader sees an old complete file or a new complete one, never a mixture.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace orvane::bids {

struct Dataset;

constexpr const char* kRunListFileName = "bold_runs.json";

nlohmann::json derivativeDescription(const std::string& sourceDatasetFolder);
std::string bidsIgnoreText();
nlohmann::json runList(const Dataset& dataset);

// Writes the three files into `outputFolder` (which exists). False with the reason in `error`.
bool writeSharedOutputFiles(const std::string& outputFolder, const Dataset& dataset, std::string& error);

// Makes `folder`/`fileName` hold `content`: untouched when it already does, else written to disk
// under a temporary name of this process (keldra/output/temporary_files.h: writers on several
// machines sharing the folder never share one) and renamed into place, replacing what was there.
bool replaceFileContent(const std::string& folder, const std::string& fileName, const std::string& content,
                        std::string& error);

}  // namespace orvane::bids
