// Decompressing a whole gzip file that is already in memory in one pass (libdeflate), straight
// into the caller's buffer. It takes only the plain case, the one nearly every file is: members
// whose content fills the buffer exactly, each with a correct check sum, and nothing after them
// but padding. Anything else (damaged, cut short, more content than expected) is left to the
// streaming reader, which reads exactly what is needed and says what is wrong.
#pragma once

#include <cstddef>

namespace orvane::keldra {

// True when the members of `compressed` decompress to exactly `outputSize` bytes, now in
// `output`. False otherwise, with `output` in an unspecified state.
bool decompressWholeGzip(const unsigned char* compressed, std::size_t compressedSize, unsigned char* output,
                         std::size_t outputSize);

}  // namespace orvane::keldra
