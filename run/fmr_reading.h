// Reading the current FMR document: its records and its first volume as normalised intensities.
#pragma once

#include <optional>

#include "run/working_set.h"

namespace orvane {

// Reads the FMR that is the host's current document (its 0-based index is `documentIndex`):
// header, position record, then the first dimX * dimY * nSlices values of its data, scaled to
// 0..225. Refuses, logging why, an FMR whose grid is empty or too large, whose data type is
// neither 16-bit integers nor floats, or for which the host returns no data. A constant first
// volume is only a notice: its intensities become 0.
std::optional<FmrWorkingCopy> readCurrentFmr(int documentIndex);

}  // namespace orvane
