// The name and version keldra records in what it writes for a dataset.
#pragma once

namespace orvane::bids {

constexpr const char* kToolName = "keldra";
constexpr const char* kToolVersion = "0.9.0";

}  // namespace orvane::bids
