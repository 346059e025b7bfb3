// The info command.
#include "keldra/cli/info_command.h"

#include <iostream>

#include "keldra/cli/exit_codes.h"
#include "keldra/cli/image_size_option.h"
#include "keldra/workspace/file_info.h"

namespace orvane::keldra {

int infoCommand(const std::string& path, const std::string& maxImageSize) {
    std::string error;
    VolumeReadLimits limits;
    if (!readLimits(maxImageSize, limits, error) || !describeFile(path, std::cout, error, limits)) {
        return fail(error);
    }
    return kExitSuccess;
}

}  // namespace orvane::keldra
