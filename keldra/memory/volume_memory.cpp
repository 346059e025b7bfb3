// Volume memory from the operating system, on huge pages where it offers them.
#include "keldra/memory/volume_memory.h"

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define KELDRA_VOLUME_MEMORY_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELDRA_VOLUME_MEMORY_FROM_HEAP 1
#endif
#endif
#if defined(_WIN32)
#define KELDRA_VOLUME_MEMORY_FROM_HEAP 1
#endif

#if !defined(KELDRA_VOLUME_MEMORY_FROM_HEAP)
#include <sys/mman.h>
#endif

namespace orvane::keldra {

#if defined(KELDRA_VOLUME_MEMORY_FROM_HEAP)

void* allocateVolumeMemory(std::size_t bytes) { return bytes == 0 ? nullptr : ::operator new(bytes); }

void releaseVolumeMemory(void* data, std::size_t) noexcept { ::operator delete(data); }

#else

namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

std::size_t roundedUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// What is mapped for `bytes`: whole huge pages, so that the last one is huge too.
std::size_t mappedBytes(std::size_t bytes) { return roundedUp(bytes, kHugePageBytes); }

}  // namespace

void* allocateVolumeMemory(std::size_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    if (bytes < kVolumeMemoryThreshold) {
        return ::operator new(bytes);
    }
    const std::size_t size = mappedBytes(bytes);
    if (size < bytes || size > static_cast<std::size_t>(-1) - kHugePageBytes) {
        throw std::bad_alloc();
    }
    // Mapped with room to start on a 2 MiB boundary; the unused ends are given back.
    void* mapped = mmap(nullptr, size + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = roundedUp(start, kHugePageBytes);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    const std::size_t tail = start + size + kHugePageBytes - (aligned + size);
    if (tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    auto* data = reinterpret_cast<void*>(aligned);
    // Only advice: without huge pages the memory works the same, in small pages.
    madvise(data, size, MADV_HUGEPAGE);
    return data;
}

void releaseVolumeMemory(void* data, std::size_t bytes) noexcept {
    if (data == nullptr) {
        return;
    }
    if (bytes < kVolumeMemoryThreshold) {
        ::operator delete(data);
        return;
    }
    munmap(data, mappedBytes(bytes));
}

#endif

}  // namespace orvane::keldra
