// The host functions an alignment run calls. A host may export fewer than the full API; the
// run refuses before calling anything when one of these is missing.
#pragma once

#include "host/host_api.h"

namespace orvane {

// The name of the first host function the run needs that is null in `api`, in binding order,
// or null when all of them are there.
const char* firstMissingRunFunction(const HostApi& api);

}  // namespace orvane
