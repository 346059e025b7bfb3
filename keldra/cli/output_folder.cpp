// Checking and creating the output folder.
#include "keldra/cli/output_folder.h"

#include <filesystem>
#include <system_error>

namespace orvane::keldra {

bool checkOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    const std::filesystem::path path(folder);
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec)) {
        error = folder + ": the output folder is a file";
        return false;
    }
    return true;
}

bool outputsAreFree(const std::string& folder, const std::vector<std::string>& names, const OutputPolicy& policy,
                    std::string& error) {
    for (const std::string& name : names) {
        if (!mayWriteOutput((std::filesystem::path(folder) / name).string(), policy, error)) {
            error += "; choose another --out folder";
            return false;
        }
    }
    return true;
}

bool createOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder), ec);
    if (ec) {
        error = folder + ": the output folder cannot be created: " + ec.message();
        return false;
    }
    return true;
}

}  // namespace orvane::keldra
