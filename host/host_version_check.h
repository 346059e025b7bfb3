// The check both entry points make before doing anything: bind the host API, ask the host
// for its version and refuse hosts older than the minimum, telling the user why.
#pragma once

#include <optional>

#include "host/host_api.h"
#include "host/host_binding.h"
#include "host/host_protocol.h"

namespace orvane {

// Lexicographic comparison of (major, minor, sub) with the required version.
bool isHostVersionAtLeast(const HostVersion& version, const HostVersion& required);

// Asks the bound host for its version. On a host older than kMinimumHostVersion shows `refusal`
// in the host's message box (if the host has one) and returns false.
bool hostVersionIsSupported(const HostApi& api, const char* refusal);

// Binds the module's host API table through `lookup` (the platform lookup when none is given)
// and checks the host's version. Returns false without any message when binding fails.
bool bindAndCheckHostVersion(const std::optional<HostSymbolLookup>& lookup, const char* refusal);

}  // namespace orvane
