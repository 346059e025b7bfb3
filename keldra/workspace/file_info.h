// `keldra info`: what the host makes of an image file, in words.
#pragma once

#include <iosfwd>
#include <string>

#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

// Prints the description of the file at `path` to `out`. Returns false with the reason in
// `error` ("<file>: <problem>") when the host would refuse the file.
bool describeFile(const std::string& path, std::ostream& out, std::string& error, const VolumeReadLimits& limits = {});

}  // namespace orvane::keldra
