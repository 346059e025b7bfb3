// The host's log pane.
#include "keldra/host_log.h"

#include <filesystem>
#include <system_error>

namespace orvane::keldra {

bool HostLog::openFile(const std::string& path, std::string& error) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        error = path + ": it already exists and is never overwritten";
        return false;
    }
    file_.open(path, std::ios::out | std::ios::binary);
    if (!file_) {
        error = path + ": cannot be created";
        return false;
    }
    return true;
}

void HostLog::write(const std::string& text) {
    std::string entry = text;
    if (entry.empty() || entry.back() != '\n') {
        entry += '\n';
    }
    console_ << entry << std::flush;
    if (file_.is_open()) {
        file_ << entry << std::flush;
    }
    entries_.push_back(entry);
}

}  // namespace orvane::keldra
