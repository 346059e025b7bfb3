// keldra's own version, as `keldra --version` prints it and report.json records it.
#pragma once

namespace orvane::keldra {

constexpr const char* kKeldraVersion = "0.9.0";

}  // namespace orvane::keldra
