// Safe writing of result files.
#include "keldra/output_files.h"

#include <filesystem>
#include <system_error>

#include "keldra/platform.h"

namespace orvane::keldra {

bool isSafeFilePrefix(const std::string& prefix, std::string& reason) {
    if (prefix.empty()) {
        reason = "the name is empty";
        return false;
    }
    if (prefix.find_first_of("/\\") != std::string::npos) {
        reason = "the name contains a path separator";
        return false;
    }
    if (prefix.find("..") != std::string::npos) {
        reason = "the name contains \"..\"";
        return false;
    }
    for (unsigned char c : prefix) {
        if (c < 0x20 || c == 0x7f || c == ':') {
            reason = "the name contains a control character or ':'";
            return false;
        }
    }
    return true;
}

bool writeNewVolumeFile(const std::string& folder, const std::string& fileName, const VolumeFile& file,
                        std::string& error) {
    std::string reason;
    if (!isSafeFilePrefix(fileName, reason)) {
        error = "refused to write \"" + fileName + "\": " + reason;
        return false;
    }
    std::filesystem::path target = std::filesystem::path(folder) / fileName;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, ec))) {
        error = target.string() + ": it already exists and is never overwritten";
        return false;
    }
    // The temporary name keeps the extension, which tells the writer whether to compress.
    std::string extension = fileName.size() > 7 && fileName.compare(fileName.size() - 7, 7, ".nii.gz") == 0 ? ".nii.gz" : ".nii";
    std::filesystem::path temporary =
        std::filesystem::path(folder) / ("." + fileName + "." + std::to_string(processNumber()) + ".part" + extension);
    std::string writeError;
    if (!writeVolumeFile(temporary.string(), file, writeError)) {
        std::filesystem::remove(temporary, ec);
        error = target.string() + ": " + writeError;
        return false;
    }
    std::string moveError;
    if (!moveIntoPlaceWithoutReplacing(temporary.string(), target.string(), moveError)) {
        error = target.string() + ": " + moveError;
        return false;
    }
    return true;
}

}  // namespace orvane::keldra
