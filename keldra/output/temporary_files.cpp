// The process's temporary folders.
#include "keldra/output/temporary_files.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

#include "keldra/output/file_system.h"

namespace orvane::keldra {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = ".keldra-";
constexpr const char* kEnding = ".tmp";

// The one table of a process's temporary folders (see the header for why there is one).
struct TemporaryFolders {
    std::mutex mutex;
    std::map<std::string, int> writers;  // folder -> files being written in it
    unsigned long serial = 0;
    bool stopping = false;
};

TemporaryFolders& folders() {
    static TemporaryFolders table;
    return table;
}

// Removes what `folder` holds and the folder, again while a writer that had already begun
// creates something in it; once the folder is gone nothing more can be created there.
int removeFolder(const fs::path& folder) {
    int removed = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::error_code ec;
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            entries.push_back(it->path());
        }
        for (const fs::path& entry : entries) {
            std::error_code ignored;
            removed += static_cast<int>(fs::remove_all(entry, ignored) > 0);
        }
        if (fs::remove(folder, ec) || !fs::exists(fs::symlink_status(folder, ec))) {
            break;
        }
    }
    return removed;
}

}  // namespace

std::string temporaryFolderName() {
    return kPrefix + machineName() + "-" + std::to_string(processNumber()) + kEnding;
}

bool TemporaryFile::prepare(const std::string& folder, const std::string& fileName, std::string& error) {
    TemporaryFolders& table = folders();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.stopping) {
        error = "keldra is stopping";
        return false;
    }
    const fs::path holder = fs::path(folder.empty() ? "." : folder) / temporaryFolderName();
    int& writers = table.writers[holder.string()];
    if (writers == 0) {
        std::error_code ec;
        fs::create_directory(holder, ec);
        if (ec) {
            table.writers.erase(holder.string());
            const std::string reason = ec.message();  // "Read-only file system", "Permission denied"
            error = fs::is_directory(fs::path(folder.empty() ? "." : folder), ec)
                        ? reason
                        : "the folder " + folder + " no longer exists";
            return false;
        }
    }
    ++writers;
    holder_ = holder.string();
    path_ = (holder / (std::to_string(++table.serial) + "-" + fileName)).string();
    return true;
}

TemporaryFile::~TemporaryFile() {
    if (holder_.empty()) {
        return;
    }
    TemporaryFolders& table = folders();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.stopping) {
        return;  // removed with everything else
    }
    std::error_code ec;
    fs::remove(path_, ec);
    auto found = table.writers.find(holder_);
    if (found != table.writers.end() && --found->second == 0) {
        table.writers.erase(found);
        removeFolder(holder_);
    }
}

int removeAllTemporaryFiles() {
    std::map<std::string, int> writers;
    {
        TemporaryFolders& table = folders();
        std::lock_guard<std::mutex> lock(table.mutex);
        table.stopping = true;
        writers.swap(table.writers);
    }
    int removed = 0;
    for (const auto& entry : writers) {
        removed += removeFolder(entry.first);
    }
    return removed;
}

int removeStaleTemporaryFolders(const std::string& folder) {
    const std::string ours = kPrefix + machineName() + "-";
    const std::string ending = kEnding;
    std::vector<fs::path> stale;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= ours.size() + ending.size() || name.compare(0, ours.size(), ours) != 0 ||
            name.compare(name.size() - ending.size(), ending.size(), ending) != 0) {
            continue;
        }
        const std::string number = name.substr(ours.size(), name.size() - ours.size() - ending.size());
        char* last = nullptr;
        const long process = std::strtol(number.c_str(), &last, 10);
        if (!number.empty() && *last == '\0' && process != processNumber() && !processIsRunning(process)) {
            stale.push_back(it->path());
        }
    }
    for (const fs::path& path : stale) {
        removeFolder(path);
    }
    return static_cast<int>(stale.size());
}

}  // namespace orvane::keldra
