// `keldra check ANAT FUNC...`: the alignment check alone. Opens the anatomical and the
// functionals as `run` does, loads no module and writes no volumes; prints one line per
// functional and, with --out DIR, writes report.json and the check's pictures there, never over
// an input or, unless --overwrite is given, over an earlier result.
// Exit codes: 0 every functional aligned, 3 the worst verdict is `check`, 4 `misaligned`, 2 a
// usage or input error.
#pragma once

#include <CLI/CLI.hpp>

#include "keldra/cli/run_options.h"

namespace orvane::keldra {

// Declares the command on `app`, filling `options` (documents: the anatomical first).
CLI::App* declareCheck(CLI::App& app, RunOptions& options);

int checkCommand(const RunOptions& options);

}  // namespace orvane::keldra
