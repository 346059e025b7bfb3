// --max-image-size, on every command that reads images: its help and its reading.
#pragma once

#include <string>

#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

extern const char* const kMaxImageSizeHelp;

// The option's value as read limits; false with the reason when it is not a size.
bool readLimits(const std::string& maxImageSize, VolumeReadLimits& limits, std::string& error);

}  // namespace orvane::keldra
