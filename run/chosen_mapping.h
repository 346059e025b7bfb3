// Carrying out the mapping the user chose: the projections, writing projected FMRs back into
// the host's data and saving them under new names.
#pragma once

#include "run/working_set.h"

namespace orvane {

constexpr const char* kMappingPrompt = "Please select a mapping:\n1. FMR -> VMR\n2. VMR -> FMR\n3. FMR -> FMR";
constexpr int kMappingFmrIntoVmr = 1;
constexpr int kMappingVmrIntoFmr = 2;
constexpr int kMappingFmrIntoFmr = 3;  // also what any unknown answer means

// Runs the chosen mapping:
//  1  every FMR (FMR 2 after FMR 1) into the VMR's voxels, in memory only;
//  2  the VMR into every FMR's buffer, each written back and saved as "<prefix>_VMR";
//     an FMR whose mapping cannot be inverted is logged and left alone;
//  any other value: both FMRs into the VMR and FMR 2 into FMR 1, saved as
//     "<prefix1>_from_<prefix2>"; with a single FMR, mode 1 for it instead.
// An FMR whose new name does not fit its header is logged and neither written back nor saved.
// Ends with a refresh of the active window.
void carryOutMapping(WorkingSet& set, int choice);

}  // namespace orvane
