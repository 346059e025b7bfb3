// One-call compression as zlib reads it back: a gzip member and a zlib stream of the same bytes,
// for data that compresses, for noise that ISA-L can only store (the output must have room for
// it), and for nothing at all.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "keldra/deflate/one_call_deflate.h"

namespace orvane::keldra::testing {
namespace {

using Bytes = std::vector<unsigned char>;

// The content of a gzip member (windowBits 16 + 15) or a zlib stream (15); empty and false when
// zlib finds it damaged, cut short or followed by anything.
bool inflated(const Bytes& compressed, int windowBits, Bytes& content) {
    z_stream stream{};
    inflateInit2(&stream, windowBits);
    content.assign(1 << 22, 0);
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = content.data();
    stream.avail_out = static_cast<uInt>(content.size());
    const bool ended = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_in == 0;
    content.resize(stream.total_out);
    inflateEnd(&stream);
    return ended;
}

TEST(OneCallDeflate, GzipMembersAndZlibStreamsReadBackAsTheirBytes) {
    Bytes smooth(1 << 20);
    Bytes noise(1 << 20);
    unsigned state = 7;
    for (std::size_t i = 0; i < smooth.size(); ++i) {
        state = state * 1103515245u + 12345u;
        smooth[i] = static_cast<unsigned char>((i / 300) % 40 + ((state >> 16) & 3));
        noise[i] = static_cast<unsigned char>(state >> 24);
    }
    struct Case {
        const char* name;
        DeflateWrapper wrapper;
        int windowBits;
    } wrappers[] = {{"gzip", DeflateWrapper::Gzip, 16 + MAX_WBITS}, {"zlib", DeflateWrapper::Zlib, MAX_WBITS}};
    for (const Case& c : wrappers) {
        OneCallDeflate compressor(1, c.wrapper);  // used for one buffer after another
        for (const Bytes* data : {&smooth, &noise, &smooth}) {
            SCOPED_TRACE(std::string(c.name) + (data == &noise ? ", noise" : ", smooth"));
            Bytes compressed;
            ASSERT_TRUE(compressor.compress(data->data(), data->size(), compressed));
            Bytes content;
            ASSERT_TRUE(inflated(compressed, c.windowBits, content));
            EXPECT_TRUE(content == *data);
            if (data == &smooth) {
                EXPECT_LT(compressed.size(), data->size() / 2);
            }
        }
        const unsigned char nothing = 0;
        Bytes compressed;
        ASSERT_TRUE(compressor.compress(&nothing, 0, compressed));
        Bytes content;
        EXPECT_TRUE(inflated(compressed, c.windowBits, content) && content.empty()) << c.name << ", nothing";
    }
}

}  // namespace
}  // namespace orvane::keldra::testing
