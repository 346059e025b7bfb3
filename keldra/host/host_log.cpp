// The host's log pane.
#include "keldra/host/host_log.h"

#include <filesystem>
#include <sstream>

namespace orvane::keldra {

HostLog::~HostLog() {
    std::string ignored;
    close(ignored);
}

bool HostLog::openFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                       std::string& error) {
    if (!mayWriteOutput((std::filesystem::path(folder) / fileName).string(), policy, error)) {
        return false;
    }
    folder_ = folder;
    fileName_ = fileName;
    policy_ = policy;
    fileOpen_ = true;
    return true;
}

bool HostLog::openFile(const std::string& path, std::string& error) {
    std::filesystem::path p(path);
    std::string folder = p.parent_path().string();
    return openFile(folder.empty() ? "." : folder, p.filename().string(), OutputPolicy{}, error);
}

bool HostLog::close(std::string& error) {
    if (!fileOpen_) {
        return true;
    }
    fileOpen_ = false;
    return writeTextOutputFile(folder_, fileName_, policy_, fileText_, "the log could not be written", error);
}

void HostLog::write(const std::string& text) {
    std::string entry = text;
    if (entry.empty() || entry.back() != '\n') {
        entry += '\n';
    }
    console_ << entry << std::flush;
    entries_.push_back(entry);
    fileText_ += entry;
}

void HostLog::note(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        fileText_ += "keldra: " + line + "\n";
    }
}

}  // namespace orvane::keldra
