// Binding the host API table by function name, through the platform's module lookup or
// through a lookup the caller supplies (a test's fake host).
#pragma once

#include <functional>
#include <optional>

#include "host/host_api.h"

namespace orvane {

// Looks one exported host function up by name; null when the host does not export it.
using HostSymbolLookup = std::function<GenericHostFunction(const char* name)>;

// The names of all 152 host functions in binding order.
const char* const* hostFunctionNames();
constexpr int kHostFunctionCount = 152;

// Fills `table` through `lookup`: first the version entry (if the version function is missing,
// the entry becomes null, the others are left as they were and the result is false), then every
// other name in binding order, null or not. Returns true once the version function was found.
bool bindHostApi(HostApi& table, const HostSymbolLookup& lookup);

// Binds the module's own table through `lookup`, or through the platform lookup of the module
// named "Keldra.exe" when none is given. Returns false when there is no host module or no
// version function.
bool bindHostApi(const std::optional<HostSymbolLookup>& lookup = std::nullopt);

}  // namespace orvane
