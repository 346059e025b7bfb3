// Byte sources: file descriptors, memory and gzip decoding.
#include "keldra/nifti/byte_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace orvane::keldra {

long long ByteSource::readFully(void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t total = 0;
    while (total < size) {
        long got = read(out + total, std::min<std::size_t>(size - total, 1u << 30));
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(total);
}

bool ByteSource::skip(std::uint64_t count) {
    unsigned char scratch[16 * 1024];
    while (count > 0) {
        long got = read(scratch, static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof scratch)));
        if (got <= 0) {
            return false;
        }
        count -= static_cast<std::uint64_t>(got);
    }
    return true;
}

long FileDescriptorSource::read(void* buffer, std::size_t size) {
    size = std::min<std::size_t>(size, LONG_MAX);
    for (;;) {
        ssize_t got = ::read(descriptor_, buffer, size);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno != EINTR) {
            error_ = std::strerror(errno);
            return -1;
        }
    }
}

long MemorySource::read(void* buffer, std::size_t size) {
    std::size_t n = std::min({size, size_ - position_, static_cast<std::size_t>(LONG_MAX)});
    if (n > 0) {
        std::memcpy(buffer, data_ + position_, n);
        position_ += n;
    }
    return static_cast<long>(n);
}

GzipSource::GzipSource(ByteSource& compressed) : compressed_(compressed) {
    // 16 + MAX_WBITS: gzip framing only; plain or raw deflate data is an error, not guessed at.
    initialised_ = inflateInit2(&stream_, 16 + MAX_WBITS) == Z_OK;
    if (!initialised_) {
        error_ = "the decompressor could not be started";
    }
}

GzipSource::~GzipSource() {
    if (initialised_) {
        inflateEnd(&stream_);
    }
}

bool GzipSource::refill() {
    long got = compressed_.read(input_, sizeof input_);
    if (got < 0) {
        error_ = compressed_.error();
        return false;
    }
    if (!started_ && got > 0 && input_[0] != 0x1f) {
        error_ = "the data is not gzip-compressed";
        return false;
    }
    started_ = true;
    stream_.next_in = input_;
    stream_.avail_in = static_cast<uInt>(got);
    return true;
}

long GzipSource::read(void* buffer, std::size_t size) {
    if (!initialised_) {
        return -1;
    }
    if (finished_ || size == 0) {
        return 0;
    }
    size = std::min<std::size_t>(size, 1u << 30);
    stream_.next_out = static_cast<Bytef*>(buffer);
    stream_.avail_out = static_cast<uInt>(size);
    while (stream_.avail_out > 0) {
        if (stream_.avail_in == 0) {
            if (!refill()) {
                return -1;
            }
            if (stream_.avail_in == 0) {
                error_ = "the compressed data ends early (the file is truncated)";
                return -1;
            }
        }
        int status = inflate(&stream_, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            // Another member may follow. Anything else after the end (padding some writers
            // add) is ignored, as gzip itself does.
            if (stream_.avail_in == 0 && !refill()) {
                return -1;
            }
            if (stream_.avail_in == 0 || stream_.next_in[0] != 0x1f) {
                finished_ = true;
                break;
            }
            if (inflateReset(&stream_) != Z_OK) {
                error_ = "the compressed data is damaged";
                return -1;
            }
            continue;
        }
        if (status != Z_OK) {
            if (status == Z_BUF_ERROR && stream_.avail_in == 0) {
                continue;
            }
            error_ = std::string("the compressed data is damaged (") +
                     (stream_.msg != nullptr ? stream_.msg : "decompression failed") + ")";
            return -1;
        }
    }
    return static_cast<long>(size - stream_.avail_out);
}

}  // namespace orvane::keldra
