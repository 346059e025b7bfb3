// The one way a command gives up.
#include "keldra/cli/exit_codes.h"

#include <iostream>

#include "keldra/output/message_line.h"

namespace orvane::keldra {

int fail(const std::string& message) {
    std::cerr << "keldra: " << messageLine(message) << std::endl;
    return kExitError;
}

}  // namespace orvane::keldra
