// Compressing a buffer in one call through ISA-L's deflate, as a complete gzip file (one member)
// or a zlib stream. A compressor is made once and used for buffer after buffer on one thread.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

struct isal_zstream;

namespace orvane::keldra {

enum class DeflateWrapper { Gzip, Zlib };

class OneCallDeflate {
public:
    // `level` on ISA-L's scale: 0 stores without compressing, 1 is the fastest that compresses,
    // 3 the smallest.
    OneCallDeflate(int level, DeflateWrapper wrapper);
    ~OneCallDeflate();
    OneCallDeflate(const OneCallDeflate&) = delete;
    OneCallDeflate& operator=(const OneCallDeflate&) = delete;

    // `size` bytes at `data` (less than 4 GiB) compressed into `output`, which is resized to
    // hold exactly them. False when ISA-L refuses the level; `output` is then empty.
    bool compress(const unsigned char* data, std::size_t size, std::vector<unsigned char>& output);

private:
    int level_;
    DeflateWrapper wrapper_;
    std::vector<unsigned char> levelBuffer_;  // the working memory the level wants
    std::unique_ptr<isal_zstream> stream_;    // about 80 KB, kept off the thread's stack
};

}  // namespace orvane::keldra
