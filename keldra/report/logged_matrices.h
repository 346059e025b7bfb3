// Reading back the matrices a plug-in wrote into the host's log: a caption line ending in a
// colon, then four lines of a tab and four tab-separated numbers. The report carries them
// exactly as logged, so that a pipeline can check a run without parsing the log itself.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace orvane::keldra {

struct LoggedMatrix {
    std::string caption;
    std::array<double, 16> elements{};  // row by row, as printed
};

// Every matrix in the log, in order. Text that does not follow the pattern is skipped.
std::vector<LoggedMatrix> loggedMatrices(const std::vector<std::string>& logEntries);

}  // namespace orvane::keldra
