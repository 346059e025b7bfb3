// keldra's command line: `keldra run DOC... [options]` and `keldra info FILE`.
// Exit codes: 0 when the plug-in's run succeeded, 1 when the plug-in refused to run, 2 on a
// usage or input error (one line on stderr naming the file and the problem).
#pragma once

namespace orvane::keldra {

constexpr int kExitSuccess = 0;
constexpr int kExitRefused = 1;
constexpr int kExitError = 2;

int runCommandLine(int argc, char** argv);

}  // namespace orvane::keldra
