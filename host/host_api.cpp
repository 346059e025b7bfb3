// Storage of the module's single host API table.
#include "host/host_api.h"

namespace orvane {

HostApi& hostApi() {
    static HostApi table;
    return table;
}

}  // namespace orvane
