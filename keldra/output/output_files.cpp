// Safe writing of result files.
#include "keldra/output/output_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "keldra/output/temporary_files.h"

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

// A folder removed (or unmounted) while keldra wrote into it explains every failure after.
bool folderIsGone(const std::string& folder) {
    std::error_code ec;
    return !std::filesystem::is_directory(folder.empty() ? "." : folder, ec);
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
    // What processes of this machine left here when they were killed is of no use to anyone.
    removeStaleTemporaryFolders(folder);
    TemporaryFile temporary;
    std::string problem;
    if (!temporary.prepare(folder, fileName, problem)) {
        error = target + ": cannot be written: " + problem;
        return false;
    }
    if (!write(temporary.path(), problem) || !flushFileToDisk(temporary.path(), problem)) {
        error = target + ": " + (folderIsGone(folder) ? "the folder " + folder + " no longer exists"
                                 : problem.empty()    ? "it could not be written"
                                                      : problem);
        return false;
    }
    // Checked again just before the move: the policy must hold at the moment the name changes.
    if (!mayWriteOutput(target, policy, error)) {
        return false;
    }
    bool moved = policy.overwrite ? moveIntoPlaceReplacing(temporary.path(), target, problem)
                                  : moveIntoPlaceWithoutReplacing(temporary.path(), target, problem);
    if (!moved) {
        error = target + ": " + (folderIsGone(folder) ? "the folder " + folder + " no longer exists" : problem);
        return false;
    }
    flushFolderToDisk(folder.empty() ? "." : folder, problem);
    return true;
}

bool writeBytes(const std::string& path, const void* data, std::size_t size, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = systemReason(errno);
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
    const int code = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = systemReason(written ? errno : code);
        return false;
    }
    return true;
}

bool writeTextOutputFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                         const std::string& text, const std::string& failure, std::string& error) {
    return writeOutputFile(
        folder, fileName, policy,
        [&text, &failure](const std::string& temporary, std::string& error) {
            if (!writeBytes(temporary, text.data(), text.size(), error)) {
                error = failure + ": " + error;
                return false;
            }
            return true;
        },
        error);
}

}  // namespace orvane::keldra
