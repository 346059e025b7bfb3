// The host API table: one function pointer per host function, null until bound. It is the
// module's only lasting state; every call into the host goes through it.
#pragma once

#include "host/host_function_list.h"
#include "host/host_function_types.h"

namespace orvane {

struct HostApi {
#define ORVANE_DECLARE_ENTRY(name, type) type name = nullptr;
    ORVANE_HOST_FUNCTIONS(ORVANE_DECLARE_ENTRY)
#undef ORVANE_DECLARE_ENTRY
};

// The table the module binds and calls through.
HostApi& hostApi();

}  // namespace orvane
