// The one way a command gives up.
#include "keldra/cli/exit_codes.h"

#include <iostream>

namespace orvane::keldra {

int fail(const std::string& message) {
    std::cerr << "keldra: " << message << std::endl;
    return kExitError;
}

}  // namespace orvane::keldra
