// The dataset-level files of OUTPUT_DIR.
#include "keldra/bids/shared_output_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "keldra/bids/dataset_scan.h"
#include "keldra/bids/json_file.h"
#include "keldra/bids/tool_version.h"

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

namespace {

// Creates a temporary file beside `target` that no other process, on this machine or another
// sharing the folder, can have created too (exclusive creation), and writes `content` to disk.
bool writeTemporaryFile(const fs::path& target, const std::string& content, std::string& temporary,
                        std::string& error) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    for (int serial = 1; serial < 1000; ++serial) {
        temporary = (target.parent_path() / ("." + target.filename().string() + "." + host + "-" +
                                             std::to_string(getpid()) + "-" + std::to_string(serial) + ".tmp"))
                        .string();
        int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor < 0 && errno == EEXIST) {
            continue;
        }
        if (descriptor < 0) {
            error = target.string() + ": cannot be written: " + std::strerror(errno);
            return false;
        }
        std::size_t done = 0;
        while (done < content.size()) {
            ssize_t wrote = write(descriptor, content.data() + done, content.size() - done);
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote <= 0) {
                break;
            }
            done += static_cast<std::size_t>(wrote);
        }
        const bool complete = done == content.size() && fsync(descriptor) == 0;
        const int code = errno;
        close(descriptor);
        if (!complete) {
            unlink(temporary.c_str());
            error = target.string() + ": cannot be written: " + std::strerror(code);
            return false;
        }
        return true;
    }
    error = target.string() + ": no free temporary name beside it";
    return false;
}

}  // namespace

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
    std::string temporary;
    if (!writeTemporaryFile(target, content, temporary, error)) {
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = target.string() + ": cannot be moved into place: " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void removeStaleTemporaries(const std::string& folder, const std::string& fileName, bool anyWriter) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string prefix = "." + fileName + ".";
    const std::string ours = prefix + host + "-";
    const std::string ending = ".tmp";
    std::error_code ec;
    std::vector<fs::path> stale;
    fs::directory_iterator it(folder, ec);
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0 || name.size() < ending.size() ||
            name.compare(name.size() - ending.size(), ending.size(), ending) != 0) {
            continue;
        }
        bool dead = anyWriter;
        if (!dead && name.rfind(ours, 0) == 0) {
            // ".<name>.<host>-<process>-<n>.tmp": a process that no longer runs writes nothing.
            long process = std::atol(name.c_str() + ours.size());
            dead = process > 0 && kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
        }
        if (dead) {
            stale.push_back(it->path());
        }
    }
    for (const fs::path& path : stale) {
        fs::remove(path, ec);
    }
}

bool writeSharedOutputFiles(const std::string& outputFolder, const Dataset& dataset, std::string& error) {
    for (const char* name : {"dataset_description.json", ".bidsignore", kRunListFileName}) {
        removeStaleTemporaries(outputFolder, name, false);
    }
    return replaceFileContent(outputFolder, "dataset_description.json", jsonText(derivativeDescription(dataset.root)),
                              error) &&
           replaceFileContent(outputFolder, ".bidsignore", bidsIgnoreText(), error) &&
           replaceFileContent(outputFolder, kRunListFileName, jsonText(runList(dataset)), error);
}

}  // namespace orvane::bids
