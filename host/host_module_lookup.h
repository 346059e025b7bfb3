// The platform layer that finds the host's executable module and its exported functions.
#pragma once

#include <optional>

#include "host/host_binding.h"

namespace orvane {

// The module name under which the host is looked up.
constexpr const char* kHostModuleName = "Keldra.exe";

// A lookup into the already loaded host module, or nothing when the host is not there.
// On Windows the module is found with GetModuleHandleA("Keldra.exe"); elsewhere it is the
// running executable when its file name is keldra or Keldra (with or without .exe).
std::optional<HostSymbolLookup> findHostModule();

}  // namespace orvane
