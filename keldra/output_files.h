// Writing the host's result files: only inside the output folder, only under new names, and
// only complete (each file is written under a temporary name and then moved into place).
#pragma once

#include <string>

#include "keldra/volume_file.h"

namespace orvane::keldra {

// True when `prefix` can name a file directly inside the output folder: not empty, no path
// separator, no "..", no control characters. Otherwise false with the reason.
bool isSafeFilePrefix(const std::string& prefix, std::string& reason);

// Writes `file` as `folder`/`fileName`. Refuses when that name exists (nothing is replaced),
// when `fileName` is not a plain name, or when writing fails; the reason is in `error`.
bool writeNewVolumeFile(const std::string& folder, const std::string& fileName, const VolumeFile& file,
                        std::string& error);

}  // namespace orvane::keldra
