// Decompressing a whole gzip file that is already in memory in one pass (ISA-L's inflate),
// straight into the caller's buffer, member after member. It takes only the plain case, the one
// nearly every file is: members whose content fills the buffer exactly, each with a correct
// check sum and length, and nothing after them but padding. Anything else (damaged, cut short,
// more content than expected) is left to the streaming reader, which reads exactly what is
// needed and says what is wrong.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::keldra {

// True when the members of `compressed` decompress to exactly `outputSize` bytes, now in
// `output`. False otherwise, with `output` in an unspecified state.
bool decompressWholeGzip(const unsigned char* compressed, std::size_t compressedSize, unsigned char* output,
                         std::size_t outputSize);

// The same, handing the library at most `largestStep` bytes of input and of output per call (it
// counts in 32 bits; decompressWholeGzip takes 1 GiB steps). Members may begin and end anywhere
// relative to the steps.
bool decompressWholeGzipInSteps(const unsigned char* compressed, std::size_t compressedSize, unsigned char* output,
                                std::size_t outputSize, std::uint32_t largestStep);

}  // namespace orvane::keldra
