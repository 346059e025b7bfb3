// `keldra demo`: builds the synthetic head, writes it into the output folder where the user can
// open it (or, in a build that writes no NIfTI files, keeps it in memory) and runs on it as
// `run` would, with mapping 1 unless another is given.
#pragma once

#include "keldra/cli/run_options.h"

namespace orvane::keldra {

// Returns the exit code (exit_codes.h).
int demoCommand(RunOptions options);

}  // namespace orvane::keldra
