// What initPlugin does, with the host lookup injectable so that tests can stand in for the host.
#pragma once

#include <optional>

#include "host/host_binding.h"

namespace orvane {

constexpr const char* kInitPluginVersionRefusal =
    "Can not execute this plugin - Keldra version 2.1 or higher required.";

// Binds the host API and applies the version gate; on an old host shows the refusal in a
// message box. False when the host cannot run the plug-in, silently when there is no host.
bool initialisePlugin(const std::optional<HostSymbolLookup>& lookup = std::nullopt);

}  // namespace orvane
