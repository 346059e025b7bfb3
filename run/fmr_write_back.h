// Writing a projected intensity buffer back into the host's FMR data.
#pragma once

#include <cstdint>
#include <vector>

#include "host/records.h"

namespace orvane {

// The 16-bit value a buffer value is stored as: truncated toward zero (56.9 -> 56), clamped to
// -32768..32767, and 0 for not-a-number.
std::int16_t storedInt16(float value);

// Overwrites the first volume of the current FMR with `values`, converted for the header's data
// type (16-bit integers through storedInt16, floats as they are). False, with nothing
// written, when the host hands out no data array or the data type is neither of the two.
[[nodiscard]] bool writeBackIntoCurrentFmr(const FmrHeader& header, const std::vector<float>& values);

}  // namespace orvane
