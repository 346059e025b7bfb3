// Running the built keldra as a user does, and collecting what it says.
#pragma once

#include <string>
#include <vector>

namespace orvane::keldra::testing {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs keldra with `arguments` in `folder`, with standard input closed (not a terminal).
ProcessResult runKeldra(const std::vector<std::string>& arguments, const std::string& folder);

}  // namespace orvane::keldra::testing
