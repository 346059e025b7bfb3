// One-pass gzip decompression of a file in memory.
#include "keldra/nifti/whole_gzip_decoder.h"

#include <libdeflate.h>

#include <memory>

namespace orvane::keldra {

namespace {

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

constexpr unsigned char kGzipFirstByte = 0x1f;

}  // namespace

bool decompressWholeGzip(const unsigned char* compressed, std::size_t compressedSize, unsigned char* output,
                         std::size_t outputSize) {
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor) {
        return false;
    }
    std::size_t in = 0;
    std::size_t out = 0;
    // Each member must fit in what is left of the buffer; one that would run past it means the
    // stream holds more than expected, which the streaming reader handles.
    do {
        std::size_t used = 0;
        std::size_t produced = 0;
        if (libdeflate_gzip_decompress_ex(decompressor.get(), compressed + in, compressedSize - in, output + out,
                                          outputSize - out, &used, &produced) != LIBDEFLATE_SUCCESS) {
            return false;
        }
        in += used;
        out += produced;
    } while (out < outputSize && in < compressedSize);
    // What follows the last member may be padding, but not another member.
    return out == outputSize && (in == compressedSize || compressed[in] != kGzipFirstByte);
}

}  // namespace orvane::keldra
