// Splicing gzip files: zlib's single members at its fastest and smallest levels and keldra's
// own several members come out as the new bytes followed by the kept content, as zlib and
// gzip(1) decode them; what is not exactly the expected content is refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "keldra/nifti/gzip_splice.h"
#include "keldra/nifti/parallel_gzip_writer.h"
#include "tests/keldra/fixtures/nifti_fixture.h"

namespace orvane::keldra::testing {
namespace {

using Bytes = std::vector<unsigned char>;

// 16-bit samples like a scanner's: a smooth pattern with noise, compressible but not trivially;
// with a stretch of pure noise in the middle when `noisy`, which deflate stores rather than
// compresses.
Bytes scannerLikeContent(std::size_t samples, bool noisy) {
    Bytes bytes(samples * 2);
    unsigned state = 12345;
    for (std::size_t i = 0; i < samples; ++i) {
        state = state * 1103515245u + 12345u;
        const int value = static_cast<int>(800 + 600 * std::sin(static_cast<double>(i % 4096) / 300.0)) +
                          static_cast<int>((state >> 16) % 64);
        const bool noise = noisy && i > samples * 2 / 3 && i < samples * 2 / 3 + 40000;
        bytes[2 * i] = static_cast<unsigned char>(noise ? state >> 24 : value);
        bytes[2 * i + 1] = static_cast<unsigned char>(noise ? state >> 16 : value >> 8);
    }
    return bytes;
}

Bytes zlibGzip(const Bytes& content, int level) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&stream, content.size()));
    stream.next_in = const_cast<Bytef*>(content.data());
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Every member's content, or nothing when zlib finds the data damaged or cut short.
Bytes gunzip(const Bytes& compressed) {
    z_stream stream{};
    inflateInit2(&stream, 16 + MAX_WBITS);
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    Bytes content;
    unsigned char chunk[1 << 16];
    int status = Z_OK;
    while (status != Z_STREAM_END || stream.avail_in > 0) {
        if (status == Z_STREAM_END) {
            inflateReset(&stream);
        }
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            content.clear();
            break;
        }
        content.insert(content.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
    }
    inflateEnd(&stream);
    return content;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

Bytes fileBytes(const std::string& path) {
    const std::string text = readWholeFile(path);
    return Bytes(text.begin(), text.end());
}

struct Spliced {
    bool written = false;
    Bytes file;
    Bytes handedOver;
};

Spliced splice(const ScratchFolder& folder, const Bytes& input, const Bytes& head, std::uint64_t keptFrom,
               std::uint64_t contentBytes) {
    writeFile(folder.file("in.gz"), input);
    const int in = ::open(folder.file("in.gz").c_str(), O_RDONLY);
    const int out = ::open(folder.file("out.gz").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Spliced result;
    GzipSpliceRequest request;
    request.head = head.data();
    request.headBytes = head.size();
    request.keptFrom = keptFrom;
    request.inputContentBytes = contentBytes;
    request.keptBytes = [&](const unsigned char* data, std::size_t size) {
        result.handedOver.insert(result.handedOver.end(), data, data + size);
    };
    result.written = writeSplicedGzip(in, input.size(), out, request);
    ::close(in);
    ::close(out);
    result.file = fileBytes(folder.file("out.gz"));
    return result;
}

Bytes expectedContent(const Bytes& head, const Bytes& content, std::size_t keptFrom) {
    Bytes expected = head;
    expected.insert(expected.end(), content.begin() + static_cast<std::ptrdiff_t>(keptFrom), content.end());
    return expected;
}

TEST(GzipSplice, ZlibMembersAtTheFastestAndSmallestLevelsBecomeTheNewBytesAndTheKeptContent) {
    ScratchFolder folder;
    const Bytes head(300007, 0x5a);
    int shifted = 0;
    for (int level : {1, 9}) {
      for (bool noisy : {false, true}) {
        const Bytes content = scannerLikeContent(700000, noisy);
        const Bytes input = zlibGzip(content, level);
        for (std::size_t keptFrom : {std::size_t{352}, std::size_t{295264}, std::size_t{600001}}) {
            SCOPED_TRACE("level " + std::to_string(level) + (noisy ? ", noisy" : "") + ", kept from " +
                         std::to_string(keptFrom));
            const Spliced result = splice(folder, input, head, keptFrom, content.size());
            ASSERT_TRUE(result.written);
            EXPECT_TRUE(result.handedOver == Bytes(content.begin() + static_cast<std::ptrdiff_t>(keptFrom), content.end()));
            EXPECT_TRUE(gunzip(result.file) == expectedContent(head, content, keptFrom));
            EXPECT_EQ(std::system(("gzip -t " + folder.file("out.gz")).c_str()), 0);
            // Without stored blocks, the copied end's bytes are the input's only when they
            // were not moved.
            const auto end = [](const Bytes& b) { return Bytes(b.end() - 40, b.end() - 8); };
            shifted += !noisy && end(result.file) != end(input) ? 1 : 0;
        }
      }
    }
    EXPECT_GE(shifted, 2) << "too few splice points off a byte boundary to test moving the bits";
}

TEST(GzipSplice, SeveralMembersAsKeldraWritesThemAreSplicedToo) {
    ScratchFolder folder;
    const Bytes content = scannerLikeContent(1800000, true);  // 3.4 MiB: four members
    {
        const int out = ::open(folder.file("own.gz").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ParallelGzipWriter writer(out, kOutputCompressionLevel, 2);
        std::string error;
        ASSERT_TRUE(writer.append(content.data(), content.size()) && writer.finish(error)) << error;
        ::close(out);
    }
    const Bytes input = fileBytes(folder.file("own.gz"));
    const Bytes head(5000, 0xa5);
    // Inside the first member, and right at the start of the second.
    for (std::size_t keptFrom : {std::size_t{70000}, kGzipMemberBytes - kDeflateWindowBytes}) {
        SCOPED_TRACE(keptFrom);
        const Spliced result = splice(folder, input, head, keptFrom, content.size());
        ASSERT_TRUE(result.written);
        EXPECT_TRUE(gunzip(result.file) == expectedContent(head, content, keptFrom));
        EXPECT_EQ(std::system(("gzip -t " + folder.file("out.gz")).c_str()), 0);
    }
}

TEST(GzipSplice, AnInputThatIsNotExactlyTheExpectedContentIsRefused) {
    ScratchFolder folder;
    const Bytes content = scannerLikeContent(300000, false);
    const Bytes input = zlibGzip(content, 6);
    const Bytes head(1000, 1);
    EXPECT_TRUE(splice(folder, input, head, 1000, content.size()).written);

    EXPECT_FALSE(splice(folder, input, head, 1000, content.size() - 1).written) << "decodes to more";
    EXPECT_FALSE(splice(folder, input, head, 1000, content.size() + 1).written) << "decodes to less";
    Bytes trailing = input;
    trailing.insert(trailing.end(), 512, 0);
    EXPECT_FALSE(splice(folder, trailing, head, 1000, content.size()).written) << "bytes after the member";
    EXPECT_FALSE(splice(folder, Bytes(input.begin(), input.end() - 100), head, 1000, content.size()).written)
        << "cut short";
    Bytes damaged = input;
    damaged[damaged.size() / 2] ^= 0x10;
    EXPECT_FALSE(splice(folder, damaged, head, 1000, content.size()).written) << "damaged";
    EXPECT_FALSE(splice(folder, input, head, content.size() - 1000, content.size()).written)
        << "no block boundary far enough past the kept offset";
}

}  // namespace
}  // namespace orvane::keldra::testing
