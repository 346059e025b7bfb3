// Safe writing of result files.
#include "keldra/output/output_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace orvane::keldra {

namespace {

bool isInput(const std::string& path, const OutputPolicy& policy) {
    for (bool followLinks : {false, true}) {
        FileIdentity identity;
        if (fileIdentity(path, followLinks, identity) &&
            std::find(policy.inputs.begin(), policy.inputs.end(), identity) != policy.inputs.end()) {
            return true;
        }
    }
    return false;
}

// The part of a name that tells a writer how to write (".nii.gz", ".png"), kept by the
// temporary name.
std::string extensionOf(const std::string& fileName) {
    for (const char* compound : {".nii.gz"}) {
        std::string e = compound;
        if (fileName.size() > e.size() && fileName.compare(fileName.size() - e.size(), e.size(), e) == 0) {
            return e;
        }
    }
    std::size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : fileName.substr(dot);
}

}  // namespace

bool OutputPolicy::addInput(const std::string& path) {
    FileIdentity identity;
    if (!fileIdentity(path, true, identity)) {
        return false;
    }
    inputs.push_back(identity);
    return true;
}

bool isSafeFilePrefix(const std::string& prefix, std::string& error) {
    if (prefix.empty()) {
        error = "the name is empty";
        return false;
    }
    if (prefix.find_first_of("/\\") != std::string::npos) {
        error = "the name contains a path separator";
        return false;
    }
    if (prefix.find("..") != std::string::npos) {
        error = "the name contains \"..\"";
        return false;
    }
    for (unsigned char c : prefix) {
        if (c < 0x20 || c == 0x7f || c == ':') {
            error = "the name contains a control character or ':'";
            return false;
        }
    }
    return true;
}

bool mayWriteOutput(const std::string& path, const OutputPolicy& policy, std::string& error) {
    if (isInput(path, policy)) {
        error = path + ": it is one of the input files, which are never written";
        return false;
    }
    FileIdentity existing;
    if (fileIdentity(path, false, existing) && !policy.overwrite) {
        error = path + ": it already exists and is never overwritten (unless --overwrite is given)";
        return false;
    }
    return true;
}

bool writeOutputFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                     const OutputWriter& write, std::string& error) {
    std::string reason;
    if (!isSafeFilePrefix(fileName, reason)) {
        error = "refused to write \"" + fileName + "\": " + reason;
        return false;
    }
    const std::string target = (std::filesystem::path(folder) / fileName).string();
    if (!mayWriteOutput(target, policy, error)) {
        return false;
    }
    unsigned long serial = 0;
    std::string temporary;
    FileIdentity unused;
    do {
        temporary = (std::filesystem::path(folder) / ("." + fileName + "." + std::to_string(processNumber()) + "-" +
                                                      std::to_string(++serial) + ".part" + extensionOf(fileName)))
                        .string();
    } while (fileIdentity(temporary, false, unused));

    std::string problem;
    std::error_code ec;
    if (!write(temporary, problem) || !flushFileToDisk(temporary, problem)) {
        std::filesystem::remove(temporary, ec);
        error = target + ": " + (problem.empty() ? "it could not be written" : problem);
        return false;
    }
    // Checked again just before the move: the policy must hold at the moment the name changes.
    if (!mayWriteOutput(target, policy, error)) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    bool moved = policy.overwrite ? moveIntoPlaceReplacing(temporary, target, problem)
                                  : moveIntoPlaceWithoutReplacing(temporary, target, problem);
    if (!moved) {
        error = target + ": " + problem;
        return false;
    }
    flushFolderToDisk(folder.empty() ? "." : folder, problem);
    return true;
}

bool writeTextOutputFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                         const std::string& text, const std::string& failure, std::string& error) {
    return writeOutputFile(
        folder, fileName, policy,
        [&text, &failure](const std::string& temporary, std::string& error) {
            std::ofstream out(temporary, std::ios::out | std::ios::binary | std::ios::trunc);
            out << text;
            out.flush();
            if (!out) {
                error = failure;
                return false;
            }
            return true;
        },
        error);
}

}  // namespace orvane::keldra
