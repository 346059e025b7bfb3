// A checksum of result data (FNV-1a, 64 bits), printed by keldra so that runs on different
// machines or builds can be compared without comparing files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::keldra {

std::uint64_t fnv1a64(const void* data, std::size_t size);

// The checksum as 16 lower-case hexadecimal digits.
std::string checksumText(const void* data, std::size_t size);

}  // namespace orvane::keldra
