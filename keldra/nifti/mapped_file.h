// A whole file mapped into memory, read-only, for as long as the object lives. A file cut short
// by someone else while it is mapped raises SIGBUS when the missing part is read, which ends
// keldra (with one line naming the file: the mapping is entered in the table of mapped ranges
// for the handler), so only what keldra reads once and at once (a file being decompressed or
// copied) is mapped, and a file already shorter than asked for is not mapped at all.
#pragma once

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "keldra/nifti/mapped_ranges.h"

namespace orvane::keldra {

class MappedFile {
public:
    // The first `size` bytes of the open file `fd`, named `path`; data() is null when they
    // cannot be mapped, or when the file no longer holds them (it shrank since it was opened).
    MappedFile(int fd, std::size_t size, const std::string& path) : size_(size) {
        struct stat status {};
        if (size == 0 || fstat(fd, &status) != 0 || status.st_size < 0 ||
            static_cast<unsigned long long>(status.st_size) < size) {
            return;
        }
        void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (address != MAP_FAILED) {
            data_ = static_cast<const unsigned char*>(address);
            slot_ = enterMappedRange(address, size, path.c_str());
        }
    }
    ~MappedFile() {
        if (data_ != nullptr) {
            clearMappedRange(slot_);
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
    int slot_ = -1;  // in the table of mapped ranges
};

}  // namespace orvane::keldra
