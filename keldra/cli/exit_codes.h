// keldra's exit codes: 0 when the plug-in's run succeeded, 1 when the plug-in refused to run, 2
// on a usage or input error (one line on stderr naming the file and the problem).
#pragma once

#include <string>

namespace orvane::keldra {

constexpr int kExitSuccess = 0;
constexpr int kExitRefused = 1;
constexpr int kExitError = 2;
// `keldra check`: the worst verdict among the functionals was `check`, or `misaligned`.
constexpr int kExitCheck = 3;
constexpr int kExitMisaligned = 4;

// Prints "keldra: <message>" on stderr, as one line (messageLine), and returns kExitError.
int fail(const std::string& message);

}  // namespace orvane::keldra
