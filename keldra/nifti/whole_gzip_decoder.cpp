// One-pass gzip decompression of a file in memory.
#include "keldra/nifti/whole_gzip_decoder.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <memory>

#include "keldra/deflate/vector_state.h"

namespace orvane::keldra {

namespace {

constexpr unsigned char kGzipFirstByte = 0x1f;
constexpr std::uint32_t kLargestStep = std::uint32_t{1} << 30;

std::uint32_t stepOf(std::size_t left, std::uint32_t largestStep) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(left, largestStep));
}

bool inflateMembers(inflate_state& state, const unsigned char* compressed, std::size_t compressedSize,
                    unsigned char* output, std::size_t outputSize, std::uint32_t largestStep) {
    std::size_t in = 0;
    std::size_t out = 0;
    do {
        isal_inflate_init(&state);
        state.crc_flag = ISAL_GZIP;  // the member's header, its check sum and its length are checked
        // One member. Each call goes as far as its input and output allow; a call that moves
        // neither means the member runs past the end of the file (cut short) or past the end
        // of the buffer (more content than expected), which the streaming reader handles.
        while (state.block_state != ISAL_BLOCK_FINISH) {
            state.next_in = const_cast<unsigned char*>(compressed + in);
            state.avail_in = stepOf(compressedSize - in, largestStep);
            state.next_out = output + out;
            state.avail_out = stepOf(outputSize - out, largestStep);
            const int result = isal_inflate(&state);
            const std::size_t used = static_cast<std::size_t>(state.next_in - (compressed + in));
            const std::size_t produced = static_cast<std::size_t>(state.next_out - (output + out));
            in += used;
            out += produced;
            if (result != ISAL_DECOMP_OK || (used == 0 && produced == 0 && state.block_state != ISAL_BLOCK_FINISH)) {
                return false;
            }
        }
    } while (out < outputSize && in < compressedSize);
    // What follows the last member may be padding, but not another member.
    return out == outputSize && (in == compressedSize || compressed[in] != kGzipFirstByte);
}

}  // namespace

bool decompressWholeGzip(const unsigned char* compressed, std::size_t compressedSize, unsigned char* output,
                         std::size_t outputSize) {
    return decompressWholeGzipInSteps(compressed, compressedSize, output, outputSize, kLargestStep);
}

bool decompressWholeGzipInSteps(const unsigned char* compressed, std::size_t compressedSize, unsigned char* output,
                                std::size_t outputSize, std::uint32_t largestStep) {
    if (largestStep == 0) {
        return false;
    }
    // About 80 KB of tables and history: not for the stack of a worker thread.
    const auto state = std::make_unique<inflate_state>();
    const bool whole = inflateMembers(*state, compressed, compressedSize, output, outputSize, largestStep);
    clearUpperVectorState();
    return whole;
}

}  // namespace orvane::keldra
