// A whole file mapped into memory, read-only, for as long as the object lives. A file cut short
// by someone else while it is mapped ends keldra when the missing part is read, so only what
// keldra reads once and at once (a file being decompressed or copied) is mapped.
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>

namespace orvane::keldra {

class MappedFile {
public:
    // The first `size` bytes of the open file `fd`; data() is null when they cannot be mapped.
    MappedFile(int fd, std::size_t size) : size_(size) {
        void* address = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
        data_ = address == MAP_FAILED ? nullptr : static_cast<const unsigned char*>(address);
    }
    ~MappedFile() {
        if (data_ != nullptr) {
            munmap(const_cast<unsigned char*>(data_), size_);
        }
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Lets go of the pages wholly within bytes [begin, end), so that what was read once does
    // not stay resident; reading them again maps them anew from the file.
    void release(std::size_t begin, std::size_t end) const {
        constexpr std::size_t kPage = 4096;
        const std::size_t first = (begin + kPage - 1) / kPage * kPage;
        const std::size_t last = std::min(end, size_) / kPage * kPage;
        if (data_ != nullptr && first < last) {
            madvise(const_cast<unsigned char*>(data_) + first, last - first, MADV_DONTNEED);
        }
    }

private:
    const unsigned char* data_ = nullptr;
    std::size_t size_;
};

}  // namespace orvane::keldra
