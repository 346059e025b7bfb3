// Finding run records.
#include "keldra/bids/record_files.h"

#include <system_error>
#include <vector>

#include "keldra/bids/output_layout.h"

namespace orvane::bids {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> visibleEntries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        if (!isTemporaryName(it->path().filename().string())) {
            entries.push_back(it->path());
        }
    }
    return entries;
}

}  // namespace

std::map<std::string, fs::path> findRecords(const fs::path& outputFolder, const std::string& subject) {
    std::map<std::string, fs::path> records;
    const std::string ending = kRecordEnding;
    auto funcFolder = [&](const fs::path& folder) {
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            return;
        }
        for (const fs::path& file : visibleEntries(folder)) {
            std::string name = file.filename().string();
            if (name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
                records[name.substr(0, name.size() - ending.size())] = file;
            }
        }
    };
    for (const fs::path& folder : visibleEntries(outputFolder)) {
        const std::string name = folder.filename().string();
        if (name.rfind("sub-", 0) != 0 || (!subject.empty() && name != "sub-" + subject)) {
            continue;
        }
        funcFolder(folder / "func");
        for (const fs::path& session : visibleEntries(folder)) {
            if (session.filename().string().rfind("ses-", 0) == 0) {
                funcFolder(session / "func");
            }
        }
    }
    return records;
}

}  // namespace orvane::bids
