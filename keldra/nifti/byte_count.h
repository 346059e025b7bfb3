// Byte counts as people write and read them: "4G", "512MiB", "1536".
#pragma once

#include <cstdint>
#include <string>

namespace orvane::keldra {

// A whole number with an optional binary unit (K, M, G, T, with or without "iB"; any case).
// False when the text is not one, or the count does not fit in 64 bits.
bool parseByteCount(const std::string& text, std::uint64_t& bytes);

// Such as "4 GiB" when the count is a whole number of a unit, else "1536 bytes".
std::string byteCountText(std::uint64_t bytes);

}  // namespace orvane::keldra
