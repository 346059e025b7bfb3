// initPlugin's logic: bind, then check the host version.
#include "plugin/plugin_initialisation.h"

#include "host/host_protocol.h"
#include "host/host_version_check.h"

namespace orvane {

bool initialisePlugin(const std::optional<HostSymbolLookup>& lookup) {
    return bindAndCheckHostVersion(lookup, kInitPluginVersionRefusal);
}

}  // namespace orvane
