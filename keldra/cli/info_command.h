// `keldra info FILE`: what the host makes of an image file, printed on stdout.
#pragma once

#include <string>

namespace orvane::keldra {

// Returns the exit code (exit_codes.h).
int infoCommand(const std::string& path, const std::string& maxImageSize);

}  // namespace orvane::keldra
