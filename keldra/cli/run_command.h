// `keldra run`: opens the files as the workspace's documents, loads the plug-in module, runs it
// once, and writes what the run left (the log, the anatomical as it now is, the pictures when
// something changed) and report.json into the output folder, never over an input or, unless
// --overwrite is given, over an earlier result.
#pragma once

#include "keldra/cli/run_options.h"

namespace orvane::keldra {

// Returns the exit code (exit_codes.h).
int runCommand(const RunOptions& options);

}  // namespace orvane::keldra
