// The alignment run's driver and its exception boundary.
#include "run/alignment_run.h"

#include <exception>
#include <memory>
#include <new>
#include <string>

#include "host/host_api.h"
#include "host/host_protocol.h"
#include "host/host_version_check.h"
#include "run/chosen_mapping.h"
#include "run/required_host_functions.h"
#include "run/run_log.h"
#include "run/working_set.h"

namespace orvane {

namespace {

// `hostCanLog` becomes true once every function the run calls is known to be bound.
bool runUnguarded(const std::optional<HostSymbolLookup>& lookup, bool& hostCanLog) {
    if (!bindHostApi(lookup)) {
        return false;
    }
    const HostApi& host = hostApi();
    if (const char* missing = firstMissingRunFunction(host)) {
        if (host.kdLogText != nullptr) {
            host.kdLogText(
                ("Can not execute this plugin - the host does not provide the function " + std::string(missing) + ".")
                    .c_str());
        }
        return false;
    }
    hostCanLog = true;
    if (!hostVersionIsSupported(host, kExecuteVersionRefusal)) {
        return false;
    }

    host.kdShowLogTab();
    logText("\norvaneplugin> Started...");
    std::unique_ptr<WorkingSet> set = prepareWorkingSet();
    if (!set) {
        return false;
    }
    const int choice = host.kdGetIntegerInput(kMappingPrompt, 1, 1, 3);
    carryOutMapping(*set, choice);
    set.reset();
    logText("Finished.\n");
    return true;
}

void logCancellation(bool hostCanLog, const std::string& sentence) noexcept {
    if (!hostCanLog) {
        return;
    }
    try {
        logText(sentence);
    } catch (...) {
        // Nothing more can be said when even the message cannot be built.
    }
}

}  // namespace

bool runAlignment(const std::optional<HostSymbolLookup>& lookup) noexcept {
    bool hostCanLog = false;
    try {
        return runUnguarded(lookup, hostCanLog);
    } catch (const std::bad_alloc&) {
        logCancellation(hostCanLog, "The run was cancelled: there is not enough memory.");
    } catch (const std::exception& error) {
        logCancellation(hostCanLog, std::string("The run was cancelled by an unexpected error: ") + error.what());
    } catch (...) {
        logCancellation(hostCanLog, "The run was cancelled by an unexpected error.");
    }
    return false;
}

}  // namespace orvane
