// A checksum of result data (FNV-1a, 64 bits), printed by keldra so that runs on different
// machines or builds can be compared without comparing files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::keldra {

// The checksum of no bytes.
constexpr std::uint64_t kFnv1a64Start = 14695981039346656037ull;

// The checksum of `data` following bytes whose checksum is `hash`: data checked in pieces has
// the checksum of the whole.
std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash = kFnv1a64Start);

// The checksum as 16 lower-case hexadecimal digits.
std::string checksumText(const void* data, std::size_t size);
std::string checksumText(std::uint64_t checksum);

}  // namespace orvane::keldra
