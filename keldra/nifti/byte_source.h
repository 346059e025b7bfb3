// Sequential byte sources for reading image files: an open file, a block of memory, and a
// gzip decoder over either. The NIfTI reader sees only this interface, so a file on disk and
// the bytes a fuzzer hands over go through the same code.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orvane::keldra {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer`. Returns the number read, 0 at the end, or -1 on
    // an error, with the reason in error().
    virtual long read(void* buffer, std::size_t size) = 0;
    const std::string& error() const { return error_; }

    // Reads until `size` bytes arrived or the source ended; the number read, -1 on error.
    long long readFully(void* buffer, std::size_t size);
    // Reads and discards `count` bytes; false when the source ended first or failed.
    bool skip(std::uint64_t count);

protected:
    std::string error_;
};

// Reads from a file descriptor it does not own.
class FileDescriptorSource : public ByteSource {
public:
    explicit FileDescriptorSource(int descriptor) : descriptor_(descriptor) {}
    long read(void* buffer, std::size_t size) override;

private:
    int descriptor_;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    long read(void* buffer, std::size_t size) override;

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Decompresses a gzip stream (one or more members, as gzip itself writes them) from another
// source. Data that is not gzip, damaged data and a stream cut short are errors; the check
// sum of a member is verified when its end is read.
class GzipSource : public ByteSource {
public:
    explicit GzipSource(ByteSource& compressed);
    ~GzipSource() override;
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;
    long read(void* buffer, std::size_t size) override;
    // True once the end of the last member was read (and its check sum verified).
    bool finished() const { return finished_; }

private:
    bool refill();

    ByteSource& compressed_;
    z_stream stream_{};
    bool initialised_ = false;
    bool finished_ = false;
    bool started_ = false;
    unsigned char input_[64 * 1024];
};

}  // namespace orvane::keldra
