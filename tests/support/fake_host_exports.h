// A stand-in for the host's table of exported functions: functions by name, handed to
// bindHostApi as its lookup, with every name it is asked for recorded in order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/host_binding.h"

namespace orvane::testing {

class FakeHostExports {
public:
    template <typename Function>
    void add(const std::string& name, Function function) {
        functions_[name] = reinterpret_cast<GenericHostFunction>(function);
    }
    void remove(const std::string& name) { functions_.erase(name); }

    // The lookup to bind through; it refers to this object, which must outlive it.
    HostSymbolLookup lookup();

    const std::vector<std::string>& namesLookedUp() const { return namesLookedUp_; }
    GenericHostFunction function(const std::string& name) const;

private:
    std::map<std::string, GenericHostFunction> functions_;
    std::vector<std::string> namesLookedUp_;
};

// A host with just the two functions the plug-in's start-up needs: a version function that
// reports `version` and a message box that records what it is asked to show.
struct MinimalHost {
    int major = 2;
    int minor = 1;
    int sub = 0;
    int versionRequests = 0;
    std::vector<std::string> messages;
};

// The one minimal host the exported functions below report to; reset by every call.
MinimalHost& resetMinimalHost(int major, int minor, int sub);
MinimalHost& minimalHost();
// Exports of the minimal host: kdGetVersionOfKeldra and kdMessageBox.
FakeHostExports minimalHostExports();

}  // namespace orvane::testing
