// Walking a BIDS dataset's subject folders.
#include "keldra/bids/dataset_scan.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "keldra/bids/json_file.h"

namespace orvane::bids {

namespace {

namespace fs = std::filesystem;

class Scan {
public:
    explicit Scan(Dataset& dataset) : dataset_(dataset) {}

    void subjectFolder(const fs::path& folder, const std::string& subject) {
        if (!enterOnce(folder)) {
            return;
        }
        for (const auto& [entryName, entry] : sortedEntries(folder, &dataset_.warnings)) {
            if (isFolder(entry) && entryName.rfind("ses-", 0) == 0 && isBidsLabel(entryName.substr(4))) {
                if (enterOnce(entry)) {
                    for (const auto& [dataType, typeFolder] : sortedEntries(entry, &dataset_.warnings)) {
                        dataTypeFolder(typeFolder, dataType, subject, entryName.substr(4));
                    }
                }
            } else {
                dataTypeFolder(entry, entryName, subject, "");
            }
        }
    }

    static std::vector<std::pair<std::string, fs::path>> sortedEntries(const fs::path& folder,
                                                                     std::vector<std::string>* warnings) {
        std::vector<std::pair<std::string, fs::path>> entries;
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (!name.empty() && name[0] != '.') {
                entries.emplace_back(name, it->path());
            }
        }
        if (ec && warnings) {
            warnings->push_back(folder.string() + ": cannot be read (" + ec.message() + ")");
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    static bool isFolder(const fs::path& path) {
        std::error_code ec;
        return fs::is_directory(path, ec);
    }

private:
    bool enterOnce(const fs::path& folder) {
        // The canonical path resolves every link, so two names of one folder give the same one.
        std::error_code ec;
        fs::path canonical = fs::canonical(folder, ec);
        if (ec) {
            dataset_.warnings.push_back(relative(folder) + ": cannot be read (" + ec.message() + "); skipped");
            return false;
        }
        if (!entered_.insert(canonical.string()).second) {
            dataset_.warnings.push_back(relative(folder) + ": the same folder as one already read (through a link); skipped");
            return false;
        }
        return true;
    }

    std::string relative(const fs::path& path) const {
        return path.lexically_relative(fs::path(dataset_.root)).generic_string();
    }

    void dataTypeFolder(const fs::path& folder, const std::string& dataType, const std::string& subject,
                        const std::string& session) {
        if ((dataType != "anat" && dataType != "func") || !isFolder(folder) || !enterOnce(folder)) {
            return;
        }
        for (const auto& [fileName, path] : sortedEntries(folder, &dataset_.warnings)) {
            BidsName name;
            std::string problem;
            if (!parseBidsName(fileName, name, problem)) {
                if (fileName.find("_bold.") != std::string::npos || fileName.find("_T1w.") != std::string::npos) {
                    dataset_.warnings.push_back(relative(path) + ": " + problem + "; skipped");
                }
                continue;
            }
            const bool wanted = name.isImage() && ((dataType == "anat" && name.suffix == "T1w") ||
                                                   (dataType == "func" && name.suffix == "bold"));
            if (!wanted) {
                continue;
            }
            if (name.entity("sub") != subject || name.entity("ses") != session) {
                dataset_.warnings.push_back(relative(path) + ": its sub- or ses- entity does not match its folder; skipped");
                continue;
            }
            addImage(path, std::move(name), dataType == "anat" ? dataset_.anatomicals : dataset_.bolds);
        }
    }

    void addImage(const fs::path& path, BidsName name, std::vector<DatasetFile>& into) {
        DatasetFile file;
        file.path = path.string();
        file.relativePath = relative(path);
        std::error_code ec;
        fs::file_status target = fs::status(path, ec);
        if (!fs::exists(target)) {
            if (!fs::is_symlink(fs::symlink_status(path, ec))) {
                return;
            }
            file.content = ContentState::NotRetrieved;
            file.linkTarget = fs::read_symlink(path, ec).string();
        } else if (!fs::is_regular_file(target)) {
            dataset_.warnings.push_back(file.relativePath + ": not a regular file; skipped");
            return;
        }
        // One image per set of entities: a .nii beside a .nii.gz of the same name would give
        // two runs the same outputs.
        for (const DatasetFile& other : into) {
            if (other.name.entityStem() == name.entityStem() && other.name.suffix == name.suffix) {
                dataset_.warnings.push_back(file.relativePath + ": the same entities as " + other.relativePath +
                                            "; skipped");
                return;
            }
        }
        file.name = std::move(name);
        into.push_back(std::move(file));
    }

    Dataset& dataset_;
    std::set<std::string> entered_;
};

}  // namespace

bool scanDataset(const std::string& root, Dataset& dataset, std::string& error) {
    dataset = Dataset();
    dataset.root = root;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        error = root + ": not a folder";
        return false;
    }
    const std::string description = (fs::path(root) / "dataset_description.json").string();
    if (!fs::exists(fs::symlink_status(description, ec))) {
        error = root + ": not a BIDS dataset (it has no dataset_description.json)";
        return false;
    }
    nlohmann::json unused;
    JsonLimits limits;
    limits.maxBytes = 1 << 20;
    if (!readJsonFile(description, limits, unused, error)) {
        error = description + ": " + error;
        return false;
    }
    Scan scan(dataset);
    for (const auto& [name, path] : Scan::sortedEntries(root, &dataset.warnings)) {
        if (name.rfind("sub-", 0) == 0 && isBidsLabel(name.substr(4)) && Scan::isFolder(path)) {
            dataset.subjects.push_back(name.substr(4));
            scan.subjectFolder(path, name.substr(4));
        }
    }
    return true;
}

}  // namespace orvane::bids
