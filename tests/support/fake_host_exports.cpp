// The fake host export table and the minimal start-up host.
#include "tests/support/fake_host_exports.h"

namespace orvane::testing {

HostSymbolLookup FakeHostExports::lookup() {
    return [this](const char* name) -> GenericHostFunction {
        namesLookedUp_.emplace_back(name);
        return function(name);
    };
}

GenericHostFunction FakeHostExports::function(const std::string& name) const {
    auto found = functions_.find(name);
    return found == functions_.end() ? nullptr : found->second;
}

namespace {

bool minimalHostVersion(int* major, int* minor, int* sub) {
    MinimalHost& host = minimalHost();
    ++host.versionRequests;
    *major = host.major;
    *minor = host.minor;
    *sub = host.sub;
    return true;
}

bool minimalHostMessageBox(const char* text) {
    minimalHost().messages.emplace_back(text);
    return true;
}

}  // namespace

MinimalHost& minimalHost() {
    static MinimalHost host;
    return host;
}

MinimalHost& resetMinimalHost(int major, int minor, int sub) {
    MinimalHost& host = minimalHost();
    host = MinimalHost{};
    host.major = major;
    host.minor = minor;
    host.sub = sub;
    return host;
}

FakeHostExports minimalHostExports() {
    FakeHostExports exports;
    exports.add("kdGetVersionOfKeldra", &minimalHostVersion);
    exports.add("kdMessageBox", &minimalHostMessageBox);
    return exports;
}

}  // namespace orvane::testing
