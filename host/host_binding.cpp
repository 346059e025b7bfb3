// Binding the host API table: the version function first, then every name in order.
#include "host/host_binding.h"

#include <string_view>

#include "host/host_module_lookup.h"

namespace orvane {

namespace {

#define ORVANE_ENTRY_NAME(name, type) #name,
const char* const kNames[] = {ORVANE_HOST_FUNCTIONS(ORVANE_ENTRY_NAME)};
#undef ORVANE_ENTRY_NAME

static_assert(sizeof(kNames) / sizeof(kNames[0]) == kHostFunctionCount, "the host exports 152 functions");

}  // namespace

const char* const* hostFunctionNames() { return kNames; }

bool bindHostApi(HostApi& table, const HostSymbolLookup& lookup) {
    if (!lookup) {
        return false;
    }
    // The version entry takes whatever the lookup gives, null included; a null version
    // function stops the binding with every other entry left as it was.
    table.kdGetVersionOfKeldra = reinterpret_cast<KdGetVersionOfKeldraFunction>(lookup("kdGetVersionOfKeldra"));
    if (table.kdGetVersionOfKeldra == nullptr) {
        return false;
    }
#define ORVANE_BIND_ENTRY(name, type)                                    \
    if (std::string_view(#name) != "kdGetVersionOfKeldra") {              \
        table.name = reinterpret_cast<type>(lookup(#name));               \
    }
    ORVANE_HOST_FUNCTIONS(ORVANE_BIND_ENTRY)
#undef ORVANE_BIND_ENTRY
    return true;
}

bool bindHostApi(const std::optional<HostSymbolLookup>& lookup) {
    if (lookup) {
        return bindHostApi(hostApi(), *lookup);
    }
    std::optional<HostSymbolLookup> platform = findHostModule();
    if (!platform) {
        return false;
    }
    return bindHostApi(hostApi(), *platform);
}

}  // namespace orvane
