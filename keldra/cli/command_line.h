// keldra's command line: `keldra run DOC... [options]`, `keldra demo [options]` and
// `keldra info FILE`, declared here and carried out by the command of each name.
#pragma once

#include "keldra/cli/exit_codes.h"
#include "keldra/cli/interruption.h"

namespace orvane::keldra {

// Parses the arguments and runs the command they name; returns the exit code. A command that
// stops its own way when interrupted sets its action on `interruptions`.
int runCommandLine(int argc, char** argv, InterruptWatcher& interruptions);

}  // namespace orvane::keldra
