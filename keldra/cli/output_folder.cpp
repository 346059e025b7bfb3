// Checking and creating the output folder.
#include "keldra/cli/output_folder.h"

#include <filesystem>
#include <system_error>

#include "keldra/output/file_system.h"

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

bool checkOutputFolderWritable(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::path existing = std::filesystem::absolute(std::filesystem::path(folder), ec);
    if (ec) {
        return true;  // the creation of the folder will say what is wrong
    }
    while (!std::filesystem::exists(existing, ec) && existing.has_parent_path() && existing != existing.parent_path()) {
        existing = existing.parent_path();
    }
    std::string reason;
    if (!std::filesystem::is_directory(existing, ec) || canCreateFileIn(existing.string(), reason)) {
        return true;
    }
    const bool exists = std::filesystem::exists(std::filesystem::path(folder), ec);
    error = folder + ": the output folder cannot be " +
            (exists ? "written" : "created in " + existing.string()) + " (" + reason + "); choose another --out folder";
    return false;
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
