// What initPlugin does, with the host lookup injectable so that tests can stand in for the host.
#pragma once

#include <optional>

#include "host/host_binding.h"

namespace orvane {

// Binds the host API and checks the host's version; on an old host shows
// kInitPluginVersionRefusal in a message box. False when the host cannot run the plug-in,
// silently when there is no host.
bool initialisePlugin(const std::optional<HostSymbolLookup>& lookup = std::nullopt);

}  // namespace orvane
