// Binding followed by the host version check.
#include "host/host_version_check.h"

namespace orvane {

bool isHostVersionAtLeast(const HostVersion& version, const HostVersion& required) {
    if (version.major != required.major) {
        return version.major > required.major;
    }
    if (version.minor != required.minor) {
        return version.minor > required.minor;
    }
    return version.sub >= required.sub;
}

bool hostVersionIsSupported(const HostApi& api, const char* refusal) {
    if (api.kdGetVersionOfKeldra == nullptr) {
        return false;
    }
    // A host that fills nothing in counts as version 0.0.0.
    HostVersion version{0, 0, 0};
    api.kdGetVersionOfKeldra(&version.major, &version.minor, &version.sub);
    if (isHostVersionAtLeast(version, kMinimumHostVersion)) {
        return true;
    }
    if (api.kdMessageBox != nullptr) {
        api.kdMessageBox(refusal);
    }
    return false;
}

bool bindAndCheckHostVersion(const std::optional<HostSymbolLookup>& lookup, const char* refusal) {
    if (!bindHostApi(lookup)) {
        return false;
    }
    return hostVersionIsSupported(hostApi(), refusal);
}

}  // namespace orvane
