// Reading --max-image-size.
#include "keldra/cli/image_size_option.h"

#include "keldra/nifti/byte_count.h"

namespace orvane::keldra {

const char* const kMaxImageSizeHelp =
    "Refuse images whose header declares more data than this (K, M, G, T: binary units).\n"
    "Example: --max-image-size 512M";

bool readLimits(const std::string& maxImageSize, VolumeReadLimits& limits, std::string& error) {
    if (!parseByteCount(maxImageSize, limits.maxImageBytes) || limits.maxImageBytes == 0) {
        error = "--max-image-size " + maxImageSize + ": expected a size such as 4G or 512M";
        return false;
    }
    return true;
}

}  // namespace orvane::keldra
