// Where the plug-in module is loaded from: the path given with --plugin, or the module built
// beside the keldra executable.
#pragma once

#include <string>

namespace orvane::keldra {

// `option` when it is not empty, otherwise orvaneplugin.so (.dll on Windows) in keldra's folder.
std::string modulePath(const std::string& option);

}  // namespace orvane::keldra
