// Splicing a gzip file: the input decoded once with zlib, stopping at deflate block boundaries
// until one lies far enough past the new bytes; then the output written as one member from new
// compressed bytes and the input's bits from there on, followed by the input's later members.
//
// The copied bits start on a byte boundary in the output, wherever they started in the input.
// Deflate data depends on its bit position in one place only: a stored block's header is
// followed by padding up to the next byte boundary. So the first stored block after the splice
// point is found while decoding, its padding is written anew, and from its data on (byte-aligned
// in both files) the input is copied byte for byte. The copied bits end where the member's last
// block ends, also found while decoding: the padding after it may fill a byte of its own once
// the bits are moved.
#include "keldra/nifti/gzip_splice.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "keldra/nifti/mapped_file.h"

namespace orvane::keldra {

namespace {

constexpr std::size_t kReadBytes = std::size_t{1} << 20;
constexpr std::size_t kDecodeBytes = std::size_t{256} << 10;
// A member header: deflate, no name, no time, written on a Unix system.
constexpr unsigned char kGzipHeader[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};
constexpr std::size_t kGzipTrailerBytes = 8;
// inflate()'s data_type after Z_BLOCK (zlib.h): the unused bits of the last byte taken, 64 in
// the last block, 128 right after an end-of-block code or a member's header.
constexpr int kUnusedBitsMask = 7;
constexpr int kInLastBlock = 64;
constexpr int kAtBlockBoundary = 128;

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Raw deflate at level 1 into memory, ended byte-aligned and not final, so that more deflate
// blocks can follow.
class OpenDeflateStream {
public:
    OpenDeflateStream() { ok_ = deflateInit2(&stream_, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~OpenDeflateStream() {
        if (ok_) {
            deflateEnd(&stream_);
        }
    }
    OpenDeflateStream(const OpenDeflateStream&) = delete;
    OpenDeflateStream& operator=(const OpenDeflateStream&) = delete;

    bool add(const unsigned char* data, std::size_t size) {
        constexpr std::size_t kLargestCall = std::size_t{1} << 30;
        for (std::size_t done = 0; done < size; done += kLargestCall) {
            if (!run(data + done, std::min(kLargestCall, size - done), Z_NO_FLUSH)) {
                return false;
            }
        }
        return true;
    }
    // Flushes to a byte boundary (an empty stored block ends the output).
    bool end() { return run(nullptr, 0, Z_SYNC_FLUSH); }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

private:
    bool run(const unsigned char* data, std::size_t size, int flush) {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        unsigned char out[64 * 1024];
        do {
            stream_.next_out = out;
            stream_.avail_out = sizeof out;
            if (!ok_ || deflate(&stream_, flush) == Z_STREAM_ERROR) {
                return ok_ = false;
            }
            bytes_.insert(bytes_.end(), out, out + (sizeof out - stream_.avail_out));
        } while (stream_.avail_out == 0 || stream_.avail_in > 0);
        return true;
    }

    z_stream stream_{};
    bool ok_ = false;
    std::vector<unsigned char> bytes_;
};

// Where the copied bits start and what surrounds them in the input.
struct SplicePoint {
    bool found = false;
    std::uint64_t bit = 0;           // bits into the input file, from its first byte's lowest bit
    bool aligned() const { return bit % 8 == 0; }
    // Where the first stored block after the point starts, when the point is not aligned.
    bool storedBlockFound = false;
    std::uint64_t storedBlockBit = 0;
    // Where the member's last block ends.
    bool lastBlockEnded = false;
    std::uint64_t endBit = 0;
    std::uint64_t content = 0;       // offset in the input's content
    std::uint32_t crcBefore = 0;     // CRC-32 of the member's content before `content`
    bool memberEnded = false;        // the member holding the point was decoded to its end
    std::uint64_t trailer = 0;       // where that member's trailer starts
    std::uint64_t contentEnd = 0;    // where its content ends
    std::uint32_t memberCrc = 0;     // CRC-32 of its whole content
};

// Decodes the input from its start: hands the kept content over, compresses what comes
// before the splice point behind the new bytes, and finds the point.
class SpliceDecoder {
public:
    SpliceDecoder(const MappedFile& input, std::uint64_t inputBytes, const GzipSpliceRequest& request)
        : input_(input), inputBytes_(inputBytes), request_(request), decoded_(kDecodeBytes) {}
    ~SpliceDecoder() {
        if (started_) {
            inflateEnd(&stream_);
        }
    }
    SpliceDecoder(const SpliceDecoder&) = delete;
    SpliceDecoder& operator=(const SpliceDecoder&) = delete;

    bool run();
    const SplicePoint& point() const { return point_; }
    const OpenDeflateStream& prefix() const { return prefix_; }
    std::uint32_t prefixCrc() const { return prefixCrc_; }
    std::uint64_t prefixBytes() const { return prefixBytes_; }

private:
    bool refill();
    bool startMember();
    bool take(const unsigned char* data, std::size_t size);
    void endMember();
    void considerPoint();
    bool inSpliceMember() const { return point_.found && !point_.memberEnded; }
    bool noteBlockBoundary();
    std::uint64_t consumed() const { return readOffset_ - stream_.avail_in; }

    const MappedFile& input_;
    std::uint64_t inputBytes_;
    const GzipSpliceRequest& request_;
    std::vector<unsigned char> decoded_;
    z_stream stream_{};
    bool started_ = false;
    std::uint64_t readOffset_ = 0;  // input bytes handed to the decoder so far
    std::uint64_t previousPiece_ = 0;  // where the last piece handed over started
    std::uint64_t content_ = 0;     // content decoded so far
    OpenDeflateStream prefix_;
    std::uint32_t prefixCrc_ = 0;
    std::uint64_t prefixBytes_ = 0;
    SplicePoint point_;
};

bool SpliceDecoder::refill() {
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBytes, inputBytes_ - readOffset_));
    if (size == 0) {
        return false;
    }
    // The previous piece has been decoded.
    input_.release(static_cast<std::size_t>(previousPiece_), static_cast<std::size_t>(readOffset_));
    previousPiece_ = readOffset_;
    stream_.next_in = const_cast<Bytef*>(input_.data() + readOffset_);
    stream_.avail_in = static_cast<uInt>(size);
    readOffset_ += size;
    return true;
}

// Starts decoding a member at the current input position, which must start one.
bool SpliceDecoder::startMember() {
    if (stream_.avail_in == 0 && !refill()) {
        return false;
    }
    if (stream_.next_in[0] != kGzipHeader[0]) {
        return false;
    }
    if (!started_) {
        // 16 + MAX_WBITS: gzip members only.
        started_ = inflateInit2(&stream_, 16 + MAX_WBITS) == Z_OK;
        return started_;
    }
    return inflateReset(&stream_) == Z_OK;
}

// Content just decoded, none of it past the splice point.
bool SpliceDecoder::take(const unsigned char* data, std::size_t size) {
    const std::uint64_t start = content_;
    content_ += size;
    if (content_ <= request_.keptFrom) {
        return true;
    }
    const std::size_t skipped = start < request_.keptFrom ? static_cast<std::size_t>(request_.keptFrom - start) : 0;
    data += skipped;
    size -= skipped;
    request_.keptBytes(data, size);
    if (point_.found) {
        return true;
    }
    prefixCrc_ = static_cast<std::uint32_t>(crc32_z(prefixCrc_, data, size));
    prefixBytes_ += size;
    return prefix_.add(data, size);
}

void SpliceDecoder::endMember() {
    if (point_.found && !point_.memberEnded) {
        point_.memberEnded = true;
        point_.trailer = consumed() - kGzipTrailerBytes;
        point_.contentEnd = content_;
        point_.memberCrc = static_cast<std::uint32_t>(stream_.adler);
    }
}

bool SpliceDecoder::run() {
    prefixCrc_ = static_cast<std::uint32_t>(crc32_z(0, request_.head, request_.headBytes));
    prefixBytes_ = request_.headBytes;
    if (!prefix_.add(request_.head, request_.headBytes) || !startMember()) {
        return false;
    }
    for (;;) {
        if (stream_.avail_in == 0 && !refill()) {
            return false;  // cut short, or unreadable
        }
        stream_.next_out = decoded_.data();
        stream_.avail_out = static_cast<uInt>(decoded_.size());
        const int status = inflate(&stream_, !point_.found || inSpliceMember() ? Z_BLOCK : Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && stream_.avail_in == 0)) {
            return false;  // damaged
        }
        if (!take(decoded_.data(), decoded_.size() - stream_.avail_out)) {
            return false;
        }
        if (status == Z_STREAM_END) {
            endMember();
            if (stream_.avail_in == 0 && readOffset_ == inputBytes_) {
                break;
            }
            if (!startMember()) {
                return false;  // something other than a member follows
            }
        } else if (!point_.found) {
            considerPoint();
        }
        if (inSpliceMember() && !noteBlockBoundary()) {
            return false;
        }
    }
    return point_.memberEnded && point_.lastBlockEnded && content_ == request_.inputContentBytes && prefix_.end();
}

// Takes the place inflate() stopped at as the splice point when it lies between two blocks
// of a member (or after its header), and far enough past the kept offset that no later
// reference reaches back before it.
void SpliceDecoder::considerPoint() {
    const int type = stream_.data_type;
    if ((type & kAtBlockBoundary) == 0 || (type & kInLastBlock) != 0 ||
        content_ < request_.keptFrom + kDeflateWindowBytes) {
        return;
    }
    point_.found = true;
    point_.bit = consumed() * 8 - static_cast<std::uint64_t>(type & kUnusedBitsMask);
    point_.content = content_;
    point_.crcBefore = static_cast<std::uint32_t>(stream_.adler);
}

// At a block boundary inflate() stopped at in the splice member, notes where the last block
// ended, or whether the block starting there is the first stored one after an unaligned splice
// point. False when the input cannot be read.
bool SpliceDecoder::noteBlockBoundary() {
    const int type = stream_.data_type;
    if ((type & kAtBlockBoundary) == 0) {
        return true;
    }
    const std::uint64_t bit = consumed() * 8 - static_cast<std::uint64_t>(type & kUnusedBitsMask);
    if ((type & kInLastBlock) != 0) {
        point_.lastBlockEnded = true;
        point_.endBit = bit;
        return true;
    }
    if (point_.aligned() || point_.storedBlockFound) {
        return true;
    }
    unsigned char header[2] = {0, 0};
    std::copy_n(input_.data() + bit / 8, std::min<std::uint64_t>(2, inputBytes_ - bit / 8), header);
    // A block header: one bit saying whether it is the last, two for its type (0: stored).
    const unsigned bits = static_cast<unsigned>(header[0] | (header[1] << 8)) >> (bit % 8);
    if (((bits >> 1) & 3u) == 0) {
        point_.storedBlockFound = true;
        point_.storedBlockBit = bit;
    }
    return true;
}

// out[i] = the byte that starts `shift` bits into in[i], for i < size; `in` holds size + 1
// bytes. On a little-endian machine eight bytes go at once, since there the bits of byte i + 1
// follow those of byte i within a word as they do in the stream.
void shiftBytesDown(const unsigned char* in, unsigned char* out, std::size_t size, unsigned shift) {
    if (shift == 0) {
        std::memcpy(out, in, size);
        return;
    }
    std::size_t i = 0;
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, in + i, sizeof word);
        word = (word >> shift) | (static_cast<std::uint64_t>(in[i + 8]) << (64 - shift));
        std::memcpy(out + i, &word, sizeof word);
    }
#endif
    for (; i < size; ++i) {
        out[i] = static_cast<unsigned char>((in[i] >> shift) | (in[i + 1] << (8 - shift)));
    }
}

// Copies the input's bits [startBit, endBit) to `output`, moved to start on a byte boundary;
// the bits that fill up the last byte are 0.
bool copyBits(const MappedFile& input, std::uint64_t startBit, std::uint64_t endBit, int output) {
    const unsigned shift = static_cast<unsigned>(startBit % 8);
    const std::uint64_t outputBytes = (endBit - startBit + 7) / 8;
    const std::uint64_t inputEnd = (endBit + 7) / 8;
    const unsigned lastBits = static_cast<unsigned>((endBit - startBit) % 8);
    std::vector<unsigned char> out(kReadBytes);
    std::uint64_t at = startBit / 8;
    for (std::uint64_t done = 0; done < outputBytes;) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBytes, outputBytes - done));
        const unsigned char* in = input.data() + at;
        if (inputEnd - at > size) {
            shiftBytesDown(in, out.data(), size, shift);
        } else {
            // The copied bits end in this piece's last input byte: nothing follows it.
            shiftBytesDown(in, out.data(), size - 1, shift);
            out[size - 1] = static_cast<unsigned char>(in[size - 1] >> shift);
        }
        done += size;
        if (done == outputBytes && lastBits != 0) {
            out[size - 1] &= static_cast<unsigned char>((1u << lastBits) - 1);
        }
        if (!writeAll(output, out.data(), size)) {
            return false;
        }
        input.release(static_cast<std::size_t>(at), static_cast<std::size_t>(at + size));
        at += size;
    }
    return true;
}

// The splice member's deflate bits from the point on, each stored block's padding where it
// falls in the output.
bool copyDeflateBits(const MappedFile& input, const SplicePoint& point, int output) {
    if (!point.storedBlockFound) {
        return copyBits(input, point.bit, point.endBit, output);
    }
    // Up to and with the stored block's three header bits, zero-padded; then, from its length
    // field on, byte for byte.
    const std::uint64_t header = point.storedBlockBit + 3;
    return copyBits(input, point.bit, header, output) && copyBits(input, (header + 7) / 8 * 8, point.endBit, output);
}

void putLittleEndian32(unsigned char* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

}  // namespace

bool writeSplicedGzip(int input, std::uint64_t inputBytes, int output, const GzipSpliceRequest& request) {
    // Read from a mapping, whose pages are let go once read: the input is decoded once and its
    // bits copied once, without copying it into buffers first or keeping it resident.
    const MappedFile mapped(input, static_cast<std::size_t>(inputBytes), request.inputName);
    if (mapped.data() == nullptr) {
        return false;
    }
    SpliceDecoder decoder(mapped, inputBytes, request);
    if (!decoder.run()) {
        return false;
    }
    const SplicePoint& point = decoder.point();
    const std::vector<unsigned char>& prefix = decoder.prefix().bytes();
    // The copied part's CRC-32 from its member's and that of the member's start (CRC-32 is
    // linear: crc(a b) = crc32_combine(crc(a), 0, |b|) ^ crc(b)), then the spliced member's.
    const std::uint64_t copied = point.contentEnd - point.content;
    const z_off_t copiedLength = static_cast<z_off_t>(copied);
    const auto copiedCrc = point.memberCrc ^ crc32_combine(point.crcBefore, 0, copiedLength);
    unsigned char trailer[kGzipTrailerBytes];
    putLittleEndian32(trailer, static_cast<std::uint32_t>(crc32_combine(decoder.prefixCrc(), copiedCrc, copiedLength)));
    putLittleEndian32(trailer + 4, static_cast<std::uint32_t>(decoder.prefixBytes() + copied));
    return writeAll(output, kGzipHeader, sizeof kGzipHeader) && writeAll(output, prefix.data(), prefix.size()) &&
           copyDeflateBits(mapped, point, output) && writeAll(output, trailer, sizeof trailer) &&
           copyBits(mapped, (point.trailer + kGzipTrailerBytes) * 8, inputBytes * 8, output);
}

}  // namespace orvane::keldra
