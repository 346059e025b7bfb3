// One-call compression through ISA-L.
#include "keldra/deflate/one_call_deflate.h"

#include <isa-l/igzip_lib.h>

#include <cstdint>

#include "keldra/deflate/vector_state.h"

namespace orvane::keldra {

namespace {

std::size_t levelBufferBytes(int level) {
    switch (level) {
        case 1: return ISAL_DEF_LVL1_DEFAULT;
        case 2: return ISAL_DEF_LVL2_DEFAULT;
        case 3: return ISAL_DEF_LVL3_DEFAULT;
        default: return 0;
    }
}

}  // namespace

OneCallDeflate::OneCallDeflate(int level, DeflateWrapper wrapper)
    : level_(level), wrapper_(wrapper), levelBuffer_(levelBufferBytes(level)),
      stream_(std::make_unique<isal_zstream>()) {}

OneCallDeflate::~OneCallDeflate() = default;

bool OneCallDeflate::compress(const unsigned char* data, std::size_t size, std::vector<unsigned char>& output) {
    isal_zstream& stream = *stream_;
    isal_deflate_stateless_init(&stream);
    stream.level = static_cast<std::uint32_t>(level_);
    stream.level_buf = levelBuffer_.data();
    stream.level_buf_size = static_cast<std::uint32_t>(levelBuffer_.size());
    stream.gzip_flag = wrapper_ == DeflateWrapper::Gzip ? IGZIP_GZIP : IGZIP_ZLIB;
    stream.end_of_stream = 1;
    stream.flush = NO_FLUSH;
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<std::uint32_t>(size);
    // Room for the worst case, where ISA-L stores the data: blocks of at most 65535 bytes behind
    // 5-byte heads, and the wrapper's head and check sum around them.
    output.resize(size + 5 * (size / 65535 + 1) + 64);
    stream.next_out = output.data();
    stream.avail_out = static_cast<std::uint32_t>(output.size());
    const bool compressed = isal_deflate_stateless(&stream) == COMP_OK;
    clearUpperVectorState();
    output.resize(compressed ? stream.total_out : 0);
    return compressed;
}

}  // namespace orvane::keldra
