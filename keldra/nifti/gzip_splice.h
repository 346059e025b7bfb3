// Writing a gzip file whose content is new bytes followed by the end of another gzip file's
// content, without compressing that end again: the input is decoded once (which verifies it
// and hands its bytes over), the new bytes and what lies between them and the next deflate
// block boundary of the input are compressed here, and the input's compressed bits from that
// boundary on are copied behind them. The copied part keeps the input's compression.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace orvane::keldra {

// Deflate refers back at most this far; a block that starts this far past the last changed
// byte decodes the same behind other bytes.
constexpr std::uint64_t kDeflateWindowBytes = std::uint64_t{32} << 10;

struct GzipSpliceRequest {
    // The input's name, for the one line that says so when it is cut short while it is read.
    std::string inputName;
    // The new bytes the output's content starts with.
    const unsigned char* head = nullptr;
    std::size_t headBytes = 0;
    // The input's content from this offset on follows them.
    std::uint64_t keptFrom = 0;
    // The exact size of the input's content; an input that decodes to anything else is not
    // spliced.
    std::uint64_t inputContentBytes = 0;
    // Receives the input's content from `keptFrom` on, in order, as it is decoded.
    std::function<void(const unsigned char* data, std::size_t size)> keptBytes;
};

// Writes the spliced gzip file to `output` (at its current position), reading the gzip file of
// `inputBytes` bytes at `input` (from offset 0, whatever its position). False when it cannot:
// the input is not gzip, is damaged or cut short, has bytes after its last member, decodes to
// another size, offers no block boundary far enough past `keptFrom`, or a read or write fails.
// What was written to `output` is then useless, and `keptBytes` may have seen part of the
// content: the caller writes the file another way.
bool writeSplicedGzip(int input, std::uint64_t inputBytes, int output, const GzipSpliceRequest& request);

}  // namespace orvane::keldra
