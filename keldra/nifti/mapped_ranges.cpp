// The table of mapped files, for the bus-error handler.
#include "keldra/nifti/mapped_ranges.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace orvane::keldra {

namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kFilled = 2 };

struct MappedRangeSlot {
    std::atomic<int> state{kFree};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    char path[4096] = {};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::uintptr_t>::is_always_lock_free,
              "the bus-error handler reads the table through lock-free atomics alone");

// The one table of the process (the handler receives no context, so this is where it looks).
MappedRangeSlot mappedRanges[kMappedRangeSlots];

}  // namespace

int enterMappedRange(const void* begin, std::size_t size, const char* path) {
    const std::size_t length = std::strlen(path);
    if (begin == nullptr || size == 0 || length >= sizeof mappedRanges[0].path) {
        return -1;
    }
    for (int slot = 0; slot < kMappedRangeSlots; ++slot) {
        MappedRangeSlot& s = mappedRanges[slot];
        int expected = kFree;
        if (!s.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
            continue;
        }
        std::memcpy(s.path, path, length + 1);
        const auto first = reinterpret_cast<std::uintptr_t>(begin);
        s.begin.store(first, std::memory_order_relaxed);
        s.end.store(first + size, std::memory_order_relaxed);
        s.state.store(kFilled, std::memory_order_release);
        return slot;
    }
    return -1;
}

void clearMappedRange(int slot) {
    if (slot >= 0 && slot < kMappedRangeSlots) {
        mappedRanges[slot].state.store(kFree, std::memory_order_release);
    }
}

int mappedRangeHolding(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    for (int slot = 0; slot < kMappedRangeSlots; ++slot) {
        const MappedRangeSlot& s = mappedRanges[slot];
        if (s.state.load(std::memory_order_acquire) == kFilled && s.begin.load(std::memory_order_relaxed) <= at &&
            at < s.end.load(std::memory_order_relaxed)) {
            return slot;
        }
    }
    return -1;
}

const char* mappedRangePath(int slot) {
    return slot >= 0 && slot < kMappedRangeSlots ? mappedRanges[slot].path : "";
}

}  // namespace orvane::keldra
