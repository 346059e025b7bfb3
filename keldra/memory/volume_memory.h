// Memory for whole volumes. A volume of several MiB is taken straight from the operating
// system, starting on a 2 MiB boundary and marked for huge pages where the system offers them
// (Linux's transparent huge pages), so that filling it costs one page fault per 2 MiB rather
// than one per 4 KiB, and it goes back to the system as soon as it is freed. Such memory reads
// as zero until written. Anything smaller, and every allocation in a sanitizer build (so that
// the sanitizers keep watching it), comes from the ordinary heap.
#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace orvane::keldra {

// At least this many bytes go to the operating system.
constexpr std::size_t kVolumeMemoryThreshold = std::size_t{4} << 20;

// `bytes` bytes (none when 0), contents unspecified; throws std::bad_alloc when there is no
// memory. Freed by releaseVolumeMemory with the same size.
void* allocateVolumeMemory(std::size_t bytes);
void releaseVolumeMemory(void* data, std::size_t bytes) noexcept;

// A std::vector allocator over the functions above.
template <typename T>
struct VolumeAllocator {
    using value_type = T;

    VolumeAllocator() noexcept = default;
    template <typename U>
    VolumeAllocator(const VolumeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(allocateVolumeMemory(n * sizeof(T)));
    }
    void deallocate(T* data, std::size_t n) noexcept { releaseVolumeMemory(data, n * sizeof(T)); }

    template <typename U>
    bool operator==(const VolumeAllocator<U>&) const noexcept {
        return true;
    }
    template <typename U>
    bool operator!=(const VolumeAllocator<U>&) const noexcept {
        return false;
    }
};

// The samples of a volume (or of several), x fastest.
template <typename T>
using VolumeVector = std::vector<T, VolumeAllocator<T>>;

// Bytes owned by one holder and not initialised: for a buffer that is then written whole.
class VolumeBuffer {
public:
    VolumeBuffer() noexcept = default;
    explicit VolumeBuffer(std::size_t bytes)
        : data_(static_cast<unsigned char*>(allocateVolumeMemory(bytes))), size_(bytes) {}
    ~VolumeBuffer() { releaseVolumeMemory(data_, size_); }
    VolumeBuffer(VolumeBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    VolumeBuffer& operator=(VolumeBuffer&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }
    VolumeBuffer(const VolumeBuffer&) = delete;
    VolumeBuffer& operator=(const VolumeBuffer&) = delete;

    unsigned char* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

private:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace orvane::keldra
