// Binding followed by the host version gate.
#include "host/host_version_check.h"

#include "host/version_gate.h"

namespace orvane {

bool hostVersionIsSupported(const HostApi& api, const char* refusal) {
    if (api.kdGetVersionOfKeldra == nullptr) {
        return false;
    }
    // A host that fills nothing in counts as version 0.0.0.
    int major = 0;
    int minor = 0;
    int sub = 0;
    api.kdGetVersionOfKeldra(&major, &minor, &sub);
    if (isHostVersionAtLeast(major, minor, sub, kMinimumHostMajor, kMinimumHostMinor, kMinimumHostSub)) {
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
